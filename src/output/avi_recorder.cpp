#include "output/avi_recorder.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <system_error>

#include "imaging/dib_image.h"
#include "platform/clock.h"

namespace rezive {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(10);

// True when tick a is later than tick b, across the 32-bit wrap of the millisecond counter.
bool Later(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) > 0; }

}  // namespace

AviRecorder::AviRecorder(RecordingSource& source, EndCallback onEnd, Clock clock,
                         uint64_t maxFileBytes)
    : source_(source),
      onEnd_(std::move(onEnd)),
      clock_(clock ? std::move(clock) : Clock(platform::TickMs)),
      writer_(maxFileBytes) {}

AviRecorder::~AviRecorder() { Stop(); }

RecorderCounts AviRecorder::Counts() const {
    return RecorderCounts{recording_.load(), framesWritten_.load(), dropped_.load(),
                          activeQueueDepth_.load()};
}

void AviRecorder::SetQueueDepth(uint32_t depth) { queueDepth_ = depth; }

void AviRecorder::JoinFinished() {
    if (thread_.joinable() && !recording_.load()) thread_.join();
}

AviRecorder::StartResult AviRecorder::Start(const char* fileName, uint32_t durationMs) {
    platform::MutexLock control(controlMutex_);
    if (recording_.load()) return StartResult::AlreadyRecording;
    JoinFinished();  // a recording that ended by itself

    int32_t width = 0, height = 0;
    uint16_t bpp = 0;
    source_.WithCurrentImage([&](const CDibImage* image) {
        if (image == nullptr || image->Empty()) return;
        width = image->Width();
        height = image->Height();
        bpp = image->BitsPerPixel();
    });
    if (width <= 0 || height <= 0) return StartResult::NoImage;
    if (!work_.Prepare(width, height)) return StartResult::NoMemory;
    if (!writer_.Begin(fileName, width, height, bpp)) {
        work_.Release();
        return StartResult::FileFailed;
    }

    {
        platform::MutexLock lock(mutex_);
        newFrame_ = false;
        stop_ = false;
    }
    framesWritten_ = 0;
    recording_ = true;
    try {
        // The end test compares wrapping millisecond ticks, which order only half their range.
        thread_ = std::thread(&AviRecorder::Run, this, std::min<uint32_t>(durationMs, INT32_MAX));
    } catch (const std::system_error&) {
        recording_ = false;
        writer_.Finish(AviWriter::kNominalRate100);
        work_.Release();
        return StartResult::ThreadFailed;
    }
    return StartResult::Started;
}

void AviRecorder::NotifyNewFrame() {
    {
        platform::MutexLock lock(mutex_);
        newFrame_ = true;
    }
    wake_.NotifyOne();
}

void AviRecorder::Stop() {
    platform::MutexLock control(controlMutex_);
    {
        platform::MutexLock lock(mutex_);
        stop_ = true;
    }
    wake_.NotifyOne();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void AviRecorder::Run(uint32_t durationMs) {
    RecordingOutcome outcome;
    outcome.reason = RecordingEndReason::Stopped;
    bool first = true;
    uint32_t start = 0, end = 0, last = 0;
    bool done = false;

    while (!done) {
        {
            platform::MutexLock lock(mutex_);
            wake_.WaitFor(mutex_, kPollInterval,
                          [&]() NO_THREAD_SAFETY_ANALYSIS { return newFrame_ || stop_; });
            if (stop_) break;
            if (!newFrame_) continue;
            newFrame_ = false;
        }
        const uint32_t t = clock_();

        std::span<const uint8_t> frame;
        bool haveImage = false;
        source_.WithCurrentImage([&](const CDibImage* image) {
            if (image == nullptr || image->Empty()) return;
            haveImage = true;
            frame = ConvertFrameForAvi(*image, work_);
        });
        if (!haveImage) continue;  // nothing processed to record yet
        if (frame.empty()) {
            outcome.reason = RecordingEndReason::BadFrame;
            break;
        }
        if (first) {
            first = false;
            start = t;
            end = t + durationMs;
        }
        // The frame lives in this thread's work buffers, so the disk write needs no frame lock.
        const AviWriter::Status status = writer_.WriteFrame(frame.data(), frame.size());
        if (status != AviWriter::Status::Ok) {
            outcome.reason = status == AviWriter::Status::SizeLimit
                                 ? RecordingEndReason::SizeLimit
                                 : RecordingEndReason::WriteFailed;
            break;
        }
        last = t;
        framesWritten_ = writer_.FrameCount();
        if (Later(t, end)) {
            outcome.reason = RecordingEndReason::Completed;
            done = true;
        }
    }

    outcome.frames = writer_.FrameCount();
    outcome.rate100 = AviWriter::MeasuredRate100(outcome.frames, last - start);
    const bool finished = writer_.Finish(outcome.rate100);
    if (!finished && (outcome.reason == RecordingEndReason::Completed ||
                      outcome.reason == RecordingEndReason::Stopped))
        outcome.reason = RecordingEndReason::FinishFailed;
    work_.Release();
    recording_ = false;
    if (onEnd_) onEnd_(outcome);
}

}  // namespace rezive
