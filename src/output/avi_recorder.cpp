#include "output/avi_recorder.h"

#include "output/avi_frame.h"
#include "platform/clock.h"

namespace rezive {
namespace {

constexpr int32_t kPollMs = 10;
constexpr int32_t kFileError = 12;

}  // namespace

AviRecorder::AviRecorder(uint64_t maxFileBytes) : writer_(maxFileBytes) {}

AviRecorder::~AviRecorder() { Stop(); }

AviRecorder::StartResult AviRecorder::Start(const char* fileName, int32_t durationMs,
                                            Source source,
                                            std::function<void(int32_t)> onFailure) {
    std::lock_guard control(control_);
    // A second recording would reset the writer under the running one: refuse it.
    if (recording_ != 0) return StartResult::kBusy;
    if (thread_.joinable()) thread_.join();  // a recording that ended by itself
    int32_t width = 0, height = 0;
    uint16_t bits = 0;
    {
        std::lock_guard frame(*source.frameLock);
        if (const CDibImage* image = source.image()) {
            width = image->Width();
            height = image->Height();
            bits = image->BitsPerPixel();
        }
    }
    if (!writer_.Begin(fileName, width, height, bits)) return StartResult::kFileFailed;
    source_ = std::move(source);
    onFailure_ = std::move(onFailure);
    frames_ = 0;
    newFrame_ = 0;
    recording_ = 1;
    try {
        thread_ = std::thread([this, durationMs] { Run(durationMs); });
    } catch (const std::system_error&) {
        recording_ = 0;
        writer_.Reset();
        return StartResult::kThreadFailed;
    }
    return StartResult::kStarted;
}

void AviRecorder::Stop() {
    std::lock_guard control(control_);
    recording_ = 0;
    if (thread_.joinable()) thread_.join();
}

void AviRecorder::FinishFile(uint32_t frames, uint32_t elapsedMs) {
    writer_.Finish(AviWriter::MeasuredRate100(frames, elapsedMs));
}

void AviRecorder::Run(int32_t durationMs) {
    AviFrameBuffers buffers;
    buffers.Prepare(writer_.Width(), writer_.Height());
    bool started = false;
    uint32_t start = 0, end = 0, last = 0, count = 0;
    while (recording_ != 0) {
        platform::SleepMs(kPollMs);
        if (newFrame_.exchange(0) == 0) continue;
        const uint32_t t = platform::TickMs();
        if (!started) {
            started = true;
            start = t;
            end = t + static_cast<uint32_t>(durationMs);
        }
        AviWriter::Status status;
        {
            std::lock_guard frame(*source_.frameLock);
            const CDibImage* image = source_.image();
            const auto bytes = image ? ConvertFrameForAvi(*image, buffers) : std::span<const uint8_t>{};
            status = bytes.empty() ? AviWriter::Status::BadFrame
                                   : writer_.WriteFrame(bytes.data(), bytes.size());
        }
        if (status == AviWriter::Status::BadFrame) continue;  // e.g. the image was re-sized
        if (status != AviWriter::Status::Ok) {
            // A full disk or the size limit: keep what was written and report it.
            FinishFile(count, last - start);
            recording_ = 0;
            if (onFailure_) onFailure_(kFileError);
            break;
        }
        frames_ = ++count;
        last = t;
        if (static_cast<int32_t>(end - t) < 0) {
            FinishFile(count, t - start);
            recording_ = 0;
            break;
        }
    }
    // Stopped early (Rezive_StopPreview, Rezive_Close or teardown): finish with what was written.
    if (writer_.IsOpen()) FinishFile(count, last - start);
    buffers.Release();
}

}  // namespace rezive
