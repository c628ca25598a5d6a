// The companion window and message API.
#include "ReziveSdk.h"
#include "api/dispatch.h"
#include "platform/window_system.h"

namespace platform = rezive::platform;

RZ_API RzWindow RzCreateMessageWindow(void) {
    try {
        return platform::CreateMessageWindow();
    } catch (...) {
        return 0;
    }
}

RZ_API int32_t RzDestroyWindow(RzWindow window) {
    try {
        return platform::DestroyWindow(window) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

RZ_API int32_t RzWaitMessage(RzWindow window, RzMessage* message, int32_t timeoutMs) {
    try {
        if (message == nullptr) return -1;
        platform::Message m;
        const int32_t result = platform::WaitMessage(window, &m, timeoutMs);
        if (result == 1) *message = RzMessage{m.message, m.wParam, m.lParam};
        return result;
    } catch (...) {
        return -1;
    }
}

RZ_API int32_t RzPostMessage(RzWindow window, uint32_t message, uintptr_t wParam,
                             intptr_t lParam) {
    try {
        return platform::PostMessage(window, message, wParam, lParam) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

RZ_API int32_t RzSetMessageHandler(RzWindow window, RzMessageHandler handler, void* user) {
    try {
        platform::MessageHandler h;
        if (handler != nullptr) {
            h = [handler, user](platform::WindowId id, const platform::Message& m) {
                const RzMessage message{m.message, m.wParam, m.lParam};
                handler(id, &message, user);
            };
        }
        return platform::SetMessageHandler(window, std::move(h)) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

RZ_API RzWindow RzWrapNativeWindow(uint64_t nativeId) {
    try {
        return platform::WrapNativeWindow(nativeId);
    } catch (...) {
        return 0;
    }
}

RZ_API int32_t RzGetNativeWindow(RzWindow window, uint64_t* nativeId) {
    try {
        if (nativeId == nullptr) return 0;
        const uint64_t id = platform::NativeWindowId(window);
        if (id == 0) return 0;
        *nativeId = id;
        return 1;
    } catch (...) {
        return 0;
    }
}
