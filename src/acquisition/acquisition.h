// CAcquisition: the acquisition modes of one camera (preview, capture, trigger), the worker
// thread that turns the frame stream into processed images, the snapshot path, the copy into
// the caller's buffer, the frame messages and the preview window. The entry points and the mode
// changes are in acquisition.cpp, the worker loops and the per-frame steps in
// acquisition_worker.cpp.
//
// Two modes live here: the acquisition mode (AcquisitionMode: idle, preview, capture, trigger)
// and the colour mode (0..5, the pixel layout of the frames, which is also the slot of its frame
// buffer). Names say which: acquisitionMode_, colorMode, preparedColorMode_.
//
// Locks, in the order they nest: control_ (entry points that start or stop acquisition; the
// camera object calls them under its own lock, which comes first), then frameLock_ (the frame
// buffers, the callback target and the preview window's drawing). The worker thread takes only
// the frame lock and never waits for a caller, so a stop may join it while holding control_.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "acquisition/acquisition_host.h"
#include "acquisition/defect_list.h"
#include "acquisition/frame_pipeline.h"
#include "acquisition/frame_info_pool.h"
#include "acquisition/frame_rate.h"
#include "acquisition/preview_window.h"
#include "acquisition/state_gate.h"
#include "acquisition/stream_counters.h"
#include "imaging/dib_image.h"
#include "platform/event.h"
#include "platform/mutex.h"
#include "platform/window_system.h"
#include "settings/records.h"

namespace rezive {

class CRezive417DIRVUDSdk;
struct FrameStamp;

// The counts of one acquisition with the model's transfer counts beside them.
struct AcquisitionCounts {
    StreamCounts frames;
    uint64_t transferred = 0;
    uint64_t failedTransfers = 0;
    uint64_t shortTransfers = 0;
};

enum class AcquisitionMode : int32_t { kIdle = 0, kPreview = 1, kCapture = 2, kTrigger = 3 };

class CAcquisition {
public:
    static constexpr int32_t kNoFrameTimeoutMs = 6000;
    static constexpr int32_t kTriggerTimeoutMs = 60000;

    CAcquisition(AcquisitionHost& host, CameraSettings settings);
    ~CAcquisition();
    CAcquisition(const CAcquisition&) = delete;
    CAcquisition& operator=(const CAcquisition&) = delete;

    // Creates the nine empty image buffers; false when one cannot be made.
    bool CreateBuffers();
    void SetModel(CRezive417DIRVUDSdk* model) { model_ = model; }

    void SetPreviewGeometry(platform::WindowId parent, const std::array<int32_t, 4>& rect)
        RZ_EXCLUDES(control_);
    int32_t Preview() RZ_EXCLUDES(control_);
    int32_t CallBackPreview(platform::WindowId window, void* buffer, int32_t size, int32_t topDown)
        RZ_EXCLUDES(control_);
    int32_t StartPreview() RZ_EXCLUDES(control_);
    // Never from the worker thread's own frame processing, nor while holding the frame lock.
    int32_t StopPreview() RZ_EXCLUDES(control_, frameLock_);
    int32_t Capture() RZ_EXCLUDES(control_);
    int32_t SnapShot(void* buffer, int32_t size, int32_t topDown) RZ_EXCLUDES(control_);
    int32_t GetImage(void* buffer, int32_t size, int32_t topDown) RZ_EXCLUDES(frameLock_);
    int32_t Trigger(platform::WindowId window, void* buffer, int32_t size, int32_t topDown)
        RZ_EXCLUDES(control_);
    int32_t Close() RZ_EXCLUDES(control_, frameLock_);

    // Trigger mode only: parks the trigger loop (run flag 2: it idles without taking frames) or
    // lets it run again; false in any other mode.
    bool ParkTrigger(bool parked) RZ_EXCLUDES(control_);
    // The property dialog open on this camera, which the frame processing keeps up to date.
    DialogObserverSlot& Dialog() { return pipeline_.Dialog(); }

