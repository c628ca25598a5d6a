// The process's table of windows, shared by the message-window and the preview-window halves of
// the window system. Each window has a lock of its own; the table's lock guards only the table.
// Where both are taken, the window's lock comes first (drawing asks for the presenter).
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>

#include "platform/mutex.h"
#include "platform/window_system.h"

namespace rezive::platform::window_table {

struct MessageWindow {
    Mutex mutex;
    CondVar cv;
    std::deque<Message> queue RZ_GUARDED_BY(mutex);
    MessageHandler handler RZ_GUARDED_BY(mutex);
    std::thread dispatcher RZ_GUARDED_BY(mutex);
    bool closed RZ_GUARDED_BY(mutex) = false;
    // A dispatcher runs only while the generation it started with lasts.
    uint64_t generation RZ_GUARDED_BY(mutex) = 0;
    // Preview windows only.
    bool preview RZ_GUARDED_BY(mutex) = false;
    WindowInfo info RZ_GUARDED_BY(mutex);
    ClientSurface surface RZ_GUARDED_BY(mutex);
    uint64_t nativeId RZ_GUARDED_BY(mutex) = 0;  // wrapped application windows only
};

struct WindowTable {
    Mutex mutex;
    std::unordered_map<WindowId, std::shared_ptr<MessageWindow>> windows RZ_GUARDED_BY(mutex);
    std::set<std::string> classes RZ_GUARDED_BY(mutex);
    std::shared_ptr<Presenter> presenter RZ_GUARDED_BY(mutex);
    // SetPresenter was called: no display presenter is loaded.
    bool presenterSet RZ_GUARDED_BY(mutex) = false;
    WindowId next RZ_GUARDED_BY(mutex) = 1;
};

// Never destroyed: it outlives every static destructor that may post.
WindowTable& TheTable();
// The window of an id, or null; takes the table's lock.
std::shared_ptr<MessageWindow> Find(WindowId id);
// Enters a window under the next free nonzero id.
WindowId Insert(WindowTable& r, std::shared_ptr<MessageWindow> w) RZ_REQUIRES(r.mutex);

}  // namespace rezive::platform::window_table
