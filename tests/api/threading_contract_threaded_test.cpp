// The threading contract of the public header, at the points a reader should see stated: a
// window the model cannot read out is refused before it can size a buffer, the device cannot be
// switched under a running acquisition, a handle may be released while another thread is inside
// a call on it, and a frame handler may stop the preview from the message thread.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <thread>
#include <vector>

#include "support/test_env.h"
#include "support/api_camera_fixture.h"

namespace rezive::test {
namespace {

using ThreadingContract = ApiCameraTest;

struct Window {
    int32_t totalWidth, xOffset, width, totalHeight, yOffset, height;
};

Window CaptureWindowOf(RzHandle h) {
    Window w{};
    Rezive_GetCaptureWindowEx(h, &w.totalWidth, &w.xOffset, &w.width, &w.totalHeight, &w.yOffset,
                              &w.height);
    return w;
}

TEST_F(ThreadingContract, WindowsTheModelCannotReadOutAreRefusedAndChangeNothing) {
    camera_->SetTimeScale(0.2);
    Rezive_SetColorMode(handle_, 8);
    ASSERT_EQ(Rezive_SetCaptureWindowEx(handle_, 1280, 0, 640, 720, 0, 240), 1);
    const Window before = CaptureWindowOf(handle_);
    // Inside the sensor, so the capture-window rule alone accepts them.
    const Window narrow[] = {
        {1280, 0, 3, 720, 0, 240},    {1280, 0, 0, 720, 0, 240},   {1280, 0, 1, 720, 0, 720},
        {1280, 1277, 3, 720, 0, 720}, {1280, 0, 640, 720, 0, 0},   {1280, 0, 0, 720, 0, 0},
    };
    for (const Window& w : narrow) {
        SCOPED_TRACE(testing::Message() << w.width << " x " << w.height << " at " << w.xOffset);
        EXPECT_EQ(Rezive_SetCaptureWindowEx(handle_, w.totalWidth, w.xOffset, w.width,
                                            w.totalHeight, w.yOffset, w.height), 0);
        EXPECT_EQ(Rezive_GetLastError(handle_), RZ_ERR_CAPTURE_WINDOW);
        const Window after = CaptureWindowOf(handle_);
        EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
        // The frame still fits the buffer of the window in force; the bytes after it stay put.
        const size_t exact = size_t{640} * 240;
        std::vector<uint8_t> buffer(exact + 4096, 0xA5);
        ASSERT_EQ(Rezive_SnapShot(handle_, buffer.data(), static_cast<int32_t>(exact), 1), 1);
        for (size_t i = exact; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0xA5) << i;
    }
    EXPECT_EQ(Rezive_SetCaptureWindowEx(handle_, 1280, 0, 4, 720, 0, 1), 1) << "the smallest window";
}

TEST_F(ThreadingContract, DeviceSwitchIsRefusedWhileAnyAcquisitionRuns) {
    camera_->SetTimeScale(0.2);
    Rezive_SetPreviewWindow(handle_, 0, 0, 0, 0, 0);
    Rezive_SetWaitTime(handle_, 1);
    const std::string avi = TempPath(".avi");
    struct Start {
        const char* name;
        std::function<int32_t()> start;
    } const starts[] = {
        {"preview", [&] { return Rezive_StartPreview(handle_); }},
        {"capture", [&] { return Rezive_Capture(handle_); }},
        {"trigger", [&] { return Rezive_Trigger(handle_, callback_, nullptr, 0, 1); }},
        {"recording", [&] { return Rezive_Record(handle_, avi.c_str(), 60000, 0); }},
    };
    for (const Start& s : starts) {
        SCOPED_TRACE(s.name);
        ASSERT_EQ(s.start(), 1);
        EXPECT_EQ(Rezive_SetDeviceNumber(handle_, 0), 0);
        EXPECT_EQ(Rezive_GetLastError(handle_), RZ_ERR_NO_DEVICE);
        EXPECT_EQ(Rezive_SetCaptureWindowEx(handle_, 1280, 0, 640, 720, 0, 480), 0);
        Rezive_Close(handle_);
        EXPECT_EQ(Rezive_SetDeviceNumber(handle_, 0), 1) << "allowed again once stopped";
        while (Rezive_GetLastError(handle_) != 0) {
        }
    }
}

TEST_F(ThreadingContract, ReleaseWhileAnotherThreadIsInsideACall) {
    camera_->SetTimeScale(0.2);
    std::thread([] {}).join();  // a sanitizer's own helper thread starts with the first thread
    const int baseline = SettledThreadCount();
    for (int round = 0; round < 6; ++round) {
        const auto h = static_cast<RzHandle>(Rezive_Initialize(0));
        ASSERT_NE(h, 0u);
        Rezive_SetPreviewWindow(h, 0, 0, 0, 0, 0);
        std::atomic<bool> inside{false};
        std::thread caller([&] {
            std::vector<uint8_t> frame(1280 * 720 * 3);
            const int32_t size = static_cast<int32_t>(frame.size());
            // Ends once the handle is gone: every export then answers as for an unknown handle.
            for (int i = 0;; ++i) {
                inside = true;
                int32_t r = 0;
                switch ((i + round) % 4) {
                    case 0: r = Rezive_SnapShot(h, frame.data(), size, 1); break;
                    case 1: r = Rezive_StartPreview(h); break;
                    case 2: r = Rezive_SetCaptureWindowEx(h, 1280, 0, 1280, 720, 0, 720); break;
                    default: r = Rezive_Capture(h); break;
                }
                if (r == 0 && Rezive_GetColorMode(h) == -1) break;
            }
        });
        ASSERT_TRUE(WaitFor([&] { return inside.load(); }));
        EXPECT_EQ(Rezive_Release(h), 1);
        caller.join();
        EXPECT_EQ(Rezive_Release(h), 0) << "released once";
    }
    int left = 0;
    EXPECT_TRUE(WaitForThreadCount(baseline, &left))
        << "no acquisition thread outlives its camera: " << left << " threads, " << baseline;
}

TEST_F(ThreadingContract, FrameHandlerStopsThePreviewFromTheMessageThread) {
    camera_->SetTimeScale(0.2);
    Rezive_SetPreviewWindow(handle_, 0, 0, 0, 0, 0);
    // A wait time far longer than any test: the stop must cut the worker's wait short.
    Rezive_SetWaitTime(handle_, INT32_MAX);
    struct Context {
        RzHandle handle;
        std::atomic<int> stops{0};
    } context{handle_};
    ASSERT_EQ(RzSetMessageHandler(callback_, [](RzWindow, const RzMessage* m, void* user) {
        auto* c = static_cast<Context*>(user);
        if (m->message != RZ_WM_FRAME) return;
        if (Rezive_StopPreview(c->handle) == 1) c->stops.fetch_add(1);
    }, &context), 1);
    for (int round = 0; round < 3; ++round) {
        Rezive_SetWaitTime(handle_, round == 0 ? 1 : INT32_MAX);
        ASSERT_EQ(Rezive_CallBackPreview(handle_, callback_, nullptr, 0, 1), 1);
        if (round == 0) {
            ASSERT_TRUE(WaitFor([&] { return context.stops.load() > 0; }));
        } else {
            // No frame comes during the long wait; stopping from here must not wait it out.
            EXPECT_EQ(Rezive_StopPreview(handle_), 1);
        }
        // Idle again: the capture window may change.
        EXPECT_TRUE(WaitFor([&] {
            return Rezive_SetCaptureWindowEx(handle_, 1280, 0, 1280, 720, 0, 720) == 1;
        }));
    }
    RzSetMessageHandler(callback_, nullptr, nullptr);
}

}  // namespace
}  // namespace rezive::test
