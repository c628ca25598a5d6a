// AviRecorder: the recording thread that turns preview frames into an AVI file.
//
// The preview loop calls NotifyNewFrame after each fully processed frame. The recording thread
// wakes on it (or every 10 ms to look at its stop request), takes the frame lock through the
// RecordingSource, converts the current image into a 24-bit frame, leaves the lock and writes the
// frame. At most one frame is taken per wake-up: frames that arrive while one is converted or
// written are skipped, never queued.
//
// A recording lasts durationMs from its first frame: the first frame stamped later than that ends
// it, so even a duration of 0 holds two frames. The file is then finished with the measured rate
// (frames x 100000 / ms between the first and the last frame, in hundredths per second).
//
// Failure behaviour: a recording never ends with an unreadable file. Stop(), destruction, a failed
// write, the file-size limit or a frame that cannot be converted (the image changed size) all end
// it by finishing the file with the frames written so far, the rate measured up to the last
// of them. The end is reported once, from the recording thread, through the EndCallback: the
// owner records an error for every reason but Completed and Stopped.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "output/avi_frame.h"
#include "output/avi_writer.h"
#include "platform/mutex.h"

namespace rezive {

class CDibImage;

// What the recorder needs from the camera.
class RecordingSource {
public:
    virtual ~RecordingSource() = default;
    // Calls body once with the current image of the colour mode (null when there is none) while
    // holding the frame lock, so the acquisition cannot replace the image meanwhile.
    virtual void WithCurrentImage(const std::function<void(const CDibImage*)>& body) = 0;
};

enum class RecordingEndReason {
    Completed,    // the duration passed
    Stopped,      // Stop() or destruction ended it early
    WriteFailed,  // the disk refused a frame (e.g. full)
    SizeLimit,    // one more frame would have passed the 32-bit RIFF size
    BadFrame,     // the image could not be converted (its size changed)
    FinishFailed, // every frame was written but the index or header patch failed
};

// The counters of the current or last recording.
struct RecorderCounts {
    bool recording = false;
    uint64_t recorded = 0;
    uint64_t dropped = 0;
    uint32_t queueDepth = 0;
};

struct RecordingOutcome {
    RecordingEndReason reason = RecordingEndReason::Completed;
    uint32_t frames = 0;
    uint32_t rate100 = 0;
};

class AviRecorder {
public:
    enum class StartResult {
        Started,
        AlreadyRecording,  // one is running; it goes on untouched
        NoImage,           // no processed image to take the frame size from
        NoMemory,          // the work images cannot be allocated
        FileFailed,        // the file can be neither truncated nor created, or not written
        ThreadFailed,
    };
    using EndCallback = std::function<void(const RecordingOutcome&)>;
    using Clock = std::function<uint32_t()>;

    // clock: milliseconds (the multimedia-timer stand-in by default).
    explicit AviRecorder(RecordingSource& source, EndCallback onEnd = {}, Clock clock = {},
                         uint64_t maxFileBytes = AviWriter::kMaxFileBytes);
    ~AviRecorder();  // stops a running recording (its file is finished)
    AviRecorder(const AviRecorder&) = delete;
    AviRecorder& operator=(const AviRecorder&) = delete;

    // Takes the size and depth of the current image (under the frame lock), creates the file and
    // starts the thread. A running recording is left alone (AlreadyRecording). On FileFailed no
    // file is left behind; on ThreadFailed the empty file is finished.
    StartResult Start(const char* fileName, uint32_t durationMs);
    // Called by the preview loop after each fully processed frame (may hold the frame lock).
    void NotifyNewFrame();
    // Ends a running recording, finishes its file and waits for the thread. Never call it while
    // holding the frame lock (the thread may be waiting for it) or from the EndCallback.
    void Stop();

    bool IsRecording() const { return recording_.load(); }
    // Frames written by the current or last recording.
    uint32_t FramesWritten() const { return framesWritten_.load(); }
    RecorderCounts Counts() const;
    // Frames the queue holds for recordings started later; 0 restores the default.
    void SetQueueDepth(uint32_t depth);

private:
    void Run(uint32_t durationMs);
    void JoinFinished() REQUIRES(controlMutex_);

    RecordingSource& source_;
    EndCallback onEnd_;
    Clock clock_;
    AviWriter writer_;
    AviFrameBuffers work_;

    platform::Mutex mutex_;  // guards newFrame_ and stop_ with wake_
    platform::CondVar wake_;
    bool newFrame_ GUARDED_BY(mutex_) = false;
    bool stop_ GUARDED_BY(mutex_) = false;

    platform::Mutex controlMutex_ ACQUIRED_BEFORE(mutex_);  // serialises Start and Stop
    std::thread thread_ GUARDED_BY(controlMutex_);
    std::atomic<bool> recording_{false};
    std::atomic<uint32_t> framesWritten_{0};
    std::atomic<uint64_t> dropped_{0};
    std::atomic<uint32_t> queueDepth_{0};        // asked for; 0 = default
    std::atomic<uint32_t> activeQueueDepth_{0};  // of the current or last recording
};

}  // namespace rezive
