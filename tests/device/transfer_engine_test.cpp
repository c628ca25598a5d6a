#include <gtest/gtest.h>

#include <vector>

#include "device/rezive417dir_sdk.h"
#include "support/virtual_device_fixture.h"
#include "platform/clock.h"
#include "virtual_camera/frame_sequence.h"

namespace rezive {
namespace {

using test::VirtualDeviceTest;

class TransferEngineTest : public VirtualDeviceTest {
protected:
    void SetUp() override {
        VirtualDeviceTest::SetUp();
        Cam().SetTimeScale(0.0);
        model_ = std::make_unique<CRezive417DIRVUDSdk>();
    }
    void TearDown() override {
        model_.reset();
        VirtualDeviceTest::TearDown();
    }
    // The ring indices as the streaming thread and the consumer hand them over: under the lock.
    void SetIndices(int32_t write, int32_t read) {
        TransferBlock& block = model_->Block();
        platform::MutexLock lock(block.indexLock);
        block.writeIndex = write;
        block.readIndex = read;
    }
    int32_t ReadIndex() {
        TransferBlock& block = model_->Block();
        platform::MutexLock lock(block.indexLock);
        return block.readIndex;
    }
    // Waits for a ready frame (3) or the given other result, with a generous deadline.
    int32_t WaitFor(int32_t wanted) {
        for (int i = 0; i < 200; ++i) {
            const int32_t r = model_->WaitFrame();
            if (r == wanted || r == 3) return r;
            if (r == 1 || r == 0) return r;
        }
        return -1;
    }
    // Consumes frames until the run reports its end (1); -1 if it never does.
    int32_t WaitForFailure() {
        std::vector<uint8_t> out(static_cast<size_t>(model_->RingBufferSize()));
        for (int i = 0; i < 400; ++i) {
            const int32_t r = model_->WaitFrame();
            if (r == 1) return 1;
            if (r == 3) model_->DecodeNewest(out.data());
        }
        return -1;
    }
    std::unique_ptr<CRezive417DIRVUDSdk> model_;
};

struct GeometryCase {
    int32_t rawWidth, rawX, width, rawHeight, rawY, height, ring;
    int32_t result;
    int32_t transferSize;
};

TEST_F(TransferEngineTest, GeometryChecksAndTransferSizeRounding) {
    const GeometryCase cases[] = {
        {1280, 0, 1280, 720, 0, 720, 4, 0, 921600},
        {1000, 0, 1000, 1, 0, 1, 4, 0, 1024},
        {1024, 0, 1024, 1, 0, 1, 2, 0, 1024},  // exact multiple stays
        {100, 0, 50, 20, 2, 10, 4, 0, 2048},   // raw line x (height + y offset) = 1200
        {0, 0, 1, 1, 0, 1, 4, 3, -1},
        {10, 0, 0, 1, 0, 1, 4, 3, -1},
        {10, 0, 11, 1, 0, 1, 4, 3, -1},
        {10, -1, 5, 1, 0, 1, 4, 3, -1},  // window before the raw line
        {10, 6, 5, 1, 0, 1, 4, 3, -1},   // window past the raw line
        {10, 0, 10, 0, 0, 1, 4, 4, -1},
        {10, 0, 10, 5, 0, 0, 4, 4, -1},
        {10, 0, 10, 5, 1, 5, 4, 4, -1},
        {10, 0, 10, 5, -1, 2, 4, 4, -1},
        {10, 0, 10, 5, 0, 5, 1, 1, -1},
        {0, 0, 0, 0, 0, 0, 1, 3, -1},  // width checked first
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rawWidth << "x" << c.rawHeight << " y" << c.rawY);
        const int32_t before = model_->TransferSize();
        EXPECT_EQ(model_->SetGeometry(c.rawWidth, c.rawX, c.width, c.rawHeight, c.rawY, c.height, c.ring),
                  c.result);
        if (c.result == 0) {
            EXPECT_EQ(model_->TransferSize(), c.transferSize);
            EXPECT_EQ(model_->RingBufferSize(), 2 * c.transferSize);
            EXPECT_EQ(static_cast<int32_t>(Cam().TransferSize()), c.transferSize);
        } else {
            EXPECT_EQ(model_->TransferSize(), before);
        }
    }
}

TEST_F(TransferEngineTest, StreamsFramesAndStopsCleanly) {
    EXPECT_EQ(model_->StopStreaming(), 0);  // never started
    ASSERT_EQ(model_->StartStreaming(), 0);
    EXPECT_EQ(model_->StartStreaming(), 21);
    std::vector<uint8_t> out(1280 * 720);
    int decoded = 0;
    for (int i = 0; i < 400 && decoded < 5; ++i) {
        const int32_t r = model_->WaitFrame();
        ASSERT_NE(r, 1);
        if (r == 3) {
            EXPECT_EQ(model_->DecodeNewest(out.data()), 0);
            ++decoded;
        }
    }
    EXPECT_EQ(decoded, 5);
    EXPECT_EQ(model_->DecodeNewest(nullptr), 14);
    EXPECT_EQ(model_->StopStreaming(), 0);
    EXPECT_EQ(model_->WaitFrame(), 0);
    const auto stats = Cam().Stats();
    EXPECT_EQ(stats.lastImageLength, 921600u);
    EXPECT_GT(stats.inCodeImages, 0u);
    EXPECT_EQ(stats.largeCodeImages, 0u);
    EXPECT_EQ(stats.normalCodeImages, 0u);
}

TEST_F(TransferEngineTest, SixteenBitRunsRequestTwiceTheTransferSize) {
    model_->SetSampleWidth(true);
    ASSERT_EQ(model_->SetWindow(0, 0, 1280, 720, 0), 0);
    EXPECT_EQ(model_->SingleFrameLargeTransfer(), 0);  // 1,843,200 is below the large size
    ASSERT_EQ(model_->StartStreaming(), 0);
    EXPECT_EQ(model_->Block().transferLength, 1843200);
    ASSERT_EQ(WaitFor(3), 3);
    EXPECT_EQ(model_->StopStreaming(), 0);
    EXPECT_EQ(Cam().Stats().lastImageLength, 1843200u);
}

TEST_F(TransferEngineTest, LargeTransfersSwitchAtThreshold) {
    // 1500 x 1024 = 1,536,000 bytes: 8-bit stays below 3,072,000, 16-bit reaches it exactly.
    ASSERT_EQ(model_->SetGeometry(1500, 0, 1500, 1024, 0, 1024, 4), 0);
    model_->UpdateLargeTransferFlag();
    EXPECT_EQ(model_->SingleFrameLargeTransfer(), 0);
    model_->SetSampleWidth(true);
    model_->UpdateLargeTransferFlag();
    EXPECT_EQ(model_->SingleFrameLargeTransfer(), 1);
    EXPECT_EQ(model_->Block().largeTransfer.load(), 1);
    Cam().ResetStats();
    ASSERT_EQ(model_->TransferSingleFrame(), 0);
    ASSERT_EQ(model_->StartStreaming(), 0);
    ASSERT_EQ(WaitFor(3), 3);
    EXPECT_EQ(model_->StopStreaming(), 0);
    const auto stats = Cam().Stats();
    EXPECT_EQ(stats.lastImageLength, 3072000u);
    EXPECT_EQ(stats.inCodeImages, 0u);
    EXPECT_GE(stats.largeCodeImages, 2u);
}

TEST_F(TransferEngineTest, FirstShortTransferIsSkippedSecondEndsTheRun) {
    Cam().ShortNextTransfers(1);
    ASSERT_EQ(model_->StartStreaming(), 0);
    ASSERT_EQ(WaitFor(3), 3);
    EXPECT_EQ(model_->StopStreaming(), 0);
    EXPECT_EQ(Cam().Stats().shortImages, 1u);

    Cam().ShortNextTransfers(2);
    ASSERT_EQ(model_->StartStreaming(), 0);
    EXPECT_EQ(WaitForFailure(), 1);
    // The short request ends the run without being handed on as a frame: both shorts are
    // counted, no frame is.
    EXPECT_EQ(model_->Block().frames.load(), 0);
    EXPECT_EQ(model_->Counts().shortFrames, 2u);
    EXPECT_EQ(model_->Counts().transferred, 0u);
    EXPECT_EQ(model_->StopStreaming(), 19);
    EXPECT_EQ(model_->WaitFrame(), 0);
    EXPECT_EQ(model_->StopStreaming(), 0);
    EXPECT_EQ(model_->StartStreaming(), 0);  // a new run after a failed one
    EXPECT_EQ(WaitFor(3), 3);
    EXPECT_EQ(model_->StopStreaming(), 0);
}

TEST_F(TransferEngineTest, FailedTransferEndsTheRunWith19) {
    Cam().FailNextTransfers(1);
    ASSERT_EQ(model_->StartStreaming(), 0);
    EXPECT_EQ(WaitForFailure(), 1);
    EXPECT_EQ(model_->StopStreaming(), 19);
}

TEST_F(TransferEngineTest, MissingDeviceEndsTheRunWith10AndStopReportsZero) {
    Cam().Unplug();
    ASSERT_EQ(model_->StartStreaming(), 0);
    for (int i = 0; i < 500 && model_->Block().stopFlag.load() == 0; ++i) platform::SleepMs(10);
    EXPECT_EQ(model_->WaitFrame(), 0);
    EXPECT_EQ(model_->Block().status.load(), 10);
    EXPECT_EQ(model_->StopStreaming(), 0);
    Cam().Replug();
    model_->Open(0);
    ASSERT_EQ(model_->StartStreaming(), 0);
    EXPECT_EQ(WaitFor(3), 3);
    EXPECT_EQ(model_->StopStreaming(), 0);
}

TEST_F(TransferEngineTest, UnplugMidStreamEndsTheRunCleanly) {
    Cam().SetTimeScale(1.0);
    ASSERT_EQ(model_->StartStreaming(), 0);
    ASSERT_EQ(WaitFor(3), 3);
    Cam().Unplug();
    EXPECT_EQ(WaitForFailure(), 1);
    EXPECT_EQ(model_->StopStreaming(), 19);
    EXPECT_EQ(model_->StartStreaming(), 0);  // the device is still gone: status 10
    for (int i = 0; i < 500 && model_->Block().stopFlag.load() == 0; ++i) platform::SleepMs(10);
    EXPECT_EQ(model_->Block().status.load(), 10);
    EXPECT_EQ(model_->StopStreaming(), 0);
}

TEST_F(TransferEngineTest, WaitFrameTakesTheNewestEntry) {
    struct Case { int32_t write, read, result, newRead; };
    const Case cases[] = {
        {1, 3, 3, 0},  // two frames available across the wrap
        {2, 0, 3, 1},
        {0, 1, 3, 3},  // w - 1 = -1 after the wrap: last entry
        {0, 0, 1, 0},  // nothing available and no frame event: time-out result
    };
    ASSERT_EQ(model_->RingCount(), 4);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "w" << c.write << " r" << c.read);
        auto& block = model_->Block();
        block.stopFlag = 0;
        block.ringCount = 4;
        SetIndices(c.write, c.read);
        if (c.result == 1) {
            // Without frames WaitFrame waits up to 6 s for the event; a set event answers 2.
            block.stopFlag = 1;
            EXPECT_EQ(model_->WaitFrame(), 0);
            continue;
        }
        EXPECT_EQ(model_->WaitFrame(), c.result);
        EXPECT_EQ(ReadIndex(), c.newRead);
        block.stopFlag = 1;
    }
}