    // The acquisition mode changes only under control_; reading it is lock-free for views and
    // tests, while decisions are taken under control_ (State()).
    AcquisitionMode Mode() const { return acquisitionMode_.load(); }
    AcquisitionState State() const;
    bool ImageAvailable() const { return imageAvailable_.load() != 0; }
    DefectList& Defects() { return defects_; }

    // For the recorder and the still-image writer: the frame lock that guards the buffers, the
    // buffer of a colour mode, and a flag the worker raises after each processed frame.
    platform::Mutex& FrameLock() RZ_RETURN_CAPABILITY(frameLock_) { return frameLock_; }
    CDibImage* Image(int slot) const { return images_[static_cast<size_t>(slot)].get(); }
    // Called by the worker, under the frame lock, with the output image after each processed
    // preview frame. Set once, before acquisition starts.
    using FrameListener = std::function<void(const CDibImage&)>;
    void SetFrameListener(FrameListener listener) { frameListener_ = std::move(listener); }
    // The frame counts since the acquisition started (exact; see stream_counters.h). Call it
    // under the camera's lock, which keeps the model in place.
    AcquisitionCounts Counts() const;
    // Opens the preview window (for a recording asked to show one); false records nothing.
    bool OpenPreviewWindow() RZ_EXCLUDES(control_, frameLock_);
    bool PreviewWindowWanted() const { return preview_.Wanted(); }
    void ClearCallbackTarget() RZ_EXCLUDES(frameLock_);

    // Tests and tools: the preview window, the frame record, the prepared colour mode.
    platform::WindowId PreviewWindowId() const { return preview_.Window(); }
    const std::string& PreviewClassName() const { return preview_.ClassName(); }
    const FrameInfoRecord& FrameInfo() const { return *frameInfo_; }
    // The meta of the frame last copied into buffer (a callback target or a snapshot's buffer),
    // among the last kBufferMetaDepth buffers written; false when buffer is not one of them, or
    // has been made the callback target again since.
    static constexpr size_t kBufferMetaDepth = 4;
    bool BufferMeta(const void* buffer, FrameMeta* meta) RZ_EXCLUDES(frameLock_);
    int32_t PreparedColorMode() const { return preparedColorMode_.load(); }

private:
    // Frame buffer slots of the colour modes: a colour mode's frames go to the slot of its number.
    enum ColorSlot : int {
        kRaw8 = 0, kRaw16 = 1, kColor24 = 2, kColor32 = 3, kColor48 = 4, kColor64 = 5
    };
    // The colour modes whose samples are 16-bit words; their raw mosaic is kRaw16.
    static bool SixteenBitColorMode(int32_t colorMode) {
        return colorMode == 1 || colorMode == 4 || colorMode == 5;
    }

    bool Prepare() RZ_REQUIRES(control_) RZ_EXCLUDES(frameLock_);
    int32_t StartPreviewLocked() RZ_REQUIRES(control_) RZ_EXCLUDES(frameLock_);
    int32_t StopPreviewLocked() RZ_REQUIRES(control_) RZ_EXCLUDES(frameLock_);
    int32_t CloseLocked() RZ_REQUIRES(control_) RZ_EXCLUDES(frameLock_);
    int32_t PreviewLocked() RZ_REQUIRES(control_) RZ_EXCLUDES(frameLock_);
    bool StartWorker() RZ_REQUIRES(control_);
    void WorkerMain() RZ_EXCLUDES(control_);
    void PreviewLoop() RZ_EXCLUDES(control_, frameLock_);
    void TriggerLoop() RZ_EXCLUDES(control_, frameLock_);
    // Decodes the received frame into the raw buffer (ring or single-frame) and processes it;
    // false when the decode failed or the model's frame no longer fits the prepared buffers.
    bool DecodeAndProcess(bool fromRing, FrameStamp* stamp) RZ_REQUIRES(frameLock_);
    // Counts a taken frame; returns the frames skipped just before it.
    uint32_t CountTaken(const FrameStamp& stamp);
    void FillFrameInfo(int32_t frameRate10, const FrameStamp& stamp, uint32_t skippedBefore)
        RZ_REQUIRES(frameLock_);
    // The meta of the frame just processed: its stamp with the exposure and gain in force.
    FrameMeta MetaOf(const FrameStamp& stamp, uint32_t skippedBefore) const;
    // Notes that buffer now holds the frame of meta.
    void RememberBufferLocked(const void* buffer, const FrameMeta& meta) RZ_REQUIRES(frameLock_);
    // Frames the ring still held when the run stopped count as skipped. After the worker ended.
    void CountLeftInRing();

