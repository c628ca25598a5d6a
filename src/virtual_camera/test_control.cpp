// The test-control half of the virtual camera: the bench around the device. Faults, plugging
// and the external trigger act on the device as the outside world would; the views read the
// state the protocol left behind. None of this is reachable through the device protocol.
#include "virtual_camera/virtual_camera.h"

#include <algorithm>
#include <cstdlib>

#include "device/protocol.h"

namespace rezive::virtual_camera {

using namespace device;

void VirtualCamera::Reset() {
    platform::MutexLock lock(mutex_);
    plugged_ = true;
    ++generation_;
    FactoryRom();
    failTransfers_ = shortTransfers_ = 0;
    stalled_ = false;
    failKinds_ = 0;
    failCount_ = 0;
    timeScale_ = 1.0;
    timeoutLimitMs_ = -1;
    const char* noise = std::getenv("REZIVE_VIRTUAL_NOISE");
    noise_ = noise != nullptr && std::atoi(noise) != 0;
    skipContent_ = false;
    fileScene_ = false;
    scene_.reset();
    if (const char* path = std::getenv("REZIVE_VIRTUAL_SCENE"); path != nullptr && *path != '\0') {
        Scene loaded;
        if (Scene::FromPng(path, &loaded)) {
            scene_ = std::make_shared<const Scene>(std::move(loaded));
            fileScene_ = true;
        }
    }
    // A known picture is checked pixel for pixel, so it gets no stamp unless a test asks.
    stamp_ = !fileScene_;
    lastSeq_ = 0;
    stats_ = Statistics{};
    PowerOn();
    changed_.NotifyAll();
}

// ---- Faults and behaviour

void VirtualCamera::Unplug() {
    platform::MutexLock lock(mutex_);
    plugged_ = false;
    ++generation_;
    changed_.NotifyAll();
}

void VirtualCamera::Replug() {
    platform::MutexLock lock(mutex_);
    if (plugged_) return;
    plugged_ = true;
    PowerOn();
    changed_.NotifyAll();
}

bool VirtualCamera::IsPlugged() const {
    platform::MutexLock lock(mutex_);
    return plugged_;
}

void VirtualCamera::FailNextTransfers(int32_t count) {
    platform::MutexLock lock(mutex_);
    failTransfers_ = std::max(count, 0);
}

void VirtualCamera::ShortNextTransfers(int32_t count) {
    platform::MutexLock lock(mutex_);
    shortTransfers_ = std::max(count, 0);
}

void VirtualCamera::SetStalled(bool stalled) {
    platform::MutexLock lock(mutex_);
    stalled_ = stalled;
    if (!stalled) {
        anchorTime_ = Clock::now();
        anchorSeq_ = lastSeq_;
    }
    changed_.NotifyAll();
}

void VirtualCamera::FailExchanges(uint32_t kinds, int32_t count) {
    platform::MutexLock lock(mutex_);
    failKinds_ = count == 0 ? 0 : kinds;
    failCount_ = count;
}

bool VirtualCamera::ExternalTrigger() {
    platform::MutexLock lock(mutex_);
    if (!plugged_ || !TriggerModeLocked() || (ports_[kPortTrigger] & 1) == 0) return false;
    triggerPending_ = true;
    triggerTime_ = Clock::now();
    changed_.NotifyAll();
    return true;
}

void VirtualCamera::SetTimeScale(double scale) {
    platform::MutexLock lock(mutex_);
    timeScale_ = std::max(scale, 0.0);
    changed_.NotifyAll();
}

void VirtualCamera::SetTimeoutLimitMs(int32_t milliseconds) {
    platform::MutexLock lock(mutex_);
    timeoutLimitMs_ = milliseconds;
    changed_.NotifyAll();
}

void VirtualCamera::SetNoise(bool on) {
    platform::MutexLock lock(mutex_);
    noise_ = on;
}

void VirtualCamera::SetSequenceStamp(bool on) {
    platform::MutexLock lock(mutex_);
    stamp_ = on;
}

bool VirtualCamera::LoadSceneFile(const std::string& path) {
    Scene loaded;
    if (!Scene::FromPng(path, &loaded)) return false;
    platform::MutexLock lock(mutex_);
    scene_ = std::make_shared<const Scene>(std::move(loaded));
    fileScene_ = true;
    stamp_ = false;
    return true;
}

void VirtualCamera::UseBuiltInScene() {
    platform::MutexLock lock(mutex_);
    scene_.reset();
    fileScene_ = false;
    stamp_ = true;
}

bool VirtualCamera::HasFileScene() const {
    platform::MutexLock lock(mutex_);
    return fileScene_;
}

void VirtualCamera::SetSkipContent(bool skip) {
    platform::MutexLock lock(mutex_);
    skipContent_ = skip;
}

// ---- Views

uint16_t VirtualCamera::Register(int32_t address) const {
    platform::MutexLock lock(mutex_);
    return regs_[static_cast<size_t>(address & 0xFFFF)];
}

uint8_t VirtualCamera::Port(int32_t port) const {
    platform::MutexLock lock(mutex_);
    return ports_[port & 0xFF];
}

uint8_t VirtualCamera::Rom(int32_t address) const {
    platform::MutexLock lock(mutex_);
    return rom_[static_cast<size_t>(address & 0xFFFF)];
}

void VirtualCamera::SetRom(int32_t address, uint8_t value) {
    platform::MutexLock lock(mutex_);
    rom_[static_cast<size_t>(address & 0xFFFF)] = value;
}

uint32_t VirtualCamera::TransferSize() const {
    platform::MutexLock lock(mutex_);
    return transferSize_;
}

bool VirtualCamera::SixteenBit() const {
    platform::MutexLock lock(mutex_);
    return SixteenLocked();
}

bool VirtualCamera::TriggerMode() const {
    platform::MutexLock lock(mutex_);
    return TriggerModeLocked();
}

int32_t VirtualCamera::ClockCode() const {
    platform::MutexLock lock(mutex_);
    return ports_[kPortClock];
}

uint32_t VirtualCamera::TimeoutMs() const {
    platform::MutexLock lock(mutex_);
    return timeoutMs_;
}

SensorTiming VirtualCamera::Timing() const {
    platform::MutexLock lock(mutex_);
    return TimingLocked();
}

double VirtualCamera::FramePeriodMs() const {
    platform::MutexLock lock(mutex_);
    return FramePeriodSeconds(TimingLocked()) * 1000.0;
}

Statistics VirtualCamera::Stats() const {
    platform::MutexLock lock(mutex_);
    return stats_;
}

void VirtualCamera::ResetStats() {
    platform::MutexLock lock(mutex_);
    stats_ = Statistics{};
}

}  // namespace rezive::virtual_camera
