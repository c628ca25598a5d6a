// The X11 presenter: every preview window is a real X11 window, drawn by a display thread of the
// presenter's own so that the acquisition worker never waits for the X server.
#pragma once

#include <xcb/xcb.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/mutex.h"
#include "platform/presenter_module.h"
#include "x11_connect.h"

namespace rezive::x11 {

using platform::ClientSurface;
using platform::WindowId;
using platform::WindowInfo;

struct Options {
    bool sharedMemory = true;      // try MIT-SHM (still refused by a server that cannot share)
    size_t maxRequestBytes = 0;    // 0: the server's limit; else the smaller of the two
};

class X11Presenter final : public platform::Presenter {
public:
    X11Presenter(const platform::PresenterHost& host, Display display, const Options& options);
    ~X11Presenter() override;

    void Created(WindowId window, const WindowInfo& info) override RZ_EXCLUDES(mutex_);
    void Present(WindowId window, const ClientSurface& surface) override RZ_EXCLUDES(mutex_);
    void Destroyed(WindowId window) override RZ_EXCLUDES(mutex_);
    platform::ScreenSize Screen() const override;
    uint64_t NativeId(WindowId window) const override RZ_EXCLUDES(mutex_);
    bool Sync(int32_t timeoutMs) override RZ_EXCLUDES(mutex_);
    platform::PresenterStats Stats() const override;

private:
    struct Frame {
        std::vector<uint8_t> pixels;
        int32_t width = 0;
        int32_t height = 0;
        int32_t stride = 0;
    };
    struct SharedSegment {
        uint32_t seg = 0;  // xcb_shm_seg_t
        int id = -1;
        uint8_t* address = nullptr;
        size_t size = 0;
    };
    struct Window {
        WindowId id = 0;
        xcb_window_t xid = 0;
        WindowInfo info;
        uint64_t nativeParent = 0;
        // Under mutex_ (which the analysis cannot name from here): the newest frame not yet
        // taken by the display thread.
        Frame pending;
        bool hasPending = false;
        // Display thread only.
        Frame shown;             // the last frame drawn, for repaints
        bool repaint = false;
        bool onServer = false;   // created and not yet destroyed on the server
        int32_t width = 0;       // size the server last reported
        int32_t height = 0;
        SharedSegment segment;
    };
    struct Command {
        bool create;
        std::shared_ptr<Window> window;
    };

    void Run() RZ_EXCLUDES(mutex_);
    void Wake();
    void CreateOnServer(Window& w);
    void DestroyOnServer(Window& w);
    void Draw(Window& w);
    bool DrawShared(Window& w);
    void DrawPlain(Window& w);
    void ReleaseSegment(SharedSegment& segment);
    // Events, with the host's calls collected to run after the loop (they come back into
    // Destroyed).
    void HandleEvent(xcb_generic_event_t* event, std::vector<WindowId>* closed,
                     std::vector<std::pair<WindowId, std::pair<int32_t, int32_t>>>* resized);
    Window* ByXid(xcb_window_t xid);

    const platform::PresenterHost host_;
    Display display_;
    Options options_;
    xcb_gcontext_t gc_ = 0;
    bool sharedMemory_ = false;  // display thread only after construction
    size_t maxRequestBytes_ = 0;
    int wakeFd_ = -1;

    mutable platform::Mutex mutex_;
    platform::CondVar synced_;
    std::unordered_map<WindowId, std::shared_ptr<Window>> windows_ RZ_GUARDED_BY(mutex_);
    std::deque<Command> commands_ RZ_GUARDED_BY(mutex_);
    uint64_t syncWanted_ RZ_GUARDED_BY(mutex_) = 0;
    uint64_t syncDone_ RZ_GUARDED_BY(mutex_) = 0;
    bool stop_ RZ_GUARDED_BY(mutex_) = false;
    bool lost_ RZ_GUARDED_BY(mutex_) = false;
    bool running_ RZ_GUARDED_BY(mutex_) = true;

    std::atomic<uint64_t> presented_{0}, drawn_{0}, dropped_{0}, repaints_{0};
    std::atomic<bool> sharedInUse_{false};

    // Display thread only: the windows it has on the server, by X id.
    std::unordered_map<xcb_window_t, std::shared_ptr<Window>> live_;

    std::thread thread_;
};

}  // namespace rezive::x11
