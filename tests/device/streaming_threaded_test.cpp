// The streaming thread, a consumer and control exchanges running at once.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "device/rezive417dir_sdk.h"
#include "support/virtual_device_fixture.h"
#include "virtual_camera/frame_sequence.h"

namespace rezive {
namespace {

using StreamingThreadedTest = test::VirtualDeviceTest;

TEST_F(StreamingThreadedTest, ConsumerSeesNewerFramesWhileSettingsChange) {
    Cam().SetTimeScale(0.0);
    CRezive417DIRVUDSdk model;
    ASSERT_EQ(model.SetWindow(0, 0, 256, 32, 0), 0);
    Cam().SetTimeScale(0.05);
    ASSERT_EQ(model.StartStreaming(), 0);

    std::atomic<bool> done{false};
    std::thread control([&] {
        int i = 0;
        while (!done.load()) {
            model.SetExposure(600 + (i++ % 50));
            int32_t value = 0;
            model.ReadPort(7, &value);
            model.WritePort(7, i & 0xFF);
        }
    });

    std::vector<uint8_t> out(256 * 32);
    int64_t previous = -1;
    int frames = 0;
    for (int i = 0; i < 2000 && frames < 60; ++i) {
        const int32_t r = model.WaitFrame();
        ASSERT_NE(r, 1);
        if (r != 3) continue;
        ASSERT_EQ(model.DecodeNewest(out.data()), 0);
        const int64_t seq = virtual_camera::RecoverSequence(out.data(), 256, 32, 256, 1, false);
        // The consumer always takes the newest complete entry: never an older or the same one.
        EXPECT_GT(seq, previous);
        previous = seq;
        ++frames;
    }
    done = true;
    control.join();
    EXPECT_EQ(frames, 60);
    EXPECT_EQ(model.StopStreaming(), 0);
}

TEST_F(StreamingThreadedTest, StopWakesAConsumerWaitingForAFrame) {
    Cam().SetTimeScale(0.0);
    CRezive417DIRVUDSdk model;
    Cam().SetStalled(true);
    Cam().SetTimeoutLimitMs(20000);
    ASSERT_EQ(model.StartStreaming(), 0);
    std::atomic<int32_t> result{-1};
    std::thread consumer([&] { result = model.WaitFrame(); });
    // Stop ends the run after the request in flight; unstalling lets it finish at once.
    std::thread stopper([&] { model.StopStreaming(); });
    Cam().SetStalled(false);
    stopper.join();
    consumer.join();
    EXPECT_NE(result.load(), -1);
    EXPECT_EQ(model.WaitFrame(), 0);
}

}  // namespace
}  // namespace rezive
