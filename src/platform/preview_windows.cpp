// Preview windows and the presenter that shows them: window classes, client surfaces, the
// native windows of the display, and the choice of presenter.
#include <memory>
#include <mutex>

#include "platform/presenter_loader.h"
#include "platform/window_system.h"
#include "platform/window_table.h"

namespace rezive::platform {

using window_table::Find;
using window_table::MessageWindow;
using window_table::TheTable;
using window_table::WindowTable;

std::shared_ptr<Presenter> CurrentPresenter() {
    WindowTable& r = TheTable();
    // Loading may wait for a display that does not answer (bounded by the loader), so it runs
    // outside the window-table lock, once per process.
    static std::once_flag loaded;
    std::call_once(loaded, [&r] {
        {
            MutexLock lock(r.mutex);
            if (r.presenterSet) return;
        }
        std::shared_ptr<Presenter> display = LoadDisplayPresenter();
        MutexLock lock(r.mutex);
        if (!r.presenterSet) r.presenter = std::move(display);
    });
    MutexLock lock(r.mutex);
    return r.presenter;
}

bool RegisterWindowClass(const std::string& name) {
    WindowTable& r = TheTable();
    MutexLock lock(r.mutex);
    return !name.empty() && r.classes.insert(name).second;
}

bool UnregisterWindowClass(const std::string& name) {
    WindowTable& r = TheTable();
    MutexLock lock(r.mutex);
    return r.classes.erase(name) == 1;
}

bool IsWindowClassRegistered(const std::string& name) {
    WindowTable& r = TheTable();
    MutexLock lock(r.mutex);
    return r.classes.count(name) == 1;
}

WindowId CreatePreviewWindow(const WindowInfo& info) {
    if (info.width <= 0 || info.height <= 0) return 0;
    if (info.width > kMaxClientSide || info.height > kMaxClientSide) return 0;
    auto w = std::make_shared<MessageWindow>();
    {
        // No other thread knows the window yet; the lock is for the analysis' sake and costs
        // nothing.
        MutexLock lock(w->mutex);
        w->preview = true;
        w->info = info;
        w->surface.width = info.width;
        w->surface.height = info.height;
        w->surface.stride = info.width * 4;
        w->surface.pixels.assign(static_cast<size_t>(info.width) * info.height * 4, 0);
    }
    WindowId id;
    std::shared_ptr<Presenter> presenter = CurrentPresenter();
    {
        WindowTable& r = TheTable();
        MutexLock lock(r.mutex);
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
    MutexLock lock(w->mutex);
    if (!w->preview) return false;
    *info = w->info;
    return true;
}

bool DrawToClient(WindowId window,
                  const std::function<void(uint8_t*, int32_t, int32_t, int32_t)>& draw) {
    auto w = Find(window);
    if (!w) return false;
    MutexLock lock(w->mutex);
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
    MutexLock lock(w->mutex);
    if (!w->preview) return false;
    *surface = w->surface;
    return true;
}

bool ResizeClient(WindowId window, int32_t width, int32_t height) {
    if (width <= 0 || height <= 0 || width > kMaxClientSide || height > kMaxClientSide)
        return false;
    auto w = Find(window);
    if (!w) return false;
    MutexLock lock(w->mutex);
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
    {
        MutexLock lock(w->mutex);  // not shared yet, as in CreatePreviewWindow
        w->nativeId = nativeId;
    }
    MutexLock lock(r.mutex);
    return Insert(r, std::move(w));
}

uint64_t NativeWindowId(WindowId window) {
    auto w = Find(window);
    if (!w) return 0;
    {
        MutexLock lock(w->mutex);
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
    MutexLock lock(r.mutex);
    r.presenter = std::move(presenter);
    r.presenterSet = true;
}

}  // namespace rezive::platform
