#include "x11_connect.h"

#include <xcb/shm.h>

#include <cstdlib>

#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

#include "platform/mutex.h"

namespace rezive::x11 {
namespace {

// One connection attempt, shared by the caller and the thread that makes it: whoever comes last
// cleans up, so a caller that gave up leaves nothing behind once the attempt ends.
struct Attempt {
    platform::Mutex mutex;
    platform::CondVar done;
    bool finished RZ_GUARDED_BY(mutex) = false;
    bool abandoned RZ_GUARDED_BY(mutex) = false;
    Display display RZ_GUARDED_BY(mutex);
    int screen RZ_GUARDED_BY(mutex) = 0;
};

xcb_atom_t Intern(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : 0;
    std::free(reply);
    return atom;
}

// The round trips a presenter needs before it can show anything.
void Ask(Display* d) {
    xcb_connection_t* c = d->connection;
    xcb_prefetch_maximum_request_length(c);
    d->wmProtocols = Intern(c, "WM_PROTOCOLS");
    d->wmDeleteWindow = Intern(c, "WM_DELETE_WINDOW");
    d->netWmName = Intern(c, "_NET_WM_NAME");
    d->utf8String = Intern(c, "UTF8_STRING");
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(c, &xcb_shm_id);
    if (shm != nullptr && shm->present) {
        xcb_shm_query_version_reply_t* version =
            xcb_shm_query_version_reply(c, xcb_shm_query_version(c), nullptr);
        d->sharedMemory = version != nullptr;
        std::free(version);
    }
    d->maxRequestBytes = static_cast<size_t>(xcb_get_maximum_request_length(c)) * 4;
}

bool Bgrx32(const xcb_setup_t* setup, const xcb_screen_t* screen) {
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) return false;
    if (screen->root_depth != 24 && screen->root_depth != 32) return false;
    bool format = false;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it)) {
        if (it.data->depth == screen->root_depth)
            format = it.data->bits_per_pixel == 32 && it.data->scanline_pad == 32;
    }
    if (!format) return false;
    for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem; xcb_depth_next(&d)) {
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
            if (v.data->visual_id != screen->root_visual) continue;
            return v.data->red_mask == 0xff0000 && v.data->green_mask == 0xff00 &&
                   v.data->blue_mask == 0xff;
        }
    }
    return false;
}

}  // namespace

Display Connect(const std::string& name, int timeoutMs, std::string* note) {
    auto attempt = std::make_shared<Attempt>();
    std::thread([attempt, name] {
        int screen = 0;
        Display d;
        d.connection = xcb_connect(name.c_str(), &screen);
        if (xcb_connection_has_error(d.connection) == 0) Ask(&d);
        platform::MutexLock lock(attempt->mutex);
        if (attempt->abandoned) {
            xcb_disconnect(d.connection);
            return;
        }
        attempt->display = d;
        attempt->screen = screen;
        attempt->finished = true;
        attempt->done.NotifyAll();
    }).detach();

    platform::ReleasableMutexLock lock(attempt->mutex);
    if (!attempt->done.WaitFor(attempt->mutex, std::chrono::milliseconds(timeoutMs),
                               [&]() RZ_REQUIRES(attempt->mutex) { return attempt->finished; })) {
        attempt->abandoned = true;
        *note = "display " + name + " did not answer within " + std::to_string(timeoutMs) + " ms";
        return {};
    }
    Display d = attempt->display;
    xcb_connection_t* c = d.connection;
    const int screenNumber = attempt->screen;
    lock.Release();

    if (xcb_connection_has_error(c) != 0 || d.wmProtocols == 0 || d.maxRequestBytes == 0) {
        xcb_disconnect(c);
        *note = "cannot open display " + name;
        return {};
    }
    const xcb_setup_t* setup = xcb_get_setup(c);
    auto it = xcb_setup_roots_iterator(setup);
    for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
    if (it.rem == 0 || !Bgrx32(setup, it.data)) {
        xcb_disconnect(c);
        *note = "display " + name + " has no 24-bit true-colour screen";
        return {};
    }
    d.screen = it.data;
    return d;
}

}  // namespace rezive::x11
