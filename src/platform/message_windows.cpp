// Message windows: the window table, each window's queue, and the dispatcher thread that runs a
// window's handler.
#include <chrono>
#include <memory>
#include <thread>

#include "platform/window_system.h"
#include "platform/window_table.h"

namespace rezive::platform {
namespace window_table {

WindowTable& TheTable() {
    static auto* table = new WindowTable;
    return *table;
}

std::shared_ptr<MessageWindow> Find(WindowId id) {
    WindowTable& r = TheTable();
    MutexLock lock(r.mutex);
    auto it = r.windows.find(id);
    return it == r.windows.end() ? nullptr : it->second;
}

WindowId Insert(WindowTable& r, std::shared_ptr<MessageWindow> w) {
    WindowId id;
    do {
        id = r.next++;
        if (r.next == 0) r.next = 1;
    } while (id == 0 || r.windows.count(id) != 0);
    r.windows.emplace(id, std::move(w));
    return id;
}

}  // namespace window_table

namespace {

using window_table::Find;
using window_table::MessageWindow;
using window_table::TheTable;
using window_table::WindowTable;

// Runs the window's handler for each message until the handler is removed or the window closes.
void Dispatch(const std::shared_ptr<MessageWindow>& w, WindowId id, uint64_t generation) {
    MutexLock lock(w->mutex);
    auto stopped = [&]() RZ_REQUIRES(w->mutex) { return w->generation != generation || w->closed; };
    for (;;) {
        w->cv.Wait(w->mutex, [&]() RZ_REQUIRES(w->mutex) { return stopped() || !w->queue.empty(); });
        if (stopped()) return;
        Message m = w->queue.front();
        w->queue.pop_front();
        MessageHandler handler = w->handler;
        MutexUnlock unlocked(w->mutex);
        if (handler) handler(id, m);
    }
}

// Stops the dispatcher thread; joins it unless called from it (then it ends on its own). The
// lock is left during the join, so another thread may start a dispatcher meanwhile: that one is
// stopped too, and the window has none when this returns.
void StopDispatcher(MessageWindow& w) RZ_REQUIRES(w.mutex) {
    ++w.generation;
    while (w.dispatcher.joinable()) {
        w.cv.NotifyAll();
        std::thread t = std::move(w.dispatcher);
        {
            MutexUnlock unlocked(w.mutex);
            if (t.get_id() == std::this_thread::get_id()) t.detach(); else t.join();
        }
        ++w.generation;
    }
}

}  // namespace

WindowId CreateMessageWindow() {
    WindowTable& r = TheTable();
    auto w = std::make_shared<MessageWindow>();
    MutexLock lock(r.mutex);
    return Insert(r, std::move(w));
}

bool DestroyWindow(WindowId window) {
    std::shared_ptr<MessageWindow> w;
    {
        WindowTable& r = TheTable();
        MutexLock lock(r.mutex);
        auto it = r.windows.find(window);
        if (it == r.windows.end()) return false;
        w = std::move(it->second);
        r.windows.erase(it);
    }
    ReleasableMutexLock lock(w->mutex);
    w->closed = true;
    w->queue.clear();
    w->cv.NotifyAll();
    StopDispatcher(*w);
    const bool preview = w->preview;
    lock.Release();
    if (preview) {
        if (auto presenter = CurrentPresenter()) presenter->Destroyed(window);
    }
    return true;
}

bool IsWindow(WindowId window) { return window != 0 && Find(window) != nullptr; }

bool PostMessage(WindowId window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (window == 0) return false;
    auto w = Find(window);
    if (!w) return false;
    MutexLock lock(w->mutex);
    if (w->closed || w->queue.size() >= kMaxQueuedMessages) return false;
    w->queue.push_back(Message{message, wParam, lParam});
    w->cv.NotifyAll();
    return true;
}

int32_t WaitMessage(WindowId window, Message* message, int32_t timeoutMs) {
    if (message == nullptr) return -1;
    auto w = Find(window);
    if (!w) return -1;
    MutexLock lock(w->mutex);
    auto ready = [&]() RZ_REQUIRES(w->mutex) {
        return w->closed || (!w->queue.empty() && !w->handler);
    };
    if (timeoutMs < 0) {
        w->cv.Wait(w->mutex, ready);
    } else if (!w->cv.WaitFor(w->mutex, std::chrono::milliseconds(timeoutMs), ready)) {
        return 0;
    }
    if (w->closed) return -1;
    *message = w->queue.front();
    w->queue.pop_front();
    return 1;
}

bool SetMessageHandler(WindowId window, MessageHandler handler) {
    auto w = Find(window);
    if (!w) return false;
    MutexLock lock(w->mutex);
    if (w->closed) return false;
    StopDispatcher(*w);
    w->handler = std::move(handler);
    if (w->handler) {
        const uint64_t generation = w->generation;
        w->dispatcher = std::thread([w, window, generation] { Dispatch(w, window, generation); });
    } else {
        w->cv.NotifyAll();  // waiters may take the queued messages now
    }
    return true;
}

}  // namespace rezive::platform
