// The virtual camera: the camera's firmware and driver in software, one per device slot and
// process, shared by every handle that opens the slot's path. It answers command packets on
// pipe 0, queues answers for pipe 1 and serves timed frames on pipe 2; all of its state changes
// only through that protocol (virtual_camera.cpp). The test-control part of the class
// (test_control.cpp) is the bench around the device: faults, plugging, the external trigger,
// timing scale, scene options and views of the device state and statistics. The sequence number
// each frame carries is read back with frame_sequence.h.
//
// Environment, read when a camera is created or reset:
//   REZIVE_VIRTUAL_CAMERAS=N   slots 0..N-1 answer (read at every open, so tests may setenv it)
//   REZIVE_VIRTUAL_SCENE=path  a PNG picture instead of the moving test scene
//   REZIVE_VIRTUAL_NOISE=1     sensor noise (off by default, so known pictures read back exactly)
//
// The line-length register (device::kRegLineLength), which the library's exposure conversion
// reads, reports this sensor's own line time (frame_timing.h), so exposure in milliseconds is
// what the frames get.
//
// Answer packets are queued per open file: an exchange always reads the answers to its own
// command, however control exchanges of other threads interleave with it.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/mutex.h"
#include "virtual_camera/frame_timing.h"
#include "virtual_camera/scene.h"

namespace rezive::virtual_camera {

// Kinds of control exchange that FailExchanges can make fail.
enum ExchangeKind : uint32_t {
    kRegisterExchanges = 1,  // register read and write commands
    kPortExchanges = 2,      // port read and write commands
    kRomExchanges = 4,       // serial-ROM read and write commands
};

struct Statistics {
    uint64_t opens = 0;
    uint64_t refusedOpens = 0;      // opens while unplugged
    uint64_t commands = 0;          // command packets accepted
    uint64_t failedCommands = 0;
    uint64_t imageRequests = 0;
    uint64_t framesServed = 0;      // full or short
    uint64_t failedImages = 0;      // injected failures, time-outs, unplugs, overflows
    uint64_t shortImages = 0;
    uint64_t startPackets = 0;
    uint64_t normalCodeImages = 0;  // image requests per control code
    uint64_t inCodeImages = 0;
    uint64_t largeCodeImages = 0;
    uint32_t lastImageLength = 0;
    uint32_t lastSequence = 0;
};

class VirtualCamera {
public:
    explicit VirtualCamera(int32_t slot);
    int32_t Slot() const { return slot_; }

    // ---- Driver side: the device protocol (virtual_camera.cpp)
    struct OpenFile {
        uint64_t generation = 0;
        std::deque<std::vector<uint8_t>> answers;
    };
    bool Open(OpenFile* file);
    bool Control(OpenFile* file, uint32_t code, const void* in, uint32_t inSize, void* out,
                 uint32_t outSize, uint32_t* bytesDone);

    // ---- Test control: faults (test_control.cpp)
    void Unplug();   // opens fail; requests in flight and on old handles fail
    void Replug();   // powers up again: registers, ports and transfer state reset, ROM kept
    bool IsPlugged() const;
    void FailNextTransfers(int32_t count);
    void ShortNextTransfers(int32_t count);
    void SetStalled(bool stalled);  // frames stop coming; requests fail at the time-out
    // count > 0: the next `count` exchanges of those kinds fail; -1: until cleared; 0 clears.
    void FailExchanges(uint32_t kinds, int32_t count);
    // A pulse on the external trigger input; counts while the sensor is in trigger mode and
    // port 11 enables the hardware trigger path. True when it was taken.
    bool ExternalTrigger();

    // ---- Test control: behaviour
    // Multiplies every frame period and trigger latency (0 = frames as fast as requested).
    void SetTimeScale(double scale);
    // Caps the driver's transfer time-out (tests that stall or trigger without waiting long).
    void SetTimeoutLimitMs(int32_t milliseconds);
    void SetNoise(bool on);
    // On by default for the built-in scene, off for picture files (set after loading one).
    void SetSequenceStamp(bool on);
    bool LoadSceneFile(const std::string& path);
    void UseBuiltInScene();
    bool HasFileScene() const;
    // Serve frames without filling them (measures the transport alone).
    void SetSkipContent(bool skip);
    // Power-on state, factory ROM, no faults, default behaviour and statistics.
    void Reset();

    // ---- Test control: device state (read through the protocol's effects)
    uint16_t Register(int32_t address) const;
    uint8_t Port(int32_t port) const;
    uint8_t Rom(int32_t address) const;
    void SetRom(int32_t address, uint8_t value);  // factory programming
    uint32_t TransferSize() const;
    bool SixteenBit() const;
    bool TriggerMode() const;
    int32_t ClockCode() const;
    uint32_t TimeoutMs() const;
    SensorTiming Timing() const;
    double FramePeriodMs() const;  // unscaled
    Statistics Stats() const;
    void ResetStats();

private:
    using Clock = std::chrono::steady_clock;

