#include "output/avi_recorder.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <system_error>

#include "imaging/dib_image.h"
#include "platform/clock.h"

namespace rezive {

namespace {

// How often the thread looks at its stop request and at the header's age with no frame coming.
constexpr auto kPollInterval = std::chrono::milliseconds(10);
// The header is brought up to date at least this often while frames are written.
constexpr auto kCheckpointInterval = std::chrono::milliseconds(500);

// True when tick a is later than tick b, across the 32-bit wrap of the millisecond counter.
bool Later(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) > 0; }

uint32_t DefaultQueueDepth() {
    if (const char* env = std::getenv("REZIVE_RECORD_QUEUE"); env != nullptr && *env != '\0') {
        char* end = nullptr;
        const long v = std::strtol(env, &end, 10);
        if (end != env && *end == '\0' && v >= 1 && v <= AviRecorder::kMaxQueueDepth)
            return static_cast<uint32_t>(v);
    }
    return AviRecorder::kDefaultQueueDepth;
}

bool SameGeometry(const CDibImage& a, const CDibImage& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() &&
           a.BitsPerPixel() == b.BitsPerPixel() && a.Stride() == b.Stride();
}

}  // namespace

AviRecorder::AviRecorder(RecordingSource& source, EndCallback onEnd, Clock clock,
                         AviWriter::Limits limits)
    : source_(source),
      onEnd_(std::move(onEnd)),
      clock_(clock ? std::move(clock) : Clock(platform::TickMs)),
      writer_(limits) {}

AviRecorder::~AviRecorder() { Stop(); }

RecorderCounts AviRecorder::Counts() const {
    return RecorderCounts{recording_.load(), framesWritten_.load(), dropped_.load(),
                          activeQueueDepth_.load()};
}

void AviRecorder::SetQueueDepth(uint32_t depth) {
    queueDepth_ = std::min(depth, kMaxQueueDepth);
}

void AviRecorder::JoinFinished() {
    if (thread_.joinable() && !recording_.load()) thread_.join();
}

bool AviRecorder::PrepareSlots(const CDibImage& like, uint32_t depth) {
    slots_.clear();
    for (uint32_t i = 0; i < depth; ++i) {
        auto slot = std::unique_ptr<Slot>(new (std::nothrow) Slot);
        if (!slot || slot->image.CreateLike(&like) != 1) {
            slots_.clear();
            return false;
        }
        // 8-bit frames are the gray mosaic; the conversion reads their colour table.
        if (like.BitsPerPixel() == 8) slot->image.SetPalette(0, nullptr, 0, 256);
        slots_.push_back(std::move(slot));
    }
    return true;
}

AviRecorder::StartResult AviRecorder::Start(const char* fileName, uint32_t durationMs) {
    platform::MutexLock control(controlMutex_);
    if (recording_.load()) return StartResult::AlreadyRecording;
    JoinFinished();  // a recording that ended by itself

    const uint32_t depth = queueDepth_.load() != 0 ? queueDepth_.load() : DefaultQueueDepth();
    int32_t width = 0, height = 0;
    uint16_t bpp = 0;
    bool slotsMade = false;
    source_.WithCurrentImage([&](const CDibImage* image) {
        if (image == nullptr || image->Empty()) return;
        width = image->Width();
        height = image->Height();
        bpp = image->BitsPerPixel();
        slotsMade = PrepareSlots(*image, depth);
    });
    if (width <= 0 || height <= 0) return StartResult::NoImage;
    if (!slotsMade || !work_.Prepare(width, height)) {
        slots_.clear();
        return StartResult::NoMemory;
    }
    if (!writer_.Begin(fileName, width, height, bpp)) {
        work_.Release();
        slots_.clear();
        return StartResult::FileFailed;
    }

    {
        platform::MutexLock lock(mutex_);
        free_.clear();
        for (auto& slot : slots_) free_.push_back(slot.get());
        ready_.clear();
        stop_ = false;
        accepting_ = true;
    }
    framesWritten_ = 0;
    dropped_ = 0;
    activeQueueDepth_ = depth;
    recording_ = true;
    try {
        // The end test compares wrapping millisecond ticks, which order only half their range.
        thread_ = std::thread(&AviRecorder::Run, this, std::min<uint32_t>(durationMs, INT32_MAX));
    } catch (const std::system_error&) {
        {
            platform::MutexLock lock(mutex_);
            accepting_ = false;
        }
        recording_ = false;
        writer_.Finish(AviWriter::kNominalRate100);
        work_.Release();
        return StartResult::ThreadFailed;
    }
    return StartResult::Started;
}