TEST_F(TransferEngineTest, DecodeNewestAdvancesAndWrapsTheReadIndex) {
    std::vector<uint8_t> out(1280 * 720);
    SetIndices(0, 3);
    EXPECT_EQ(model_->DecodeNewest(out.data()), 0);
    EXPECT_EQ(ReadIndex(), 0);
    EXPECT_EQ(model_->DecodeNewest(nullptr), 14);
    EXPECT_EQ(ReadIndex(), 0);
}

TEST_F(TransferEngineTest, SingleFrameTransfers) {
    std::vector<uint8_t> out(1280 * 720);
    EXPECT_EQ(model_->TransferSingleFrame(), 0);
    EXPECT_EQ(model_->DecodeSingleFrame(out.data()), 0);
    EXPECT_EQ(model_->DecodeSingleFrame(nullptr), 14);
    EXPECT_GE(virtual_camera::RecoverSequence(out.data(), 1280, 720, 1280, 1, false), 1);

    Cam().FailNextTransfers(1);
    EXPECT_EQ(model_->TransferSingleFrame(), 19);
    EXPECT_EQ(model_->SingleFrameStatus(), 19);
    EXPECT_EQ(model_->TransferSingleFrame(), 0);  // re-opens after the failure

    Cam().Unplug();
    EXPECT_EQ(model_->TransferSingleFrame(), 19);  // kept handle went stale
    EXPECT_EQ(model_->TransferSingleFrame(), 10);  // and now cannot be re-opened
    Cam().Replug();
    model_->Open(0);
    EXPECT_EQ(model_->TransferSingleFrame(), 0);
    model_->CloseSingleFrame();
}

TEST_F(TransferEngineTest, ConsecutiveFramesCarryConsecutiveSequenceNumbers) {
    std::vector<uint8_t> out(1280 * 720);
    int64_t previous = -1;
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(model_->TransferSingleFrame(), 0);
        ASSERT_EQ(model_->DecodeSingleFrame(out.data()), 0);
        const int64_t seq = virtual_camera::RecoverSequence(out.data(), 1280, 720, 1280, 1, false);
        if (previous >= 0) {
            EXPECT_EQ(seq, previous + 1);
        }
        previous = seq;
    }
    EXPECT_EQ(previous, Cam().Stats().lastSequence);
}

}  // namespace
}  // namespace rezive
