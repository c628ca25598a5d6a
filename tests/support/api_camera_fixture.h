// A camera driven through the public C API: a camera object on virtual camera 0, with an
// application window and a callback window.
#pragma once

#include <gtest/gtest.h>

#include <ReziveSdk.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

#include "support/messages.h"
#include "support/threads.h"
#include "support/wait.h"
#include "virtual_camera/virtual_camera.h"

namespace rezive::test {

class ApiCameraTest : public testing::Test {
protected:
    void SetUp() override {
        setenv("REZIVE_VIRTUAL_CAMERAS", "1", 1);
        camera_ = &virtual_camera::CameraAt(0);
        camera_->Reset();
        app_ = RzCreateMessageWindow();
        callback_ = RzCreateMessageWindow();
        handle_ = static_cast<RzHandle>(Rezive_Initialize(app_));
        ASSERT_NE(handle_, 0u);
        Drain(app_);
        // Rezive_Initialize returns a handle even when the camera object could not be set up
        // (its claim region, say): the first call that needs the camera would then fail with a
        // code that hides why. A sound initialisation records nothing.
        std::vector<int32_t> codes;
        for (int32_t code; (code = Rezive_GetLastError(handle_)) != 0;) codes.insert(codes.begin(), code);
        ASSERT_TRUE(codes.empty()) << "initialisation recorded error " << codes.front();
    }

    void TearDown() override {
        if (handle_ != 0) Rezive_Release(handle_);
        RzDestroyWindow(app_);
        RzDestroyWindow(callback_);
        camera_->Reset();
        unsetenv("REZIVE_VIRTUAL_CAMERAS");
    }

    // Waits (generously: loaded machines) for the next frame message on the callback window;
    // failure messages are returned too.
    bool NextFrameMessage(RzMessage* out, int32_t timeoutMs = 30000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            RzMessage m;
            if (RzWaitMessage(callback_, &m, 100) == 1 && m.message == RZ_WM_FRAME) {
                *out = m;
                return true;
            }
        }
        return false;
    }

    // Polls cond until it holds or the deadline passes.
    static bool WaitFor(const std::function<bool()>& cond, int32_t timeoutMs = 30000) {
        return WaitUntil(cond, std::chrono::milliseconds(timeoutMs));
    }

    virtual_camera::VirtualCamera* camera_ = nullptr;
    RzWindow app_ = 0;
    RzWindow callback_ = 0;
    RzHandle handle_ = 0;
};

// The camera's frame counters (RzGetStreamStats), checked to be readable.
inline RzStreamStats StreamStatsOf(RzHandle handle) {
    RzStreamStats s{};
    s.size = sizeof s;
    EXPECT_EQ(RzGetStreamStats(handle, &s), 1);
    return s;
}

// Row stride of an image of the given width and bits per pixel.
inline int32_t StrideOf(int32_t width, int32_t bits) { return (width * (bits / 8) + 3) & ~3; }

}  // namespace rezive::test
