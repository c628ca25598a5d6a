// Window registry: stands in for application windows and PostMessageA. A window is a nonzero
// 32-bit id. Message windows have a thread-safe queue and an optional handler that runs on a
// dispatcher thread of the window's own.
#pragma once

#include <cstdint>
#include <functional>

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

}  // namespace rezive::platform
