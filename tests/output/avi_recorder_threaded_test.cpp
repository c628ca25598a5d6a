// The recording thread against a fake frame source: timing, early stops and failing files.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "imaging/dib_image.h"
#include "output/avi_recorder.h"
#include "support/avi_walker.h"
#include "support/output_files.h"
#include "support/test_env.h"
#include "support/wait.h"

namespace rezive {
namespace {

using namespace std::chrono_literals;
constexpr auto kDeadline = 20s;

// A camera stand-in: one 24-bit image behind a frame lock; each produced frame carries its
// sequence number in its first pixel (top-left of the picture).
class FakeSource : public RecordingSource {
public:
    FakeSource(int32_t width, int32_t height, uint16_t bpp) { image_.Create(width, height, bpp); }

    void WithCurrentImage(const std::function<void(const CDibImage*)>& body) override {
        std::lock_guard lock(frameLock_);
        body(image_.Empty() ? nullptr : &image_);
    }

    // Produces frame n under the frame lock and tells the recorder, as the preview loop does.
    void Produce(AviRecorder& recorder, uint8_t n) {
        std::lock_guard lock(frameLock_);
        image_.Row(0)[0] = n;
        recorder.NotifyNewFrame(image_);
    }

    void Resize(int32_t width) {
        std::lock_guard lock(frameLock_);
        image_.Create(width, image_.Height(), image_.BitsPerPixel());
    }

private:
    std::mutex frameLock_;
    CDibImage image_;
};

// Collects the outcome reported from the recording thread.
class EndWatcher {
public:
    AviRecorder::EndCallback Callback() {
        return [this](const RecordingOutcome& o) {
            std::lock_guard lock(mutex_);
            outcome_ = o;
            cv_.notify_all();
        };
    }
    std::optional<RecordingOutcome> Wait() {
        std::unique_lock lock(mutex_);
        cv_.wait_for(lock, kDeadline, [&] { return outcome_.has_value(); });
        return outcome_;
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::optional<RecordingOutcome> outcome_;
};

uint64_t FirstChunk(int32_t width, int32_t height) {
    AviWriter writer;
    const std::string path = test::TempPath(".avi");
    EXPECT_TRUE(writer.Begin(path.c_str(), width, height, 24));
    return writer.DataEnd();
}

bool WaitFor(const std::function<bool()>& pred) { return test::WaitUntil(pred, kDeadline); }

// Frame count, rate and first-pixel sequence numbers of a finished file of 4 x 2 frames.
struct FileSummary {
    bool finished = false;
    uint32_t frames = 0;
    uint32_t scale = 0;
    std::vector<uint8_t> firstPixels;
};

FileSummary Summarise(const std::string& path, int32_t width, int32_t height) {
    FileSummary s;
    const test::AviWalk walk = test::WalkAvi(path);
    EXPECT_TRUE(walk.ok) << walk.error;
    if (!walk.ok) return s;
    const auto b = test::ReadAll(path);
    s.finished = (test::Le32(b, 44) & 0x10) != 0;  // idx1 written
    s.frames = walk.totalFrames;
    s.scale = test::Le32(b, 128);
    const size_t stride = (3 * width + 3) & ~3;
    for (const test::AviFrameRef& f : walk.frames) {
        // The picture's top row is the frame's last row.
        s.firstPixels.push_back(b[f.offset + (height - 1) * stride]);
    }
    return s;
}

// With a clock that the producer steps, the end and the rate follow the time stamps exactly:
// frames every 100 ms, duration 1000 ms: frames at 0 .. 1100 ms, the one at 1100 ends it.
TEST(AviRecorder, EndsOnTheFirstFrameAfterTheDurationWithTheMeasuredRate) {
    FakeSource source(4, 2, 24);
    std::atomic<uint32_t> now{5000};
    EndWatcher end;
    AviRecorder recorder(source, end.Callback(), [&] { return now.load(); });
    const std::string path = test::TempPath(".avi");
    ASSERT_EQ(recorder.Start(path.c_str(), 1000), AviRecorder::StartResult::Started);
    for (uint8_t n = 0; recorder.IsRecording() && n < 50; ++n) {
        now = 5000 + 100u * n;
        source.Produce(recorder, n);
        ASSERT_TRUE(WaitFor(
            [&] { return recorder.FramesWritten() == n + 1u || !recorder.IsRecording(); }));
    }
    const auto outcome = end.Wait();
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->reason, RecordingEndReason::Completed);
    EXPECT_EQ(outcome->frames, 12u);
    EXPECT_EQ(outcome->rate100, 12u * 100000 / 1100);
    const FileSummary s = Summarise(path, 4, 2);
    EXPECT_TRUE(s.finished);
    EXPECT_EQ(s.frames, 12u);
    EXPECT_EQ(s.scale, 1000000000u / outcome->rate100);
    for (uint32_t i = 0; i < s.firstPixels.size(); ++i) EXPECT_EQ(s.firstPixels[i], i);
}

TEST(AviRecorder, ADurationOfZeroStillHoldsTwoFrames) {
    FakeSource source(4, 2, 8);
    std::atomic<uint32_t> now{100};
    EndWatcher end;
    AviRecorder recorder(source, end.Callback(), [&] { return now.load(); });
    const std::string path = test::TempPath(".avi");
    ASSERT_EQ(recorder.Start(path.c_str(), 0), AviRecorder::StartResult::Started);
    source.Produce(recorder, 0);
    ASSERT_TRUE(WaitFor([&] { return recorder.FramesWritten() == 1; }));
    source.Produce(recorder, 1);  // same tick: not later than the end yet
    ASSERT_TRUE(WaitFor([&] { return recorder.FramesWritten() == 2; }));
    now = 101;
    source.Produce(recorder, 2);
    const auto outcome = end.Wait();
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->reason, RecordingEndReason::Completed);
    EXPECT_EQ(outcome->frames, 3u);
}

// Stopping early, or destroying the recorder, finishes the file with the frames so far.
TEST(AviRecorder, AnEarlyStopFinishesTheFile) {
    for (bool destroy : {false, true}) {
        SCOPED_TRACE(destroy ? "destroyed" : "stopped");
        FakeSource source(4, 2, 32);
        EndWatcher end;
        const std::string path = test::TempPath(".avi");
        {
            AviRecorder recorder(source, end.Callback());
            ASSERT_EQ(recorder.Start(path.c_str(), 3600000), AviRecorder::StartResult::Started);
            for (uint8_t n = 0; n < 5; ++n) {
                source.Produce(recorder, n);
                ASSERT_TRUE(WaitFor([&] { return recorder.FramesWritten() == n + 1u; }));
            }
            if (!destroy) {
                recorder.Stop();
                EXPECT_FALSE(recorder.IsRecording());
            }
        }
        const auto outcome = end.Wait();
        ASSERT_TRUE(outcome);
        EXPECT_EQ(outcome->reason, RecordingEndReason::Stopped);
        EXPECT_EQ(outcome->frames, 5u);
        const FileSummary s = Summarise(path, 4, 2);
        EXPECT_TRUE(s.finished);
        EXPECT_EQ(s.frames, 5u);
        EXPECT_NE(s.scale, 0u);
        if (test::Exists("/usr/bin/ffprobe")) {
            const std::string probe = test::Probe(path);
            EXPECT_NE(probe.find("nb_read_frames=5\n"), std::string::npos) << probe;
        }
    }
}

TEST(AviRecorder, ASecondStartIsRefusedAndTheFirstGoesOn) {
    FakeSource source(4, 2, 24);
    EndWatcher end;
    AviRecorder recorder(source, end.Callback());
    const std::string first = test::TempPath(".avi");
    const std::string second = test::TempPath(".avi");
    ASSERT_EQ(recorder.Start(first.c_str(), 3600000), AviRecorder::StartResult::Started);
    source.Produce(recorder, 0);
    ASSERT_TRUE(WaitFor([&] { return recorder.FramesWritten() == 1; }));
    EXPECT_EQ(recorder.Start(second.c_str(), 10), AviRecorder::StartResult::AlreadyRecording);
    EXPECT_FALSE(test::Exists(second));
    source.Produce(recorder, 1);
    ASSERT_TRUE(WaitFor([&] { return recorder.FramesWritten() == 2; }));
    recorder.Stop();
    EXPECT_EQ(Summarise(first, 4, 2).frames, 2u);

    // Once ended, the recorder starts again.
    ASSERT_EQ(recorder.Start(second.c_str(), 3600000), AviRecorder::StartResult::Started);
    recorder.Stop();
    EXPECT_TRUE(Summarise(second, 4, 2).finished);
}

TEST(AviRecorder, EndsCleanlyWhenTheFileOrFrameFails) {
    const uint64_t fb = 12 * 2;  // 4 x 2 frames
    struct Case {
        const char* name;
        uint64_t limit;
        bool resize;
        RecordingEndReason reason;
        uint32_t frames;
    } cases[] = {
        {"size limit", FirstChunk(4, 2) + 3 * (8 + fb) + 8 + 16 * 3, false,
         RecordingEndReason::SizeLimit, 3},
        {"image resized", UINT64_MAX, true, RecordingEndReason::BadFrame, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSource source(4, 2, 16);
        EndWatcher end;
        AviWriter::Limits limits;
        limits.maxFileBytes = c.limit;
        AviRecorder recorder(source, end.Callback(), {}, limits);
        const std::string path = test::TempPath(".avi");
        ASSERT_EQ(recorder.Start(path.c_str(), 3600000), AviRecorder::StartResult::Started);
        for (uint8_t n = 0; n < 3; ++n) {
            source.Produce(recorder, n);
            ASSERT_TRUE(WaitFor([&] { return recorder.FramesWritten() == n + 1u; }));
        }
        if (c.resize) source.Resize(6);
        source.Produce(recorder, 3);
        const auto outcome = end.Wait();
        ASSERT_TRUE(outcome);
        EXPECT_EQ(outcome->reason, c.reason);
        EXPECT_EQ(outcome->frames, c.frames);
        EXPECT_FALSE(recorder.IsRecording());
        const FileSummary s = Summarise(path, 4, 2);
        EXPECT_TRUE(s.finished);
        EXPECT_EQ(s.frames, c.frames);
    }
}

TEST(AviRecorder, StartFailures) {
    FakeSource empty(0, 0, 24);  // no image yet
    AviRecorder noImage(empty);
    const std::string path = test::TempPath(".avi");
    EXPECT_EQ(noImage.Start(path.c_str(), 100), AviRecorder::StartResult::NoImage);
    EXPECT_FALSE(test::Exists(path));

    FakeSource source(4, 2, 24);
    AviRecorder recorder(source);
    EXPECT_EQ(recorder.Start(test::TempDir().c_str(), 100), AviRecorder::StartResult::FileFailed);
    EXPECT_EQ(recorder.Start(nullptr, 100), AviRecorder::StartResult::FileFailed);
    EXPECT_FALSE(recorder.IsRecording());
    recorder.Stop();  // nothing running: harmless
}

// A disk that cannot keep up: the writer is held on its first frame while the preview hands
// over more. The queue takes exactly its depth; every later frame is dropped and counted, and
// the file holds exactly the frames that were not, in order.
TEST(AviRecorder, AFullQueueDropsAndCountsExactly) {
    for (uint32_t depth : {1u, 3u, 8u}) {
        SCOPED_TRACE(depth);
        FakeSource source(4, 2, 24);
        EndWatcher end;
        AviRecorder recorder(source, end.Callback());
        recorder.SetQueueDepth(depth);
        std::mutex gateMutex;
        std::condition_variable gateCv;
        bool held = false, open = false;
        recorder.SetBeforeWrite([&] {
            std::unique_lock lock(gateMutex);
            held = true;
            gateCv.notify_all();
            gateCv.wait_for(lock, kDeadline, [&] { return open; });
        });
        const std::string path = test::TempPath(".avi");
        ASSERT_EQ(recorder.Start(path.c_str(), 3600000), AviRecorder::StartResult::Started);
        source.Produce(recorder, 0);
        {
            std::unique_lock lock(gateMutex);
            ASSERT_TRUE(gateCv.wait_for(lock, kDeadline, [&] { return held; }));
        }
        constexpr uint8_t kFrames = 20;
        for (uint8_t n = 1; n < kFrames; ++n) source.Produce(recorder, n);
        EXPECT_EQ(recorder.Counts().dropped, kFrames - 1u - depth);
        {
            std::lock_guard lock(gateMutex);
            open = true;
        }
        gateCv.notify_all();
        ASSERT_TRUE(WaitFor([&] { return recorder.FramesWritten() == 1 + depth; }));
        recorder.Stop();
        const RecorderCounts counts = recorder.Counts();
        EXPECT_EQ(counts.recorded, 1u + depth);
        EXPECT_EQ(counts.recorded + counts.dropped, kFrames);
        EXPECT_EQ(counts.queueDepth, depth);
        const FileSummary s = Summarise(path, 4, 2);
        ASSERT_EQ(s.firstPixels.size(), 1u + depth);
        for (uint32_t i = 0; i < s.firstPixels.size(); ++i) EXPECT_EQ(s.firstPixels[i], i);
        EXPECT_TRUE(test::WalkAvi(path).ok) << test::WalkAvi(path).error;
    }
}

// A stop writes what the queue already holds before it finishes the file.
TEST(AviRecorder, AStopWritesTheQueuedFrames) {
    FakeSource source(4, 2, 24);
    AviRecorder recorder(source);
    recorder.SetQueueDepth(16);
    std::atomic<bool> slow{true};
    recorder.SetBeforeWrite([&] {
        if (slow) std::this_thread::sleep_for(5ms);
    });
    const std::string path = test::TempPath(".avi");
    ASSERT_EQ(recorder.Start(path.c_str(), 3600000), AviRecorder::StartResult::Started);
    for (uint8_t n = 0; n < 10; ++n) source.Produce(recorder, n);
    recorder.Stop();
    const RecorderCounts counts = recorder.Counts();
    EXPECT_EQ(counts.recorded + counts.dropped, 10u);
    EXPECT_EQ(counts.dropped, 0u);
    EXPECT_EQ(Summarise(path, 4, 2).frames, 10u);
}

}  // namespace
}  // namespace rezive
