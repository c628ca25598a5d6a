// The boundary between the library and a display presenter module (a shared object loaded at run
// time, so that the library itself links no display library and starts on a headless server).
// The module sees none of the library's symbols: what it needs from the window system it gets
// as the function pointers of PresenterHost.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/window_system.h"

namespace rezive::platform {

// Raised whenever PresenterHost, Presenter or the types they use change shape.
inline constexpr uint32_t kPresenterAbi = 1;

struct PresenterHost {
    uint32_t abi;
    bool (*destroyWindow)(WindowId window);
    bool (*resizeClient)(WindowId window, int32_t width, int32_t height);
    uint64_t (*nativeWindowId)(WindowId window);
};

// The module's entry point, looked up by this name. Returns a presenter owned by the caller
// (delete it to close the display), or null with a one-line reason in note.
using CreatePresenterFunction = Presenter* (*)(const PresenterHost* host, const char* display,
                                               char* note, size_t noteSize);
inline constexpr const char* kCreatePresenterSymbol = "rezive_create_presenter";

}  // namespace rezive::platform
