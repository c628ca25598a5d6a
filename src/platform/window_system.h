// window system: stands in for application windows and PostMessageA. A window is a nonzero
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
// The user (or the application, through the native window) resized a preview window: the client
// surface takes the new size, black until the next frame is drawn into it. False for an unknown
// window or a size that CreatePreviewWindow would refuse.
bool ResizeClient(WindowId window, int32_t width, int32_t height);

// ---- Native windows of the display (an X11 window id; 0 = none).

// A window that stands for an application's own native window: a message window (so it can
// receive the library's messages) whose native id presenters use as the parent of child preview
// windows. 0 for a native id of 0.
WindowId WrapNativeWindow(uint64_t nativeId);
// The wrapped id of such a window, or the native window a presenter shows a preview window in;
// 0 when there is none (headless, or a plain message window).
uint64_t NativeWindowId(WindowId window);

struct ScreenSize {
    int32_t width;
    int32_t height;
};
// The screen that top-level windows are centred on (1920 x 1080 when headless).
ScreenSize GetScreenSize();

struct PresenterStats {
    uint64_t presented = 0;  // frames handed over by Present
    uint64_t drawn = 0;      // frames that reached the display
    uint64_t dropped = 0;    // frames replaced by a newer one before they could be drawn
    uint64_t repaints = 0;   // redraws of the last frame asked for by the display (expose)
    bool sharedMemory = false;  // frames go to the display through shared memory
};

// Shows client surfaces somewhere: headless (nothing beyond the surface) unless a presenter is set.
// Present runs on the acquisition worker under the window's lock: it must hand the pixels off and
// return without waiting for a display. Created and Destroyed run on application threads (and
// Destroyed also on a presenter's own thread, when the user closes a window) with no window-table
// lock held.
class Presenter {
public:
    virtual ~Presenter() = default;
    virtual void Created(WindowId window, const WindowInfo& info) = 0;
    virtual void Present(WindowId window, const ClientSurface& surface) = 0;
    virtual void Destroyed(WindowId window) = 0;
    virtual ScreenSize Screen() const = 0;
    // The native window showing a preview window, 0 if none.
    virtual uint64_t NativeId(WindowId /*window*/) const { return 0; }
    // Waits until everything handed over so far has been shown (or dropped) and the display has
    // processed it; false on time-out or a lost display.
    virtual bool Sync(int32_t /*timeoutMs*/) { return true; }
    virtual PresenterStats Stats() const { return {}; }
};
// Sets the presenter explicitly (null: headless); no display presenter is loaded after that.
void SetPresenter(std::shared_ptr<Presenter> presenter);
// The presenter in use: on first need (a preview window or the screen size) the display presenter
// module is loaded when a display is reachable, unless SetPresenter came first.
std::shared_ptr<Presenter> CurrentPresenter();

}  // namespace rezive::platform
