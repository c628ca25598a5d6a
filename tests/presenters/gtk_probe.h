// What the GTK dialog tests look at: the view's widgets found by name on the dialog's thread,
// the view itself loaded once per process on the test display, and screenshots of a window.
#pragma once

#include <gtk/gtk.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "output/still_writers.h"
#include "platform/presenter_loader.h"
#include "support/test_env.h"
#include "x_client.h"

namespace rezive::test {

// The GTK dialog view on the test display; null (with *why) where there is none. GTK starts on
// the thread that asks first, the tests' main thread.
inline std::shared_ptr<platform::DialogView> GtkView(std::string* why) {
    static std::string note;
    static const std::shared_ptr<platform::DialogView> view = [] {
        if (TestDisplay().empty()) {
            note = "no display";
            return std::shared_ptr<platform::DialogView>();
        }
        setenv("DISPLAY", TestDisplay().c_str(), 1);
        return platform::LoadGtkDialogView(&note);
    }();
    *why = note;
    return view;
}

inline GtkWidget* FindIn(GtkWidget* widget, const std::string& name) {
    if (name == gtk_widget_get_name(widget)) return widget;
    if (!GTK_IS_CONTAINER(widget)) return nullptr;
    struct Search {
        const std::string* name;
        GtkWidget* found;
    } search{&name, nullptr};
    gtk_container_forall(GTK_CONTAINER(widget), [](GtkWidget* child, gpointer data) {
        auto* s = static_cast<Search*>(data);
        if (s->found == nullptr) s->found = FindIn(child, *s->name);
    }, &search);
    return search.found;
}

// Dialog thread only: the top-level window with this title.
inline GtkWidget* DialogWindow(const std::string& title) {
    GList* all = gtk_window_list_toplevels();
    GtkWidget* found = nullptr;
    for (GList* l = all; l != nullptr && found == nullptr; l = l->next) {
        const gchar* t = gtk_window_get_title(GTK_WINDOW(l->data));
        if (t != nullptr && title == t && gtk_widget_get_visible(GTK_WIDGET(l->data)))
            found = GTK_WIDGET(l->data);
    }
    g_list_free(all);
    return found;
}

// Dialog thread only: control index's widget ("" or "-up"/"-down" for an up-down's arrows).
inline GtkWidget* ControlWidget(const std::string& title, int32_t index, const char* part = "") {
    GtkWidget* window = DialogWindow(title);
    return window ? FindIn(window, "rezive-control-" + std::to_string(index) + part) : nullptr;
}

// A top-level window by its UTF-8 title (the toolkit writes a non-Latin title only there).
inline xcb_window_t FindTopLevelUtf8(XClient& x, const std::string& title) {
    auto* tree = xcb_query_tree_reply(x.Connection(), xcb_query_tree(x.Connection(), x.Screen()->root), nullptr);
    xcb_window_t found = 0;
    const xcb_atom_t name = x.Atom("_NET_WM_NAME");
    if (tree) {
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree) && found == 0; ++i)
            if (x.Property(children[i], name) == title) found = children[i];
    }
    std::free(tree);
    return found;
}

// Dialog thread only: a key pressed while widget has the focus, as the keyboard delivers it.
inline void PressKey(GtkWidget* widget, guint keyval) {
    GtkWidget* window = gtk_widget_get_toplevel(widget);
    if (widget != window) gtk_widget_grab_focus(widget);
    GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
    event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
    event->key.send_event = TRUE;
    event->key.time = GDK_CURRENT_TIME;
    event->key.keyval = keyval;
    GdkKeymapKey* keys = nullptr;
    gint count = 0;
    if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_display_get_default()),
                                          keyval, &keys, &count) && count > 0)
        event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
    g_free(keys);
    GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
    gdk_event_set_device(event, gdk_seat_get_keyboard(seat));
    gtk_main_do_event(event);
    gdk_event_free(event);
}

// Waits until the window's pixels stop changing (the toolkit paints on its own clock), then
// writes them as a PNG; false when the window could not be read. With a crop (in the window's
// coordinates) only that part, taken at once: it may show a live picture that never stands still.
inline bool WriteScreenshot(XClient& x, xcb_window_t window, const std::string& path,
                            const Geometry* crop = nullptr) {
    Geometry g;
    std::vector<uint8_t> last;
    int stable = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    const int still = crop == nullptr ? 3 : 0;
    do {
        if (!x.GetGeometry(window, &g)) return false;
        std::vector<uint8_t> now = x.Pixels(window, g.width, g.height);
        stable = (!now.empty() && now == last) ? stable + 1 : 0;
        last = std::move(now);
        if (stable < still) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    } while (stable < still && std::chrono::steady_clock::now() < deadline);
    if (last.size() != static_cast<size_t>(g.width) * g.height * 4) return false;
    Geometry part{0, 0, 0, 0, g.width, g.height, 0};
    if (crop != nullptr) part = *crop;
    part.x = std::clamp(part.x, 0, g.width);
    part.y = std::clamp(part.y, 0, g.height);
    part.width = std::clamp(part.width, 0, g.width - part.x);
    part.height = std::clamp(part.height, 0, g.height - part.y);
    if (part.width == 0 || part.height == 0) return false;
    // 24-bit rows: the server's fourth byte is no alpha.
    const size_t stride = (static_cast<size_t>(part.width) * 3 + 3) & ~size_t{3};
    std::vector<uint8_t> rgb(stride * part.height);
    for (int32_t y = 0; y < part.height; ++y)
        for (int32_t i = 0; i < part.width; ++i)
            for (int c = 0; c < 3; ++c)
                rgb[y * stride + i * 3 + c] =
                    last[(static_cast<size_t>(y + part.y) * g.width + i + part.x) * 4 + c];
    return WritePng(path.c_str(), rgb.data(), part.width, part.height, 24) == 1;
}

// Where screenshots go: REZIVE_SCREENSHOT_DIR when set (scripts/dialog-screenshots.sh points
// it at docs/), else the test's own folder.
inline std::string ScreenshotPath(const std::string& name) {
    const char* dir = std::getenv("REZIVE_SCREENSHOT_DIR");
    return (dir != nullptr && *dir != '\0' ? std::string(dir) : TempDir()) + "/" + name + ".png";
}

}  // namespace rezive::test
