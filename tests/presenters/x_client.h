// A plain XCB client for the display tests: looks at what the presenter put on the server the way
// another program on the desktop would.
#pragma once

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/presenter_loader.h"
#include "platform/window_system.h"
#include "support/test_env.h"

namespace rezive::test {

struct Geometry {
    int32_t x = 0, y = 0;  // relative to the parent
    int32_t rootX = 0, rootY = 0;
    int32_t width = 0, height = 0;
    xcb_window_t parent = 0;
};

class XClient {
public:
    explicit XClient(const std::string& display) {
        c_ = xcb_connect(display.c_str(), nullptr);
        if (xcb_connection_has_error(c_) == 0) screen_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
    }
    ~XClient() { xcb_disconnect(c_); }
    bool Ok() const { return screen_ != nullptr; }
    xcb_connection_t* Connection() const { return c_; }
    xcb_screen_t* Screen() const { return screen_; }

    xcb_atom_t Atom(const char* name) {
        auto* r = xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : 0;
        std::free(r);
        return a;
    }

    std::string Property(xcb_window_t w, xcb_atom_t name) {
        auto* r = xcb_get_property_reply(c_, xcb_get_property(c_, 0, w, name, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr);
        std::string value;
        if (r) value.assign(static_cast<const char*>(xcb_get_property_value(r)), xcb_get_property_value_length(r));
        std::free(r);
        return value;
    }

    bool GetGeometry(xcb_window_t w, Geometry* g) {
        auto* geo = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, w), nullptr);
        auto* tree = xcb_query_tree_reply(c_, xcb_query_tree(c_, w), nullptr);
        auto* abs = xcb_translate_coordinates_reply(c_, xcb_translate_coordinates(c_, w, screen_->root, 0, 0), nullptr);
        const bool ok = geo && tree && abs;
        if (ok) *g = Geometry{geo->x, geo->y, abs->dst_x, abs->dst_y, geo->width, geo->height, tree->parent};
        std::free(geo);
        std::free(tree);
        std::free(abs);
        return ok;
    }

    // The window's pixels as 32-bit blue, green, red, unused (the fourth byte cleared).
    std::vector<uint8_t> Pixels(xcb_window_t w, int32_t width, int32_t height) {
        auto* r = xcb_get_image_reply(c_, xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, w, 0, 0,
            static_cast<uint16_t>(width), static_cast<uint16_t>(height), ~0u), nullptr);
        std::vector<uint8_t> pixels;
        if (r) {
            const uint8_t* data = xcb_get_image_data(r);
            pixels.assign(data, data + xcb_get_image_data_length(r));
            for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 0;
        }
        std::free(r);
        return pixels;
    }

    // A window of the root (a top-level window without a window manager) with this title.
    xcb_window_t FindTopLevel(const std::string& title) {
        auto* tree = xcb_query_tree_reply(c_, xcb_query_tree(c_, screen_->root), nullptr);
        xcb_window_t found = 0;
        if (tree) {
            const xcb_window_t* children = xcb_query_tree_children(tree);
            for (int i = 0; i < xcb_query_tree_children_length(tree) && found == 0; ++i)
                if (Property(children[i], XCB_ATOM_WM_NAME) == title) found = children[i];
        }
        std::free(tree);
        return found;
    }

    // What a window manager sends when the user clicks the close button.
    void SendDelete(xcb_window_t w) {
        xcb_client_message_event_t e{};
        e.response_type = XCB_CLIENT_MESSAGE;
        e.format = 32;
        e.window = w;
        e.type = Atom("WM_PROTOCOLS");
        e.data.data32[0] = Atom("WM_DELETE_WINDOW");
        xcb_send_event(c_, 0, w, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&e));
        xcb_flush(c_);
    }

    void Flush() { xcb_flush(c_); }
    void Sync() { std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }

private:
    xcb_connection_t* c_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
};

// Polls cond until it holds or a generous deadline passes (a loaded machine is slow).
inline bool Eventually(const std::function<bool()>& cond, int32_t timeoutMs = 20000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (cond()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return cond();
}

// The client surface with the fourth byte cleared, comparable with XClient::Pixels.
inline std::vector<uint8_t> SurfacePixels(platform::WindowId window) {
    platform::ClientSurface s;
    if (!platform::ReadClientSurface(window, &s)) return {};
    for (size_t i = 3; i < s.pixels.size(); i += 4) s.pixels[i] = 0;
    return s.pixels;
}

// The X11 presenter on the test display, installed as the window system's presenter while it lives.
class DisplaySession {
public:
    // Empty on success, else why not.
    std::string Start() {
        x_ = std::make_unique<XClient>(TestDisplay());
        if (!x_->Ok()) return "cannot open " + TestDisplay();
        std::string note;
        presenter_ = platform::LoadX11Presenter(TestDisplay(), &note);
        if (!presenter_) return note;
        platform::SetPresenter(presenter_);
        return {};
    }
    ~DisplaySession() { platform::SetPresenter(nullptr); }

    XClient& X() { return *x_; }
    platform::Presenter& Presenter() { return *presenter_; }
    static xcb_window_t Native(platform::WindowId w) {
        return static_cast<xcb_window_t>(platform::NativeWindowId(w));
    }

private:
    std::unique_ptr<XClient> x_;
    std::shared_ptr<platform::Presenter> presenter_;
};

#define REZIVE_START_DISPLAY(session)                                 \
    do {                                                              \
        if (TestDisplay().empty()) GTEST_SKIP() << "no display";      \
        const std::string why = (session).Start();                    \
        ASSERT_TRUE(why.empty()) << why;                              \
    } while (0)

}  // namespace rezive::test
