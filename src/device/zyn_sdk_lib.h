// CZYNSdkLib: the model base class shared by camera models. It owns device selection and the
// transport's member exchanges, the frame geometry with its buffers, the transfer ring and its
// streaming thread, and the raw frame copy.
//
// Threads: the camera object calls the model under its camera lock; the worker thread calls it
// too (frame decoding, and automatic exposure writes exposure and gain). So the device selection
// has a lock of its own, the state the worker reads without the camera lock is atomic (here the
// sample width; a camera model keeps its own sensor state the same way), and the frame geometry
// and buffers are changed only while no transfer runs (SetGeometry refuses otherwise; the
// camera's state gate refuses the calls that would lead there). The members below are grouped
// by the thread that owns them.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/device_result.h"
#include "device/transport.h"
#include "platform/event.h"
#include "platform/mutex.h"

namespace rezive {

// Where a ring frame came from: its place in the run (1 for the first frame transferred, so the
// frames between two taken ones are the ones skipped) and when its transfer completed, in
// microseconds of the monotonic clock.
struct FrameStamp {
    uint64_t sequence = 0;
    uint64_t captureUs = 0;
};

// The transfer counters of one run, exact: every image request ends in exactly one of them.
struct TransferCounts {
    uint64_t transferred = 0;  // whole frames put into the ring
    uint64_t failed = 0;       // requests that failed (the run ends on one)
    uint64_t shortFrames = 0;  // requests that moved fewer bytes than a frame (never delivered)
};

// The record shared with the streaming thread. The thread writes the counters, status and
// flags; the consumer writes the read index. The two indices change hands under indexLock so
// that the entry the consumer copies is never the one the thread fills.
struct TransferBlock {
    // Set by the starting thread before the streaming thread exists; read-only while it runs.
    int32_t transferLength = 0;
    int32_t ringCount = 0;
    uint8_t* const* ringTable = nullptr;
    std::string devicePath;  // copied at start: selecting another device must not move a run

    // Atomic: reset at start, then written by the streaming thread; read by the consumer and
    // the stopping thread.
    std::atomic<int32_t> frames{0};
    std::atomic<int32_t> status{0};
    std::atomic<int32_t> errorFlag{0};

    // Atomic: written by both sides (a stop request, the thread's own end), read by both.
    std::atomic<int32_t> stopFlag{1};

    // Atomic: written by the camera object when the geometry or sample width changes; read by
    // the streaming thread at every transfer.
    std::atomic<int32_t> largeTransfer{0};

    // Handed between the streaming thread and the consumer under indexLock.
    mutable platform::Mutex indexLock;
    int32_t writeIndex RZ_GUARDED_BY(indexLock) = 0;
    int32_t readIndex RZ_GUARDED_BY(indexLock) = 0;
    // The stamp of each ring entry, sized to the ring before the thread starts.
    std::vector<FrameStamp> stamps RZ_GUARDED_BY(indexLock);
    TransferCounts counts RZ_GUARDED_BY(indexLock);
};

class CZYNSdkLib {
public:
    // The engine with an empty device base name (tests of the geometry and raw copy).
    CZYNSdkLib();
    virtual ~CZYNSdkLib();
    CZYNSdkLib(const CZYNSdkLib&) = delete;
    CZYNSdkLib& operator=(const CZYNSdkLib&) = delete;

    // ---- Slots
    virtual int32_t CopyRawFrame(uint8_t* out, const uint8_t* raw);
    virtual int32_t ApplySromVariant(int32_t flag);
    virtual int32_t SetSampleWidth(bool sixteen);

    // ---- Device selection and enumeration
    void ProbeDevices() RZ_EXCLUDES(selectionLock_);
    bool IsDevicePresent(int32_t index) const RZ_EXCLUDES(selectionLock_);
    int32_t SelectDevice(int32_t index) RZ_EXCLUDES(selectionLock_);
    int32_t SelectedDevice() const RZ_EXCLUDES(selectionLock_);
    int32_t DeviceCount() const { return 32; }
    std::string DevicePath() const RZ_EXCLUDES(selectionLock_);
    // A stream runs or a single-frame transfer is in flight: the geometry must not change.
    bool TransferActive() const;

    // ---- Open-exchange-close operations: 1 success, 0 failure
    int32_t WriteSensorRegister(int32_t address, int32_t value);
    int32_t ReadSensorRegister(int32_t address, int32_t* value);
    int32_t WritePort(int32_t port, int32_t value);
    int32_t ReadPort(int32_t port, int32_t* value);
    int32_t ReadSrom(int32_t address, int32_t* value);
    int32_t ReadSromId(int32_t index, int32_t* value);
    int32_t WriteSromId(int32_t index, int32_t value);
    int32_t PrepareStream();
    void DeviceSetup();
    int32_t SendTransferSize();
    void SetTransferTimeout(int32_t milliseconds);
    int32_t TransferTimeout() const { return transferTimeout_; }