    bool CopyOut(const CDibImage& source, int32_t topDown, void* destination, int32_t size)
        RZ_REQUIRES(frameLock_);
    void PostToCallback(platform::WindowId window, uintptr_t wParam, intptr_t lParam);
    void SetCallbackTarget(platform::WindowId window, void* buffer, int32_t size, int32_t topDown)
        RZ_EXCLUDES(frameLock_);
    void DrawLocked() RZ_REQUIRES(frameLock_);

    AcquisitionHost& host_;
    CameraSettings settings_;
    CRezive417DIRVUDSdk* model_ = nullptr;
    std::array<std::unique_ptr<CDibImage>, 9> images_;
    FramePipeline pipeline_;
    DefectList defects_;
    PreviewWindow preview_;

    // Entry points that start or stop acquisition are serialised, so Rezive_Close,
    // Rezive_StopPreview and Rezive_Release may race safely.
    platform::Mutex control_ RZ_ACQUIRED_BEFORE(frameLock_);
    platform::Mutex frameLock_;

    std::atomic<AcquisitionMode> acquisitionMode_{AcquisitionMode::kIdle};  // written under control_
    std::atomic<int32_t> run_{0};  // 0 stop, 1 run, 2 pause
    std::atomic<int32_t> preparedColorMode_{-1};
    std::atomic<int32_t> imageAvailable_{0};
    std::thread worker_ RZ_GUARDED_BY(control_);
    // Keeps the shared pool's helpers running while the worker runs; dropped after its join.
    std::optional<platform::WorkerPool::Lease> poolLease_ RZ_GUARDED_BY(control_);
    // Set by a stop: the worker's wait between frames ends at once instead of sleeping out a long
    // wait time. Made before the worker starts and kept until it has been joined.
    platform::Event stopRequested_{true};
    FrameListener frameListener_;
    StreamCounters counters_;
    uint64_t lastTaken_ = 0;  // sequence of the last ring frame taken; the worker's, or a stop's
                              // after the join

    // Callback target: written under the frame lock, read by the worker under it.
    struct CallbackTarget {
        platform::WindowId window = 0;
        void* buffer = nullptr;
        int32_t size = 0;
        int32_t topDown = 0;
    };
    CallbackTarget callback_ RZ_GUARDED_BY(frameLock_);
    // Copies the output into the callback target and counts the outcome; false when refused.
    bool DeliverLocked(const CallbackTarget& target) RZ_REQUIRES(frameLock_);

    // Posted by address with every frame message; from the process-wide pool, so a message
    // read after this camera is gone still points at a record.
    FrameInfoRecord* const frameInfo_;
    FrameMeta frameMeta_ RZ_GUARDED_BY(frameLock_);  // of the frame frameInfo_ describes
    // The last buffers frames were copied into, newest at bufferMetaNext_ - 1: a caller that
    // swaps callback buffers asks for the one it took back, whose frame the record no longer
    // describes once the next frame is in.
    struct BufferMetaEntry {
        const void* buffer = nullptr;
        FrameMeta meta;
    };
    std::array<BufferMetaEntry, kBufferMetaDepth> bufferMeta_ RZ_GUARDED_BY(frameLock_);
    size_t bufferMetaNext_ RZ_GUARDED_BY(frameLock_) = 0;
    uint64_t snapshots_ RZ_GUARDED_BY(frameLock_) = 0;  // snapshots taken, their sequence
    // Seconds per sensor line, read when acquisition is prepared (0: unknown).
    std::atomic<double> lineSeconds_{0.0};
    FrameRateMeter frameRate_;
};

}  // namespace rezive
