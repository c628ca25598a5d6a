// A thousand streaming runs with faults injected at random points: every run must end, report
// one of its documented results, and leave no thread behind.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "device/rezive417dir_sdk.h"
#include "support/threads.h"
#include "support/wait.h"
#include "support/virtual_device_fixture.h"
#include "platform/clock.h"

namespace rezive {
namespace {

using test::ThreadCount;
using test::WaitUntil;

enum class Fault { kNone, kFail, kShort, kStall, kUnplug, kExchanges, kCount };

using EngineStressTest = test::VirtualDeviceTest;

TEST_F(EngineStressTest, ThousandStartStopCyclesWithRandomFaults) {
    constexpr int kCycles = 1000;
    auto& cam = Cam();
    cam.SetTimeScale(0.0);
    CRezive417DIRVUDSdk model;
    // A small window keeps frames cheap; a short driver time-out keeps stalls short.
    ASSERT_EQ(model.SetWindow(0, 0, 128, 16, 0), 0);
    cam.SetTimeScale(0.02);
    cam.SetTimeoutLimitMs(30);
    // One clean run first: sanitizer runtimes start helper threads of their own on the first
    // thread creation, which must not count against the engine.
    ASSERT_EQ(model.StartStreaming(), 0);
    ASSERT_EQ(model.StopStreaming(), 0);
    const int baseline = test::SettledThreadCount();  // the joined run may still be listed
    std::mt19937 random(20261208);
    std::vector<uint8_t> out(128 * 16);
    int results[20] = {};

    for (int cycle = 0; cycle < kCycles; ++cycle) {
        const auto fault = static_cast<Fault>(random() % static_cast<int>(Fault::kCount));
        const bool beforeStart = random() % 2 == 0;
        const int framesFirst = static_cast<int>(random() % 3);
        auto inject = [&] {
            switch (fault) {
                case Fault::kFail: cam.FailNextTransfers(1 + random() % 2); break;
                case Fault::kShort: cam.ShortNextTransfers(1 + random() % 3); break;
                case Fault::kStall: cam.SetStalled(true); break;
                case Fault::kUnplug: cam.Unplug(); break;
                case Fault::kExchanges:
                    cam.FailExchanges(virtual_camera::kRegisterExchanges | virtual_camera::kPortExchanges, 3);
                    model.SetExposure(static_cast<int32_t>(600 + random() % 100));  // control during the run
                    break;
                default: break;
            }
        };
        if (beforeStart) inject();
        ASSERT_EQ(model.StartStreaming(), 0) << "cycle " << cycle;
        if (fault == Fault::kUnplug && beforeStart) {
            // The run cannot open the device: it ends by itself and never signals a frame.
            for (int i = 0; i < 2000 && model.Block().stopFlag.load() == 0; ++i) platform::SleepMs(1);
            ASSERT_EQ(model.Block().stopFlag.load(), 1) << "cycle " << cycle;
            EXPECT_EQ(model.WaitFrame(), 0);
        } else {
            int taken = 0;
            for (int i = 0; i < 50 && taken < framesFirst; ++i) {
                const int32_t r = model.WaitFrame();
                if (r == 3) {
                    ASSERT_EQ(model.DecodeNewest(out.data()), 0);
                    ++taken;
                }
                if (r == 0 || r == 1) break;
            }
            if (!beforeStart) inject();
            for (int i = 0; i < 3; ++i) {
                const int32_t r = model.WaitFrame();
                if (r == 3) model.DecodeNewest(out.data());
                if (r == 0 || r == 1) break;
            }
        }
        const int32_t status = model.StopStreaming();
        ASSERT_TRUE(status == 0 || status == 19) << "cycle " << cycle << " status " << status;
        ++results[status];
        EXPECT_EQ(model.WaitFrame(), 0);
        EXPECT_EQ(model.StopStreaming(), 0);

        // Heal the camera for the next cycle.
        cam.SetStalled(false);
        cam.FailNextTransfers(0);
        cam.ShortNextTransfers(0);
        cam.FailExchanges(0, 0);
        if (!cam.IsPlugged()) {
            cam.Replug();
            model.SendTransferSize();  // the power-cycled controller forgot it
            cam.SetTimeoutLimitMs(30);
        }
    }
    EXPECT_GT(results[0], 100);
    EXPECT_GT(results[19], 100);
    // Every streaming thread has been joined and has left the list.
    int left = 0;
    EXPECT_TRUE(test::WaitForThreadCount(baseline, &left)) << left << " threads, " << baseline
                                                           << " at the start";
}

}  // namespace
}  // namespace rezive
