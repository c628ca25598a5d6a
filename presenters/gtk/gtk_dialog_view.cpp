#include "gtk_dialog_view.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <atomic>
#include <memory>

#include "gtk_controls.h"
#include "gtk_toolkit.h"

namespace rezive::gtk {
namespace {

// What other threads reach while a dialog runs: a flag that work is queued and the context to
// wake. Shared, so that a late wake-up finds it alive.
struct Wakeup {
    std::atomic<bool> pending{false};
    GMainContext* context = g_main_context_ref(g_main_context_default());
    ~Wakeup() { g_main_context_unref(context); }
};

// The parent's window when it is a window of this display; null otherwise (the dialog is then
// centred on the screen).
GdkWindow* ForeignParent(uint64_t parent) {
    GdkDisplay* display = gdk_display_get_default();
    if (parent == 0 || parent > 0xFFFFFFFFu || display == nullptr || !GDK_IS_X11_DISPLAY(display))
        return nullptr;
    return gdk_x11_window_foreign_new_for_display(display, static_cast<Window>(parent));
}

void PlaceOver(GtkWidget* window, GdkWindow* parent) {
    if (parent == nullptr) {
        gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
        return;
    }
    gtk_widget_realize(window);
    gdk_window_set_transient_for(gtk_widget_get_window(window), parent);
    int x = 0, y = 0;
    gdk_window_get_origin(parent, &x, &y);
    GtkRequisition size;
    gtk_widget_get_preferred_size(window, nullptr, &size);
    x += (gdk_window_get_width(parent) - size.width) / 2;
    y += (gdk_window_get_height(parent) - size.height) / 2;
    gtk_window_move(GTK_WINDOW(window), std::max(x, 0), std::max(y, 0));
}

gboolean OnMapped(GtkWidget*, GdkEvent*, gpointer flag) {
    *static_cast<bool*>(flag) = true;
    return FALSE;
}

gboolean Tick(gpointer) { return G_SOURCE_CONTINUE; }

}  // namespace

bool GtkDialogView::Run(platform::DialogHost& host, uint64_t parent, std::string* why) {
    ToolkitThread here;
    if (!here.Held()) {
        if (why != nullptr) *why = here.Why();
        return false;
    }
    DialogWidgets* shown = nullptr;
    auto apply = [&host, &shown] {
        bool pages = false;
        const std::vector<int32_t> changed = host.TakeChanges(&pages);
        if (shown != nullptr) shown->Apply(changed, pages);
    };
    DialogWidgets widgets(host.Description(), [&host, &apply](const platform::ControlEvent& e) {
        if (host.Ended()) return;
        host.Handle(e);
        apply();
    });
    shown = &widgets;
    GtkWidget* window = widgets.Window();
    GdkWindow* foreign = ForeignParent(parent);
    PlaceOver(window, foreign);

    auto wakeup = std::make_shared<Wakeup>();
    host.SetWakeup([wakeup] {
        wakeup->pending = true;
        g_main_context_wakeup(wakeup->context);
    });
    // However the wake-ups go, the loop looks at the model and the display at least this often.
    const guint tick = g_timeout_add(200, &Tick, nullptr);

    bool mapped = false;
    const gulong mapHandler = g_signal_connect(window, "map-event", G_CALLBACK(OnMapped), &mapped);
    gtk_widget_show_all(window);
    widgets.Apply({}, true);
    // The model's hook runs once the window is on screen (or after a generous wait for a window
    // manager that never maps it).
    const gint64 mapDeadline = g_get_monotonic_time() + 10 * G_USEC_PER_SEC;
    while (!mapped && !host.Ended() && !DisplayGone() && g_get_monotonic_time() < mapDeadline)
        g_main_context_iteration(nullptr, TRUE);
    g_signal_handler_disconnect(window, mapHandler);
    if (!host.Ended() && !DisplayGone()) {
        host.Opened();
        apply();
    }
    while (!host.Ended()) {
        if (DisplayGone()) {
            // Nothing can be shown any more: the dialog is cancelled as if its window closed.
            host.Handle({-1, platform::ControlEventKind::Close, 0, {}});
            break;
        }
        g_main_context_iteration(nullptr, TRUE);
        if (wakeup->pending.exchange(false)) {
            host.RunQueued();
            apply();
        }
    }
    host.SetWakeup({});
    g_source_remove(tick);
    shown = nullptr;
    widgets.Destroy();
    if (foreign != nullptr) g_object_unref(foreign);
    // Let the window's destruction reach the server before the caller goes on.
    if (!DisplayGone()) {
        gdk_display_flush(gdk_display_get_default());
        for (int i = 0; i < 100 && g_main_context_pending(nullptr); ++i)
            g_main_context_iteration(nullptr, FALSE);
    }
    return true;
}

}  // namespace rezive::gtk
