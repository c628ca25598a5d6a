// Window registry: stands in for application windows and PostMessageA. A window is a nonzero
// 32-bit id. Message windows have a thread-safe queue and an optional handler that runs on a
// dispatcher thread of the window's own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace rezive::platform {

using WindowId = uint32_t;

struct Message {
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

using MessageHandler = std::function<void(WindowId, const Message&)>;

// Like a desktop message queue: posting fails once this many messages wait unread.
inline constexpr size_t kMaxQueuedMessages = 10000;

WindowId CreateMessageWindow();
// Destroys any window; false for an unknown id. Safe from the window's own handler.
bool DestroyWindow(WindowId window);
bool IsWindow(WindowId window);
// False for an unknown id (a no-op, like posting to a vanished window) or a full queue.
bool PostMessage(WindowId window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// 1 with *message filled, 0 on time-out, -1 for an unknown (or destroyed while waiting) window.
int32_t WaitMessage(WindowId window, Message* message, int32_t timeoutMs);
// An empty handler removes it; queued messages are then kept for WaitMessage.
bool SetMessageHandler(WindowId window, MessageHandler handler);

// ---- Preview windows: a window with a client surface that a presenter shows.

// Window classes: creation needs a registered class name.
bool RegisterWindowClass(const std::string& name);
bool UnregisterWindowClass(const std::string& name);
bool IsWindowClassRegistered(const std::string& name);

inline constexpr uint32_t kStyleChild = 0x52000000;     // child, visible, clip children
inline constexpr uint32_t kStyleTopLevel = 0x16CF0000;  // overlapped window, visible, clipping

struct WindowInfo {
    std::string className;
    std::string title;
    WindowId parent = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;   // client size: windows of this layer have no decoration
    int32_t height = 0;
    uint32_t style = 0;
    int32_t childId = 0;
    bool visible = true;
};

// Client pixels: 32-bit blue, green, red, unused; row 0 is the top row on screen.
struct ClientSurface {
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;
    std::vector<uint8_t> pixels;
};

// Largest client side a preview window may have: the surface behind it is width x height x 4
// bytes of memory, so a rectangle from an application (or a capture window that failed its
// checks) cannot ask for gigabytes.
inline constexpr int32_t kMaxClientSide = 16384;

// 0 when the class is not registered, the parent is not a window, or the size is not positive
// or above kMaxClientSide.
WindowId CreatePreviewWindow(const WindowInfo& info);
bool GetWindowInfo(WindowId window, WindowInfo* info);
// Runs draw on the client surface under the window's lock, then hands the surface to the
// presenter. False (draw not run) for an unknown, invisible or empty window.
bool DrawToClient(WindowId window,
                  const std::function<void(uint8_t* pixels, int32_t width, int32_t height,
                                           int32_t stride)>& draw);
// A copy of what the window shows (tests and tools).
bool ReadClientSurface(WindowId window, ClientSurface* surface);

struct ScreenSize {
    int32_t width;
    int32_t height;
};
// The screen that top-level windows are centred on (1920 x 1080 when headless).
ScreenSize GetScreenSize();

// Shows client surfaces somewhere: headless (nothing beyond the surface) unless a presenter is set.
class Presenter {
public:
    virtual ~Presenter() = default;
    virtual void Created(WindowId window, const WindowInfo& info) = 0;
    virtual void Present(WindowId window, const ClientSurface& surface) = 0;
    virtual void Destroyed(WindowId window) = 0;
    virtual ScreenSize Screen() const = 0;
};
void SetPresenter(std::shared_ptr<Presenter> presenter);

}  // namespace rezive::platform
