#include "platform/window_system.h"

#include "platform/presenter_loader.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <unordered_map>

namespace rezive::platform {
namespace {

struct MessageWindow {
    std::mutex mutex;
    std::condition_variable cv;
    std::deque<Message> queue;
    MessageHandler handler;
    std::thread dispatcher;
    bool closed = false;
    uint64_t generation = 0;  // a dispatcher runs only while the generation it started with lasts
    // Preview windows only.
    bool preview = false;
    WindowInfo info;
    ClientSurface surface;
    uint64_t nativeId = 0;  // wrapped application windows only
};

struct WindowTable {
    std::mutex mutex;
    std::unordered_map<WindowId, std::shared_ptr<MessageWindow>> windows;
    std::set<std::string> classes;
    std::shared_ptr<Presenter> presenter;
    bool presenterSet = false;  // SetPresenter was called: no display presenter is loaded
    WindowId next = 1;
};

WindowTable& TheTable() {
    static auto* table = new WindowTable;  // outlives every static destructor that may post
    return *table;
}

std::shared_ptr<MessageWindow> Find(WindowId id) {
    WindowTable& r = TheTable();
    std::lock_guard lock(r.mutex);
    auto it = r.windows.find(id);
    return it == r.windows.end() ? nullptr : it->second;
}

// Runs the window's handler for each message until the handler is removed or the window closes.
void Dispatch(const std::shared_ptr<MessageWindow>& w, WindowId id, uint64_t generation) {
    std::unique_lock lock(w->mutex);
    for (;;) {
        auto stopped = [&] { return w->generation != generation || w->closed; };
        w->cv.wait(lock, [&] { return stopped() || !w->queue.empty(); });
        if (stopped()) return;
        Message m = w->queue.front();
        w->queue.pop_front();
        MessageHandler handler = w->handler;
        lock.unlock();
        if (handler) handler(id, m);
        lock.lock();
    }
}

// Stops the dispatcher thread; joins it unless called from it (then it ends on its own). The
// lock is left during the join, so another thread may start a dispatcher meanwhile: that one is
// stopped too, and the window has none when this returns.
void StopDispatcher(MessageWindow& w, std::unique_lock<std::mutex>& lock) {
    ++w.generation;
    while (w.dispatcher.joinable()) {
        w.cv.notify_all();
        std::thread t = std::move(w.dispatcher);
        lock.unlock();
        if (t.get_id() == std::this_thread::get_id()) t.detach(); else t.join();
        lock.lock();
        ++w.generation;
    }
}

}  // namespace

WindowId Insert(WindowTable& r, std::shared_ptr<MessageWindow> w) {
    WindowId id;
    do {
        id = r.next++;
        if (r.next == 0) r.next = 1;
    } while (id == 0 || r.windows.count(id) != 0);
    r.windows.emplace(id, std::move(w));
    return id;
}

std::shared_ptr<Presenter> CurrentPresenter() {
    WindowTable& r = TheTable();
    // Loading may wait for a display that does not answer (bounded by the loader), so it runs
    // outside the window-table lock, once per process.
    static std::once_flag loaded;
    std::call_once(loaded, [&r] {
        {
            std::lock_guard lock(r.mutex);
            if (r.presenterSet) return;
        }
        std::shared_ptr<Presenter> display = LoadDisplayPresenter();
        std::lock_guard lock(r.mutex);
        if (!r.presenterSet) r.presenter = std::move(display);
    });
    std::lock_guard lock(r.mutex);
    return r.presenter;
}

WindowId CreateMessageWindow() {
    WindowTable& r = TheTable();
    auto w = std::make_shared<MessageWindow>();
    std::lock_guard lock(r.mutex);
    return Insert(r, std::move(w));
}

bool DestroyWindow(WindowId window) {
    std::shared_ptr<MessageWindow> w;
    {
        WindowTable& r = TheTable();
        std::lock_guard lock(r.mutex);
        auto it = r.windows.find(window);
        if (it == r.windows.end()) return false;
        w = std::move(it->second);
        r.windows.erase(it);
    }
    std::unique_lock lock(w->mutex);
    w->closed = true;
    w->queue.clear();
    w->cv.notify_all();
    StopDispatcher(*w, lock);
    const bool preview = w->preview;
    lock.unlock();
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
    std::lock_guard lock(w->mutex);
    if (w->closed || w->queue.size() >= kMaxQueuedMessages) return false;
    w->queue.push_back(Message{message, wParam, lParam});
    w->cv.notify_all();
    return true;
}

int32_t WaitMessage(WindowId window, Message* message, int32_t timeoutMs) {
    if (message == nullptr) return -1;
    auto w = Find(window);
    if (!w) return -1;
    std::unique_lock lock(w->mutex);
    auto ready = [&] { return w->closed || (!w->queue.empty() && !w->handler); };
    if (timeoutMs < 0) {
        w->cv.wait(lock, ready);
    } else if (!w->cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
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
    std::unique_lock lock(w->mutex);
    if (w->closed) return false;
    StopDispatcher(*w, lock);
    w->handler = std::move(handler);
    if (w->handler) {
        const uint64_t generation = w->generation;
        w->dispatcher = std::thread([w, window, generation] { Dispatch(w, window, generation); });
    } else {
        w->cv.notify_all();  // waiters may take the queued messages now
    }
    return true;
}

bool RegisterWindowClass(const std::string& name) {
    WindowTable& r = TheTable();
    std::lock_guard lock(r.mutex);
    return !name.empty() && r.classes.insert(name).second;
}

bool UnregisterWindowClass(const std::string& name) {
    WindowTable& r = TheTable();
    std::lock_guard lock(r.mutex);
    return r.classes.erase(name) == 1;
}

bool IsWindowClassRegistered(const std::string& name) {
    WindowTable& r = TheTable();
    std::lock_guard lock(r.mutex);
    return r.classes.count(name) == 1;
}

WindowId CreatePreviewWindow(const WindowInfo& info) {
    if (info.width <= 0 || info.height <= 0) return 0;
    if (info.width > kMaxClientSide || info.height > kMaxClientSide) return 0;
    auto w = std::make_shared<MessageWindow>();
    w->preview = true;
    w->info = info;
    w->surface.width = info.width;
    w->surface.height = info.height;
    w->surface.stride = info.width * 4;
    w->surface.pixels.assign(static_cast<size_t>(info.width) * info.height * 4, 0);
    WindowId id;
    std::shared_ptr<Presenter> presenter = CurrentPresenter();
    {
        WindowTable& r = TheTable();
        std::lock_guard lock(r.mutex);
        if (r.classes.count(info.className) == 0) return 0;
        if (info.parent != 0 && r.windows.count(info.parent) == 0) return 0;
        id = Insert(r, w);
    }
    if (presenter) presenter->Created(id, info);
    return id;
}

bool GetWindowInfo(WindowId window, WindowInfo* info) {
    auto w = Find(window);
    if (!w || info == nullptr) return false;
    std::lock_guard lock(w->mutex);
    if (!w->preview) return false;
    *info = w->info;
    return true;
}

bool DrawToClient(WindowId window,
                  const std::function<void(uint8_t*, int32_t, int32_t, int32_t)>& draw) {
    auto w = Find(window);
    if (!w) return false;
    std::lock_guard lock(w->mutex);
    if (!w->preview || w->closed || !w->info.visible || w->surface.width <= 0 ||
        w->surface.height <= 0)
        return false;
    draw(w->surface.pixels.data(), w->surface.width, w->surface.height, w->surface.stride);
    if (auto presenter = CurrentPresenter()) presenter->Present(window, w->surface);
    return true;
}

bool ReadClientSurface(WindowId window, ClientSurface* surface) {
    auto w = Find(window);
    if (!w || surface == nullptr) return false;
    std::lock_guard lock(w->mutex);
    if (!w->preview) return false;
    *surface = w->surface;
    return true;
}

bool ResizeClient(WindowId window, int32_t width, int32_t height) {
    if (width <= 0 || height <= 0 || width > kMaxClientSide || height > kMaxClientSide)
        return false;
    auto w = Find(window);
    if (!w) return false;
    std::lock_guard lock(w->mutex);
    if (!w->preview || w->closed) return false;
    if (w->info.width == width && w->info.height == height) return true;
    w->info.width = width;
    w->info.height = height;
    w->surface.width = width;
    w->surface.height = height;
    w->surface.stride = width * 4;
    w->surface.pixels.assign(static_cast<size_t>(width) * height * 4, 0);
    return true;
}

WindowId WrapNativeWindow(uint64_t nativeId) {
    if (nativeId == 0) return 0;
    WindowTable& r = TheTable();
    auto w = std::make_shared<MessageWindow>();
    w->nativeId = nativeId;
    std::lock_guard lock(r.mutex);
    return Insert(r, std::move(w));
}

uint64_t NativeWindowId(WindowId window) {
    auto w = Find(window);
    if (!w) return 0;
    {
        std::lock_guard lock(w->mutex);
        if (w->closed) return 0;
        if (!w->preview) return w->nativeId;
    }
    auto presenter = CurrentPresenter();
    return presenter ? presenter->NativeId(window) : 0;
}

ScreenSize GetScreenSize() {
    if (auto presenter = CurrentPresenter()) return presenter->Screen();
    return ScreenSize{1920, 1080};
}

void SetPresenter(std::shared_ptr<Presenter> presenter) {
    WindowTable& r = TheTable();
    std::lock_guard lock(r.mutex);
    r.presenter = std::move(presenter);
    r.presenterSet = true;
}

}  // namespace rezive::platform