    // ---- Geometry, buffers and the transfer engine
    int32_t SetGeometry(int32_t rawWidth, int32_t rawX, int32_t width, int32_t rawHeight,
                        int32_t rawY, int32_t height, int32_t ringCount);
    void ReleaseBuffers();
    int32_t StartStreaming();
    int32_t StopStreaming();
    int32_t WaitFrame();
    // Copies the frame WaitFrame picked; stamp (optional) receives where it came from.
    int32_t DecodeNewest(uint8_t* out, FrameStamp* stamp = nullptr);
    // The counters of the current (or last) run.
    TransferCounts Counts() const;
    int32_t TransferSingleFrame();
    void CloseSingleFrame();
    int32_t DecodeSingleFrame(uint8_t* out);
    // The large-transfer flag, which both the streaming thread and the single-frame transfer
    // follow, is set from the transfer length of the current geometry and sample width.
    void UpdateLargeTransferFlag();

    // ---- Views (the camera object, tests)
    int32_t TransferSize() const { return transferSize_; }
    int32_t RingCount() const { return ringCount_; }
    int32_t RingBufferSize() const { return ringBufferSize_; }
    int32_t SixteenBit() const { return sixteenBit_.load(); }
    int32_t OutputWidth() const { return outputWidth_; }
    int32_t OutputHeight() const { return outputHeight_; }
    int32_t SingleFrameStatus() const { return singleStatus_; }
    int32_t SingleFrameLargeTransfer() const { return block_.largeTransfer.load(); }
    const uint8_t* SingleFrameBuffer() const { return singleBuffer_.get(); }
    const uint8_t* RingBuffer(int32_t i) const;
    TransferBlock& Block() { return block_; }
    int32_t VariantValue() const { return variant_; }

protected:
    // A camera model names its device files; the base name is fixed for the model's life.
    explicit CZYNSdkLib(const char* deviceBaseName);
    // Defaults restored by the model's reset; also closes the single-frame handle.
    void ResetBaseDefaults();
    // The sample width that transfers and the raw copy use, for a model that tells the device
    // about it in its own way.
    void RecordSampleWidth(bool sixteen) { sixteenBit_ = sixteen ? 1 : 0; }
    // Open the selected device, run fn on the handle, close it; 0 when the open failed.
    template <typename Fn>
    int32_t WithDevice(Fn&& fn);

private:
    void JoinStreamThread();
    static void StreamThread(TransferBlock* block, platform::Event* frameEvent,
                             platform::Event* endEvent);

    // Fixed at construction.
    char baseName_[32] = {};

    // Device selection: probing may run on one thread while another asks about a device.
    mutable platform::Mutex selectionLock_;
    int32_t present_[32] RZ_GUARDED_BY(selectionLock_) = {};
    int32_t selectedIndex_ RZ_GUARDED_BY(selectionLock_) = 0;
    char devicePath_[128] RZ_GUARDED_BY(selectionLock_) = {};

    // Set under the camera lock; read by the worker thread's raw copy and by transfer starts.
    std::atomic<int32_t> sixteenBit_{0};

    // Set under the camera lock while no transfer runs (SetGeometry refuses otherwise); read by
    // the worker thread's raw copy and by the streaming thread through the ring table.
    int32_t rawWidth_ = 0, rawX_ = 0, outputWidth_ = 0;
    int32_t rawHeight_ = 0, rawY_ = 0, outputHeight_ = 0;
    int32_t transferSize_ = 0;
    int32_t ringBufferSize_ = 0;
    int32_t ringCount_ = 0;
    std::vector<std::unique_ptr<uint8_t[]>> ring_;
    std::vector<uint8_t*> ringTable_;  // the ring's blocks as the streaming thread indexes them
    std::unique_ptr<uint8_t[]> singleBuffer_;

    // Set and read under the camera lock only.
    int32_t transferTimeout_ = 3000;
    int32_t variant_ = 0;

    // The single-frame transfer: used by one thread at a time, a snapshot's caller or the
    // trigger-mode worker (the camera's state gate keeps the two apart).
    int32_t singleStatus_ = 0;
    device::DeviceHandle singleHandle_;

    // Atomic: counted by single-frame transfers, read by the geometry's transfer check.
    std::atomic<int32_t> singleInFlight_{0};

    // Shared with the streaming thread. The events and the thread object are created, reset
    // and joined by the thread that starts and stops the run; the consumer waits on the frame
    // event.
    TransferBlock block_;
    std::unique_ptr<platform::Event> frameEvent_;
    std::unique_ptr<platform::Event> endEvent_;
    std::thread streamThread_;
};

template <typename Fn>
int32_t CZYNSdkLib::WithDevice(Fn&& fn) {
    device::DeviceHandle handle;
    if (device::OpenDevice(DevicePath().c_str(), handle) == 0) return 0;
    const int32_t result = fn(handle.get());
    device::CloseDevice(handle);
    return result;
}

}  // namespace rezive
