// AviRecorder: the recording thread that turns preview frames into an AVI file.
//
// The preview loop hands every fully processed frame to NotifyNewFrame, which copies it into a
// free slot of a bounded queue (its depth fixed when the recording starts) and returns. The
// recording thread converts queued frames into 24-bit frames and writes them, without the frame
// lock. A frame is dropped, and counted, only when every slot is still waiting for the disk.
// While the recording runs the file's header is brought up to date at least once a second, so a
// process that dies leaves a file readable up to about its last second.
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
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

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
    SizeLimit,    // one more frame would have passed the file-size limit or the super index
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
    // limits: the file's RIFF size and its largest size (tests make both small).
    explicit AviRecorder(RecordingSource& source, EndCallback onEnd = {}, Clock clock = {},
                         AviWriter::Limits limits = {});
    ~AviRecorder();  // stops a running recording (its file is finished)
    AviRecorder(const AviRecorder&) = delete;
    AviRecorder& operator=(const AviRecorder&) = delete;

    // Takes the size and depth of the current image (under the frame lock), creates the file and
    // starts the thread. A running recording is left alone (AlreadyRecording). On FileFailed no
    // file is left behind; on ThreadFailed the empty file is finished.
    StartResult Start(const char* fileName, uint32_t durationMs);
    // Called by the preview loop with each fully processed frame, under the frame lock: queues a
    // copy, or counts the frame dropped when the queue is full. One producer thread at a time.
    void NotifyNewFrame(const CDibImage& image);
    // Ends a running recording, finishes its file and waits for the thread. Never call it while
    // holding the frame lock (the thread may be waiting for it) or from the EndCallback.
    void Stop();

    bool IsRecording() const { return recording_.load(); }
    // Frames written by the current or last recording.
    uint32_t FramesWritten() const { return framesWritten_.load(); }
    RecorderCounts Counts() const;
    // Frames the queue holds for recordings started later; 0 restores the default
    // (REZIVE_RECORD_QUEUE, else kDefaultQueueDepth).
    void SetQueueDepth(uint32_t depth);
    static constexpr uint32_t kDefaultQueueDepth = 8;
    static constexpr uint32_t kMaxQueueDepth = 256;
    // Tests: runs before every frame write on the recording thread (a slow disk).
    void SetBeforeWrite(std::function<void()> hook) { beforeWrite_ = std::move(hook); }

private:
    // A queued frame: a copy of the processed image and the tick it was handed over at.
    struct Slot {
        CDibImage image;
        uint32_t tick = 0;
    };

    void Run(uint32_t durationMs);
    void JoinFinished() RZ_REQUIRES(controlMutex_);
    bool PrepareSlots(const CDibImage& like, uint32_t depth);

    RecordingSource& source_;
    EndCallback onEnd_;
    Clock clock_;
    AviWriter writer_;
    AviFrameBuffers work_;

    std::function<void()> beforeWrite_;

    platform::Mutex mutex_;  // guards the queue and stop_ with wake_
    platform::CondVar wake_;
    std::vector<std::unique_ptr<Slot>> slots_;  // made by Start, before the thread exists
    std::vector<Slot*> free_ RZ_GUARDED_BY(mutex_);
    std::deque<Slot*> ready_ RZ_GUARDED_BY(mutex_);
    bool accepting_ RZ_GUARDED_BY(mutex_) = false;  // a recording takes frames
    bool producing_ RZ_GUARDED_BY(mutex_) = false;  // a frame is being copied into a slot
    bool stop_ RZ_GUARDED_BY(mutex_) = false;

    platform::Mutex controlMutex_ RZ_ACQUIRED_BEFORE(mutex_);  // serialises Start and Stop
    std::thread thread_ RZ_GUARDED_BY(controlMutex_);
    std::atomic<bool> recording_{false};
    std::atomic<uint32_t> framesWritten_{0};
    std::atomic<uint64_t> dropped_{0};
    std::atomic<uint32_t> queueDepth_{0};        // asked for; 0 = default
    std::atomic<uint32_t> activeQueueDepth_{0};  // of the current or last recording
};

}  // namespace rezive
