#include "x11_presenter.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/socket.h>
#include <unistd.h>
#include <xcb/shm.h>
#include <xcb/xcbext.h>  // xcb_poll_for_reply

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace rezive::x11 {
namespace {

// Request header of PutImage, with room for the BIG-REQUESTS length word.
constexpr size_t kPutImageHeader = 32;

void SetProperty(xcb_connection_t* c, xcb_window_t w, xcb_atom_t name, xcb_atom_t type,
                 uint8_t format, uint32_t count, const void* data) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, name, type, format, count, data);
}

}  // namespace

X11Presenter::X11Presenter(const platform::PresenterHost& host, Display display,
                           const Options& options)
    : host_(host), display_(display), options_(options) {
    xcb_connection_t* c = display_.connection;
    sharedMemory_ = options_.sharedMemory && display_.sharedMemory;
    maxRequestBytes_ = display_.maxRequestBytes;
    if (options_.maxRequestBytes != 0)
        maxRequestBytes_ = std::min(maxRequestBytes_, options_.maxRequestBytes);
    gc_ = xcb_generate_id(c);
    const uint32_t noExposures = 0;
    xcb_create_gc(c, gc_, display_.screen->root, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    xcb_flush(c);
    wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    thread_ = std::thread([this] { Run(); });
}

X11Presenter::~X11Presenter() {
    platform::ReleasableMutexLock lock(mutex_);
    stop_ = true;
    Wake();
    // A thread stuck writing to a server that stopped reading never sees stop_: shutting the
    // socket down makes that write fail, and the thread ends on the broken connection.
    if (!synced_.WaitFor(mutex_, std::chrono::seconds(2),
                         [this]() RZ_REQUIRES(mutex_) { return !running_; }))
        shutdown(xcb_get_file_descriptor(display_.connection), SHUT_RDWR);
    lock.Release();
    thread_.join();
    for (auto& [xid, w] : live_) ReleaseSegment(w->segment);
    xcb_disconnect(display_.connection);
    if (wakeFd_ >= 0) close(wakeFd_);
}

void X11Presenter::Wake() {
    const uint64_t one = 1;
    // A full counter already means "wake up"; nothing is lost when this write fails.
    [[maybe_unused]] const ssize_t n = write(wakeFd_, &one, sizeof one);
}

void X11Presenter::Created(WindowId window, const WindowInfo& info) {
    auto w = std::make_shared<Window>();
    w->id = window;
    w->info = info;
    // Asked before taking mutex_: a parent that is one of this presenter's windows comes back
    // through NativeId.
    if (info.parent != 0) w->nativeParent = host_.nativeWindowId(info.parent);
    w->xid = xcb_generate_id(display_.connection);
    platform::MutexLock lock(mutex_);
    if (lost_) return;
    windows_[window] = w;
    commands_.push_back(Command{true, w});
    Wake();
}

void X11Presenter::Present(WindowId window, const ClientSurface& surface) {
    platform::MutexLock lock(mutex_);
    if (lost_) return;
    auto it = windows_.find(window);
    if (it == windows_.end()) return;
    Window& w = *it->second;
    // Same size as last time: assign reuses the buffer, so the worker allocates nothing.
    w.pending.pixels.assign(surface.pixels.begin(), surface.pixels.end());
    w.pending.width = surface.width;
    w.pending.height = surface.height;
    w.pending.stride = surface.stride;
    ++presented_;
    if (w.hasPending) ++dropped_;
    w.hasPending = true;
    Wake();
}

void X11Presenter::Destroyed(WindowId window) {
    platform::MutexLock lock(mutex_);
    auto it = windows_.find(window);
    if (it == windows_.end()) return;
    commands_.push_back(Command{false, std::move(it->second)});
    windows_.erase(it);
    Wake();
}

platform::ScreenSize X11Presenter::Screen() const {
    return {display_.screen->width_in_pixels, display_.screen->height_in_pixels};
}

uint64_t X11Presenter::NativeId(WindowId window) const {
    platform::MutexLock lock(mutex_);
    auto it = windows_.find(window);
    return it == windows_.end() ? 0 : it->second->xid;
}

bool X11Presenter::Sync(int32_t timeoutMs) {
    platform::MutexLock lock(mutex_);
    if (lost_ || !running_) return false;
    const uint64_t ticket = ++syncWanted_;
    Wake();
    synced_.WaitFor(mutex_, std::chrono::milliseconds(std::max(timeoutMs, 0)),
                    [&]() RZ_REQUIRES(mutex_) { return syncDone_ >= ticket || lost_; });
    return syncDone_ >= ticket;
}

platform::PresenterStats X11Presenter::Stats() const {
    platform::PresenterStats s;
    s.presented = presented_;
    s.drawn = drawn_;
    s.dropped = dropped_;
    s.repaints = repaints_;
    s.sharedMemory = sharedInUse_;
    return s;
}

X11Presenter::Window* X11Presenter::ByXid(xcb_window_t xid) {
    auto it = live_.find(xid);
    return it == live_.end() ? nullptr : it->second.get();
}

void X11Presenter::CreateOnServer(Window& w) {
    xcb_connection_t* c = display_.connection;
    const xcb_screen_t* screen = display_.screen;
    // X11 window ids are 32-bit; anything else cannot be a parent on this display.
    const bool child = w.nativeParent != 0 && w.nativeParent <= UINT32_MAX;
    const xcb_window_t parent = child ? static_cast<xcb_window_t>(w.nativeParent) : screen->root;
    // Our own visual and colormap rather than the parent's: a toolkit's window may use a depth
    // of its own, and frames are always written in the root's format.
    const uint32_t values[] = {screen->black_pixel, 0,
                               XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                               screen->default_colormap};
    xcb_create_window(c, screen->root_depth, w.xid, parent, static_cast<int16_t>(w.info.x),
                      static_cast<int16_t>(w.info.y), static_cast<uint16_t>(w.info.width),
                      static_cast<uint16_t>(w.info.height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_EVENT_MASK |
                          XCB_CW_COLORMAP,
                      values);
    const std::string& title = w.info.title;
    const auto titleLength = static_cast<uint32_t>(title.size());
    SetProperty(c, w.xid, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, titleLength, title.data());
    SetProperty(c, w.xid, display_.netWmName, display_.utf8String, 8, titleLength, title.data());
    std::string wmClass = w.info.className;
    wmClass.push_back('\0');
    wmClass += w.info.className;
    wmClass.push_back('\0');
    SetProperty(c, w.xid, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                static_cast<uint32_t>(wmClass.size()), wmClass.data());
    if (!child) {
        SetProperty(c, w.xid, display_.wmProtocols, XCB_ATOM_ATOM, 32, 1,
                    &display_.wmDeleteWindow);
        // The library places the window itself (centred on the screen): program-specified
        // position and size, so a window manager keeps them.
        uint32_t hints[18] = {};
        hints[0] = 1 | 4 | 8;  // USPosition | PPosition | PSize
        hints[1] = static_cast<uint32_t>(w.info.x);
        hints[2] = static_cast<uint32_t>(w.info.y);
        hints[3] = static_cast<uint32_t>(w.info.width);
        hints[4] = static_cast<uint32_t>(w.info.height);
        SetProperty(c, w.xid, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
    }
    xcb_map_window(c, w.xid);
    w.onServer = true;
    w.width = w.info.width;
    w.height = w.info.height;
}

void X11Presenter::DestroyOnServer(Window& w) {
    if (w.onServer) xcb_destroy_window(display_.connection, w.xid);
    w.onServer = false;
    ReleaseSegment(w.segment);
}

void X11Presenter::ReleaseSegment(SharedSegment& segment) {
    if (segment.address == nullptr) return;
    if (segment.seg != 0) xcb_shm_detach(display_.connection, segment.seg);
    shmdt(segment.address);
    segment = SharedSegment{};
}

bool X11Presenter::DrawShared(Window& w) {
    xcb_connection_t* c = display_.connection;
    const Frame& f = w.shown;
    const size_t need = static_cast<size_t>(f.stride) * f.height;
    if (w.segment.size < need) {
        ReleaseSegment(w.segment);
        const int id = shmget(IPC_PRIVATE, need, IPC_CREAT | 0600);
        if (id < 0) return false;
        void* address = shmat(id, nullptr, 0);
        if (address == reinterpret_cast<void*>(-1)) {
            shmctl(id, IPC_RMID, nullptr);
            return false;
        }
        const uint32_t seg = xcb_generate_id(c);
        xcb_generic_error_t* error = xcb_request_check(c, xcb_shm_attach_checked(c, seg, id, 0));
        // Marked for removal at once: it goes away when both sides have detached, even if this
        // process dies.
        shmctl(id, IPC_RMID, nullptr);
        if (error != nullptr) {
            // A server on another machine (or in another namespace) cannot see our memory.
            std::free(error);
            shmdt(address);
            sharedMemory_ = false;
            return false;
        }
        w.segment = SharedSegment{seg, id, static_cast<uint8_t*>(address), need};
    }
    std::memcpy(w.segment.address, f.pixels.data(), need);
    xcb_shm_put_image(c, w.xid, gc_, static_cast<uint16_t>(f.stride / 4),
                      static_cast<uint16_t>(f.height), 0, 0, static_cast<uint16_t>(f.width),
                      static_cast<uint16_t>(f.height), 0, 0, display_.screen->root_depth,
                      XCB_IMAGE_FORMAT_Z_PIXMAP, 0, w.segment.seg, 0);
    sharedInUse_ = true;
    return true;
}

void X11Presenter::DrawPlain(Window& w) {
    xcb_connection_t* c = display_.connection;
    const Frame& f = w.shown;
    // A request above the server's limit would close the connection: send the frame in bands.
    const size_t room = maxRequestBytes_ > kPutImageHeader ? maxRequestBytes_ - kPutImageHeader : 0;
    const int32_t band =
        std::max<int32_t>(1, static_cast<int32_t>(room / static_cast<size_t>(f.stride)));
    for (int32_t y = 0; y < f.height; y += band) {
        const int32_t rows = std::min(band, f.height - y);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, w.xid, gc_, static_cast<uint16_t>(f.stride / 4),
                      static_cast<uint16_t>(rows), 0, static_cast<int16_t>(y), 0,
                      display_.screen->root_depth, static_cast<uint32_t>(rows) * f.stride,
                      f.pixels.data() + static_cast<size_t>(y) * f.stride);
    }
    sharedInUse_ = false;
}

void X11Presenter::Draw(Window& w) {
    if (!w.onServer || w.shown.width <= 0 || w.shown.height <= 0 || w.shown.stride < w.shown.width * 4)
        return;
    if (sharedMemory_ && DrawShared(w)) return;
    DrawPlain(w);
}

void X11Presenter::HandleEvent(xcb_generic_event_t* event, std::vector<WindowId>* closed,
                               std::vector<std::pair<WindowId, std::pair<int32_t, int32_t>>>* resized) {
    switch (event->response_type & 0x7f) {
        case XCB_EXPOSE: {
            auto* e = reinterpret_cast<xcb_expose_event_t*>(event);
            Window* w = ByXid(e->window);
            // Only the last of a series: one repaint covers every rectangle.
            if (w != nullptr && e->count == 0) {
                w->repaint = true;
                ++repaints_;
            }
            break;
        }
        case XCB_CONFIGURE_NOTIFY: {
            auto* e = reinterpret_cast<xcb_configure_notify_event_t*>(event);
            Window* w = ByXid(e->window);
            if (w == nullptr || e->event != e->window) break;
            if (e->width != w->width || e->height != w->height) {
                w->width = e->width;
                w->height = e->height;
                resized->push_back({w->id, {e->width, e->height}});
            }
            break;
        }
        case XCB_CLIENT_MESSAGE: {
            auto* e = reinterpret_cast<xcb_client_message_event_t*>(event);
            Window* w = ByXid(e->window);
            if (w != nullptr && e->type == display_.wmProtocols && e->format == 32 &&
                e->data.data32[0] == display_.wmDeleteWindow)
                closed->push_back(w->id);
            break;
        }
        case XCB_DESTROY_NOTIFY: {
            // Gone with its parent (the application destroyed its own window): the preview
            // window is gone too, as a child window is on the desktop the library came from.
            auto* e = reinterpret_cast<xcb_destroy_notify_event_t*>(event);
            Window* w = ByXid(e->window);
            if (w != nullptr && w->onServer && e->event == e->window) {
                w->onServer = false;
                closed->push_back(w->id);
            }
            break;
        }
        default:
            break;  // errors of requests nobody waits for (a bad parent id): nothing to do
    }
}

void X11Presenter::Run() {
    xcb_connection_t* c = display_.connection;
    const int xfd = xcb_get_file_descriptor(c);
    bool inFlight = false;     // a batch of drawing is on its way; its marker not yet answered
    unsigned int marker = 0;
    uint64_t markerTicket = 0, markerFrames = 0, ticketSent = 0;
    std::vector<Command> commands;
    std::vector<WindowId> closed;
    std::vector<std::pair<WindowId, std::pair<int32_t, int32_t>>> resized;

    for (;;) {
        uint64_t ticket;
        {
            platform::MutexLock lock(mutex_);
            if (stop_) break;
            commands.assign(commands_.begin(), commands_.end());
            commands_.clear();
            ticket = syncWanted_;
        }
        for (Command& command : commands) {
            if (command.create) {
                CreateOnServer(*command.window);
                live_[command.window->xid] = command.window;
            } else {
                DestroyOnServer(*command.window);
                live_.erase(command.window->xid);
            }
        }
        commands.clear();

        // One batch at a time: a slow server makes newer frames replace older ones in pending
        // instead of queueing in the socket (or overwriting a segment the server still reads).
        if (!inFlight) {
            uint64_t frames = 0;
            {
                platform::MutexLock lock(mutex_);
                for (auto& [xid, w] : live_) {
                    if (!w->hasPending) continue;
                    std::swap(w->pending, w->shown);
                    w->hasPending = false;
                    w->repaint = true;
                    ++frames;
                }
            }
            bool drew = false;
            for (auto& [xid, w] : live_) {
                if (!w->repaint) continue;
                w->repaint = false;
                Draw(*w);
                drew = true;
            }
            if (drew || ticket > ticketSent) {
                marker = xcb_get_input_focus(c).sequence;
                inFlight = true;
                markerTicket = ticket;
                markerFrames = frames;
                ticketSent = ticket;
            }
        }
        xcb_flush(c);

        // Events, then the marker's answer, then what reading it queued.
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            HandleEvent(e, &closed, &resized);
            std::free(e);
        }
        if (inFlight) {
            void* reply = nullptr;
            xcb_generic_error_t* error = nullptr;
            if (xcb_poll_for_reply(c, marker, &reply, &error) != 0) {
                std::free(reply);
                std::free(error);
                inFlight = false;
                drawn_ += markerFrames;
                platform::MutexLock lock(mutex_);
                syncDone_ = std::max(syncDone_, markerTicket);
                synced_.NotifyAll();
            }
        }
        while (xcb_generic_event_t* e = xcb_poll_for_queued_event(c)) {
            HandleEvent(e, &closed, &resized);
            std::free(e);
        }
        if (xcb_connection_has_error(c) != 0) break;

        // The window system calls back into Destroyed, so no lock of ours is held here.
        for (const auto& [id, size] : resized) host_.resizeClient(id, size.first, size.second);
        for (WindowId id : closed) host_.destroyWindow(id);
        const bool changed = !closed.empty() || !resized.empty();
        closed.clear();
        resized.clear();
        if (changed) continue;
        if (!inFlight && ticket > ticketSent) continue;
        // An expose just read asks for a repaint that nothing else would wake the loop for.
        if (!inFlight && std::any_of(live_.begin(), live_.end(),
                                     [](const auto& entry) { return entry.second->repaint; }))
            continue;

        pollfd fds[2] = {{xfd, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        if (poll(fds, 2, 1000) > 0 && (fds[1].revents & POLLIN) != 0) {
            uint64_t count;
            [[maybe_unused]] const ssize_t n = read(wakeFd_, &count, sizeof count);
        }
    }

    platform::MutexLock lock(mutex_);
    if (!stop_) {
        std::fprintf(stderr, "ReziveSdk: lost the display; preview windows stay off screen\n");
    }
    lost_ = !stop_ || lost_;
    running_ = false;
    windows_.clear();
    commands_.clear();
    synced_.NotifyAll();
}

}  // namespace rezive::x11
