#include "gtk_toolkit.h"

#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <atomic>
#include <thread>

#include "platform/mutex.h"

namespace rezive::gtk {
namespace {

struct Toolkit {
    platform::Mutex mutex;
    bool started RZ_GUARDED_BY(mutex) = false;
    bool ours RZ_GUARDED_BY(mutex) = false;  // started here, not by the application
    std::thread::id thread RZ_GUARDED_BY(mutex);
};

Toolkit& State() {
    static Toolkit toolkit;
    return toolkit;
}

std::atomic<bool> g_displayGone{false};

// Xlib ends the process when the server goes away unless both handlers return; a camera
// library must not take the application down with its display, so the loss is only noted and
// the dialog that was showing is cancelled by its loop.
int OnDisplayLost(Display*) {
    g_displayGone = true;
    return 0;
}
void OnDisplayLostExit(Display*, void*) { g_displayGone = true; }

void KeepProcessOnDisplayLoss() {
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr || !GDK_IS_X11_DISPLAY(display)) return;
    XSetIOErrorHandler(&OnDisplayLost);
    XSetIOErrorExitHandler(gdk_x11_display_get_xdisplay(display), &OnDisplayLostExit, nullptr);
}

}  // namespace

bool StartToolkit(std::string* why) {
    Toolkit& t = State();
    platform::MutexLock lock(t.mutex);
    if (t.started) return true;
    if (gdk_display_get_default() != nullptr) {
        // The application runs the toolkit itself: dialogs go on whichever thread owns its
        // main context, and its handling of a lost display stays its own.
        t.started = true;
        return true;
    }
    // The accessibility bridge would look for a session bus that a camera host seldom has.
    g_setenv("NO_AT_BRIDGE", "1", FALSE);
    if (!gtk_init_check(nullptr, nullptr)) {
        *why = "GTK cannot open the display";
        return false;
    }
    KeepProcessOnDisplayLoss();
    t.started = true;
    t.ours = true;
    t.thread = std::this_thread::get_id();
    return true;
}

ToolkitThread::ToolkitThread() {
    Toolkit& t = State();
    bool ours = false;
    std::thread::id thread;
    {
        platform::MutexLock lock(t.mutex);
        if (!t.started) {
            why_ = "GTK has not been started";
            return;
        }
        ours = t.ours;
        thread = t.thread;
    }
    if (ours && thread != std::this_thread::get_id()) {
        why_ = "dialogs show only on the thread that started GTK";
        return;
    }
    if (g_displayGone) {
        why_ = "the display has gone";
        return;
    }
    // Owning the main context is what running GTK on a thread means: an application's GTK
    // thread owns it (acquiring again nests), any other thread is refused it.
    if (!g_main_context_acquire(g_main_context_default())) {
        why_ = "GTK runs on another thread of the application";
        return;
    }
    held_ = true;
}

ToolkitThread::~ToolkitThread() {
    if (held_) g_main_context_release(g_main_context_default());
}

bool DisplayGone() { return g_displayGone; }

}  // namespace rezive::gtk