void AviRecorder::NotifyNewFrame(const CDibImage& image) {
    Slot* slot = nullptr;
    {
        platform::MutexLock lock(mutex_);
        if (!accepting_) return;
        if (free_.empty()) {
            ++dropped_;  // the disk is behind by a whole queue
            return;
        }
        slot = free_.back();
        free_.pop_back();
        producing_ = true;
    }
    // The slot is this thread's until it is queued: the copy runs without the queue lock. A frame
    // of another geometry is queued empty and ends the recording as a bad frame.
    if (SameGeometry(slot->image, image) && !image.Empty())
        std::memcpy(slot->image.Bits(), image.Bits(), image.SizeBytes());
    else
        slot->image.Destroy();
    slot->tick = clock_();
    {
        platform::MutexLock lock(mutex_);
        ready_.push_back(slot);
        producing_ = false;
    }
    wake_.NotifyAll();
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
    using Steady = std::chrono::steady_clock;
    RecordingOutcome outcome;
    outcome.reason = RecordingEndReason::Stopped;
    bool first = true;
    uint32_t start = 0, end = 0, last = 0;
    Steady::time_point checkpointDue = Steady::now() + kCheckpointInterval;

    for (;;) {
        Slot* slot = nullptr;
        bool stopping = false;
        {
            platform::MutexLock lock(mutex_);
            wake_.WaitFor(mutex_, kPollInterval,
                          [&]() RZ_NO_THREAD_SAFETY_ANALYSIS { return !ready_.empty() || stop_; });
            // A stop still writes the frames already queued: they were accepted.
            if (!ready_.empty()) {
                slot = ready_.front();
                ready_.pop_front();
            } else {
                stopping = stop_;
            }
        }
        if (stopping) break;
        if (slot == nullptr) {
            if (Steady::now() >= checkpointDue && writer_.FrameCount() > 0) {
                writer_.Checkpoint(AviWriter::MeasuredRate100(writer_.FrameCount(), last - start));
                checkpointDue = Steady::now() + kCheckpointInterval;
            }
            continue;
        }

        const uint32_t t = slot->tick;
        const std::span<const uint8_t> frame = slot->image.Empty()
                                                   ? std::span<const uint8_t>{}
                                                   : ConvertFrameForAvi(slot->image, work_);
        {
            platform::MutexLock lock(mutex_);
            free_.push_back(slot);
        }
        if (frame.empty()) {
            outcome.reason = RecordingEndReason::BadFrame;
            break;
        }
        if (first) {
            first = false;
            start = t;
            end = t + durationMs;
        }
        if (beforeWrite_) beforeWrite_();
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
            break;
        }
        if (Steady::now() >= checkpointDue) {
            writer_.Checkpoint(AviWriter::MeasuredRate100(writer_.FrameCount(), last - start));
            checkpointDue = Steady::now() + kCheckpointInterval;
        }
    }

    {
        // Frames queued after the last one the recording keeps are not part of it.
        platform::MutexLock lock(mutex_);
        accepting_ = false;
        // A copy under way finishes into its slot before the slots go.
        wake_.Wait(mutex_, [&]() RZ_NO_THREAD_SAFETY_ANALYSIS { return !producing_; });
        ready_.clear();
        free_.clear();
    }
    slots_.clear();
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
