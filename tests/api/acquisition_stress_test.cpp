// Soak: hundreds of acquisition start/stop cycles with random settings and injected faults.
// Every call must return, nothing may hang or leak, and the threads must all be gone at the end.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "support/api_camera_fixture.h"

namespace rezive::test {
namespace {

using AcquisitionSoak = ApiCameraTest;

TEST_F(AcquisitionSoak, FiveHundredCyclesWithFaults) {
    const uint32_t seed = 20261208;
    std::mt19937 random(seed);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<uint32_t>(n)); };
    camera_->SetTimeScale(0.0);
    camera_->SetTimeoutLimitMs(200);
    Rezive_SetWaitTime(handle_, 1);
    Rezive_SetPreviewWindow(handle_, 0, 0, 0, 0, 0);
    Rezive_SetCaptureWindowEx(handle_, 1280, 0, 128, 720, 0, 16);
    std::vector<uint8_t> buffer(128 * 16 * 8);
    // A sanitizer may start a helper thread of its own with the process's first thread.
    std::thread([] {}).join();
    const int baseline = SettledThreadCount();
    static constexpr int32_t kBits[] = {8, 16, 24, 32, 48, 64};
    for (int cycle = 0; cycle < 500; ++cycle) {
        SCOPED_TRACE(testing::Message() << "seed " << seed << " cycle " << cycle);
        Rezive_SetColorMode(handle_, kBits[pick(6)]);
        Rezive_SetFilterValue(handle_, 1 + pick(5), pick(30) - 10);
        Rezive_SetGamma(handle_, 50 + pick(100));
        Rezive_SetGrayMode(handle_, pick(3));
        Rezive_SetMirrorH(handle_, pick(2));
        Rezive_SetMirrorV(handle_, pick(2));
        Rezive_SetAutoIris(handle_, pick(3));
        Rezive_SetBayerGainAuto(handle_, pick(2));
        switch (pick(5)) {
            case 0: camera_->FailNextTransfers(1 + pick(3)); break;
            case 1: camera_->ShortNextTransfers(1 + pick(3)); break;
            case 2: camera_->SetStalled(pick(2) == 0); break;
            case 3: camera_->FailExchanges(virtual_camera::kRegisterExchanges, 1 + pick(4)); break;
            default: break;
        }
        const int action = pick(5);
        const int32_t size = static_cast<int32_t>(buffer.size());
        if (action == 0) {
            Rezive_CallBackPreview(handle_, callback_, buffer.data(), size, pick(2));
        } else if (action == 1) {
            Rezive_StartPreview(handle_);
        } else if (action == 2) {
            Rezive_Capture(handle_);
            Rezive_SnapShot(handle_, buffer.data(), size, 1);
        } else if (action == 3) {
            Rezive_Trigger(handle_, callback_, buffer.data(), size, 1);
            RzSoftwareTrigger(handle_);
        } else {
            Rezive_SnapShot(handle_, buffer.data(), size, 0);
        }
        if (pick(4) == 0) {
            camera_->Unplug();
            camera_->Replug();
        }
        Rezive_GetImage(handle_, buffer.data(), size, 1);
        if (pick(2) == 0) std::this_thread::sleep_for(std::chrono::milliseconds(pick(5)));
        if (pick(3) == 0) Rezive_Close(handle_); else Rezive_StopPreview(handle_);
        camera_->SetStalled(false);
        camera_->FailExchanges(0, 0);
        Drain(callback_);
        Drain(app_);
        while (Rezive_GetLastError(handle_) != 0) {
        }
    }
    int left = 0;
    EXPECT_TRUE(WaitForThreadCount(baseline, &left)) << left << " threads, " << baseline
                                                     << " at the start";
}

}  // namespace
}  // namespace rezive::test
