// Acquisition with other threads in play: frames counted by their sequence numbers, and stops
// racing Rezive_Close and Rezive_Release.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "support/api_camera_fixture.h"
#include "virtual_camera/frame_sequence.h"

namespace rezive::test {
namespace {

using AcquisitionThreaded = ApiCameraTest;

TEST_F(AcquisitionThreaded, DeliveredFramesNeverRepeatAndDropsAreCounted) {
    camera_->SetTimeScale(0.5);
    camera_->SetSequenceStamp(true);
    Rezive_SetWaitTime(handle_, 1);
    Rezive_SetColorMode(handle_, 8);  // the raw mosaic: the stamp survives unprocessed
    Rezive_SetPreviewWindow(handle_, 0, 0, 0, 0, 0);
    std::vector<uint8_t> buffer(1280 * 720);
    struct Seen {
        std::mutex mutex;
        std::vector<int64_t> sequences;
    } seen;
    const int32_t size = static_cast<int32_t>(buffer.size());
    // The handler runs on the window's dispatcher thread and reads the newest frame under the
    // frame lock (the callback buffer itself may already be receiving the next frame).
    struct Context {
        RzHandle handle;
        Seen* seen;
    } context{handle_, &seen};
    ASSERT_EQ(RzSetMessageHandler(callback_, [](RzWindow, const RzMessage* m, void* user) {
        auto* c = static_cast<Context*>(user);
        if (m->message != RZ_WM_FRAME || m->wParam == 0) return;
        std::vector<uint8_t> frame(1280 * 720);
        if (Rezive_GetImage(c->handle, frame.data(), static_cast<int32_t>(frame.size()), 1) != 1)
            return;
        const int64_t s = virtual_camera::RecoverSequence(frame.data(), 1280, 720, 1280, 1, false);
        std::lock_guard lock(c->seen->mutex);
        c->seen->sequences.push_back(s);
    }, &context), 1);
    ASSERT_EQ(Rezive_CallBackPreview(handle_, callback_, buffer.data(), size, 1), 1);
    ASSERT_TRUE(WaitFor([&] {
        std::lock_guard lock(seen.mutex);
        return seen.sequences.size() >= 40;
    }));
    Rezive_StopPreview(handle_);
    RzSetMessageHandler(callback_, nullptr, nullptr);
    std::lock_guard lock(seen.mutex);
    int64_t dropped = 0;
    for (size_t i = 1; i < seen.sequences.size(); ++i) {
        const int64_t step = seen.sequences[i] - seen.sequences[i - 1];
        // The newest-frame rule only ever skips forward: a frame never comes back.
        EXPECT_GE(step, 0) << "frame " << i;
        if (step > 1) dropped += step - 1;
    }
    EXPECT_GE(seen.sequences.front(), 0) << "frames carry their sequence number";
    RecordProperty("dropped", static_cast<int>(dropped));
}

TEST_F(AcquisitionThreaded, StopsRacingCloseAndReleaseAllComplete) {
    camera_->SetTimeScale(0.2);
    for (int round = 0; round < 8; ++round) {
        const auto h = static_cast<RzHandle>(Rezive_Initialize(0));
        Rezive_SetPreviewWindow(h, 0, 0, 0, 0, 0);
        ASSERT_EQ(Rezive_CallBackPreview(h, callback_, nullptr, 0, 1), 1);
        std::vector<std::thread> threads;
        threads.emplace_back([h] { Rezive_StopPreview(h); });
        threads.emplace_back([h] { Rezive_Close(h); });
        threads.emplace_back([h, round] {
            if (round % 2 == 0) Rezive_Release(h);
            else Rezive_StopPreview(h);
        });
        for (auto& t : threads) t.join();
        Rezive_Release(h);
        Drain(callback_);
    }
}

}  // namespace
}  // namespace rezive::test
