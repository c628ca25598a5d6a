// AviRecorder: records the processed preview frames into an AVI file for a fixed time, on a
// thread of its own that polls the new-frame flag the preview raises after each frame.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "imaging/dib_image.h"
#include "output/avi_writer.h"

namespace rezive {

class AviRecorder {
public:
    // The frame source: the lock that guards the frame buffers and, under it, the image to record.
    struct Source {
        std::mutex* frameLock = nullptr;
        std::function<const CDibImage*()> image;
    };
    enum class StartResult { kStarted, kBusy, kFileFailed, kThreadFailed };

    explicit AviRecorder(uint64_t maxFileBytes = AviWriter::kMaxFileBytes);
    ~AviRecorder();
    AviRecorder(const AviRecorder&) = delete;
    AviRecorder& operator=(const AviRecorder&) = delete;

    // Opens fileName for frames of the source image's size and starts the thread. durationMs
    // counts from the first recorded frame. onFailure runs (on the recording thread) with error
    // 12 when a write fails or the file reaches its size limit; the file is then finished with
    // the frames written so far.
    StartResult Start(const char* fileName, int32_t durationMs, Source source,
                      std::function<void(int32_t)> onFailure);
    // Ends a running recording early: the file is finished with the frames written so far.
    void Stop();
    bool Recording() const { return recording_.load() != 0; }
    // The flag the preview raises after each fully processed frame.
    std::atomic<int32_t>& NewFrameFlag() { return newFrame_; }
    // Frames of the last (or running) recording.
    uint32_t FramesRecorded() const { return frames_.load(); }

private:
    void Run(int32_t durationMs);
    void FinishFile(uint32_t frames, uint32_t elapsedMs);

    std::mutex control_;
    AviWriter writer_;
    Source source_;
    std::function<void(int32_t)> onFailure_;
    std::thread thread_;
    std::atomic<int32_t> recording_{0};
    std::atomic<int32_t> newFrame_{0};
    std::atomic<uint32_t> frames_{0};
};

}  // namespace rezive