    // Emulation, under mutex_.
    void FactoryRom() RZ_REQUIRES(mutex_);
    void PowerOn() RZ_REQUIRES(mutex_);
    bool Command(OpenFile* file, const uint8_t* packet, uint32_t size) RZ_REQUIRES(mutex_);
    bool ExchangeFails(uint32_t kind) RZ_REQUIRES(mutex_);
    void WritePortLocked(int32_t port, uint8_t value) RZ_REQUIRES(mutex_);
    void QueueAnswer(OpenFile* file, const uint8_t* bytes, size_t n) RZ_REQUIRES(mutex_);
    // Leaves the lock while it fills the frame.
    bool ServeImage(OpenFile* file, uint32_t code, uint8_t* out, uint32_t outSize,
                    uint32_t* bytesDone) RZ_REQUIRES(mutex_);
    bool TriggerModeLocked() const RZ_REQUIRES(mutex_) {
        return (regs_[device::kRegTrigger] & 1) != 0;
    }
    bool SixteenLocked() const RZ_REQUIRES(mutex_) {
        return ports_[device::kPortSampleWidth] == 5;
    }
    SensorTiming TimingLocked() const RZ_REQUIRES(mutex_);
    uint32_t FrameBytesLocked() const RZ_REQUIRES(mutex_);
    Clock::duration Scaled(double seconds) const RZ_REQUIRES(mutex_);
    std::optional<Clock::time_point> NextFrameDue(Clock::time_point now, uint32_t* sequence)
        RZ_REQUIRES(mutex_);

    const int32_t slot_;
    mutable platform::Mutex mutex_;
    platform::CondVar changed_;

    // Device state, changed only through the protocol (and reset by a power-up).
    bool plugged_ RZ_GUARDED_BY(mutex_) = true;
    uint64_t generation_ RZ_GUARDED_BY(mutex_) = 1;
    std::vector<uint16_t> regs_ RZ_GUARDED_BY(mutex_);
    uint8_t ports_[256] RZ_GUARDED_BY(mutex_) = {};
    std::vector<uint8_t> rom_ RZ_GUARDED_BY(mutex_);
    uint32_t transferSize_ RZ_GUARDED_BY(mutex_) = 0;
    uint8_t wideBus_ RZ_GUARDED_BY(mutex_) = 0;
    bool deviceSetup_ RZ_GUARDED_BY(mutex_) = false;
    uint32_t timeoutMs_ RZ_GUARDED_BY(mutex_) = 3000;

    // Free-running schedule: frame anchorSeq_ + n is due at anchorTime_ + n periods.
    Clock::time_point anchorTime_ RZ_GUARDED_BY(mutex_) {};
    uint32_t anchorSeq_ RZ_GUARDED_BY(mutex_) = 0;
    uint32_t lastSeq_ RZ_GUARDED_BY(mutex_) = 0;
    Clock::duration anchorPeriod_ RZ_GUARDED_BY(mutex_) {};
    bool triggerPending_ RZ_GUARDED_BY(mutex_) = false;
    Clock::time_point triggerTime_ RZ_GUARDED_BY(mutex_) {};

    // Set by test control: faults and behaviour.
    int32_t failTransfers_ RZ_GUARDED_BY(mutex_) = 0;
    int32_t shortTransfers_ RZ_GUARDED_BY(mutex_) = 0;
    bool stalled_ RZ_GUARDED_BY(mutex_) = false;
    uint32_t failKinds_ RZ_GUARDED_BY(mutex_) = 0;
    int32_t failCount_ RZ_GUARDED_BY(mutex_) = 0;
    double timeScale_ RZ_GUARDED_BY(mutex_) = 1.0;
    int32_t timeoutLimitMs_ RZ_GUARDED_BY(mutex_) = -1;
    bool noise_ RZ_GUARDED_BY(mutex_) = false;
    bool stamp_ RZ_GUARDED_BY(mutex_) = true;
    bool skipContent_ RZ_GUARDED_BY(mutex_) = false;
    std::shared_ptr<const Scene> scene_ RZ_GUARDED_BY(mutex_);
    bool fileScene_ RZ_GUARDED_BY(mutex_) = false;
    // Response table cache, keyed by exposure, gain code and sample width.
    std::shared_ptr<const std::vector<uint16_t>> response_ RZ_GUARDED_BY(mutex_);
    int64_t responseKey_ RZ_GUARDED_BY(mutex_) = -1;

    Statistics stats_ RZ_GUARDED_BY(mutex_);
};

// The camera of a slot (0..31), created on first use; it exists whether or not the slot is
// enabled by REZIVE_VIRTUAL_CAMERAS.
VirtualCamera& CameraAt(int32_t slot);
// REZIVE_VIRTUAL_CAMERAS, read at each call and clamped to 0..32.
int32_t EnabledCameraCount();

}  // namespace rezive::virtual_camera
