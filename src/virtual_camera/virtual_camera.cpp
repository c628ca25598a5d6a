#include "virtual_camera/virtual_camera.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "device/protocol.h"
#include "platform/device_file.h"

namespace rezive::virtual_camera {
namespace {

// The firmware answers the protocol the library speaks, so both take the codes, ports and
// registers from one header.
using namespace device;
constexpr size_t kAnswerSize = kPacketSize;
constexpr int32_t kRomSize = 0x10000;

// The built-in scene never changes (the moving disc is drawn at readout), so every camera of the
// process shares one, made once: a reset then costs nothing to the next frame.
std::shared_ptr<const Scene> SharedBuiltInScene() {
    static const std::shared_ptr<const Scene> scene = std::make_shared<const Scene>(Scene::BuiltIn());
    return scene;
}

}  // namespace

VirtualCamera::VirtualCamera(int32_t slot) : slot_(slot) { Reset(); }

void VirtualCamera::FactoryRom() {
    // Erased bytes, an identification page and the configuration byte.
    rom_.assign(kRomSize, 0xFF);
    const std::string id = "417DIR-DEZ SN" + std::to_string(41700 + slot_);
    for (size_t i = 0; i < id.size(); ++i) rom_[kSromFirstReadable + i] = static_cast<uint8_t>(id[i]);
    rom_[kSromFirstReadable + id.size()] = 0;
    rom_[kSromConfigurationByte] = 1;
}

void VirtualCamera::PowerOn() {
    regs_.assign(0x10000, 0);
    regs_[kRegMirror] = 0x0003;  // normal orientation
    regs_[kRegRowStart] = kRowOrigin;
    regs_[kRegHeight] = kSensorHeight;
    regs_[kRegColumnStart] = kColumnOrigin;
    regs_[kRegWidth] = kSensorWidth;
    regs_[kRegFrameTiming] = 124;
    regs_[kRegExposure] = 637;
    regs_[kRegGainA] = regs_[kRegGainB] = 0x0202;
    regs_[kRegLineLength] = 0x0B80;
    std::memset(ports_, 0, sizeof ports_);
    ports_[kPortSampleWidth] = 4;
    transferSize_ = 0;
    wideBus_ = 0;
    deviceSetup_ = false;
    timeoutMs_ = 3000;
    triggerPending_ = false;
    anchorTime_ = Clock::now();
    anchorSeq_ = lastSeq_;
    anchorPeriod_ = Clock::duration{};
    response_.reset();
    responseKey_ = -1;
}

uint32_t VirtualCamera::FrameBytesLocked() const {
    return transferSize_ * (SixteenLocked() ? 2u : 1u);
}

SensorTiming VirtualCamera::TimingLocked() const {
    SensorTiming t;
    t.width = regs_[kRegWidth];
    t.height = regs_[kRegHeight];
    t.verticalBlank = regs_[kRegFrameTiming];
    t.exposure = regs_[kRegExposure];
    t.clockCode = ports_[kPortClock];
    t.frameBytes = FrameBytesLocked();
    return t;
}

VirtualCamera::Clock::duration VirtualCamera::Scaled(double seconds) const {
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(seconds * timeScale_));
}

// ---- Driver side

bool VirtualCamera::Open(OpenFile* file) {
    platform::MutexLock lock(mutex_);
    if (!plugged_) {
        ++stats_.refusedOpens;
        return false;
    }
    file->generation = generation_;
    file->answers.clear();
    ++stats_.opens;
    return true;
}

bool VirtualCamera::Control(OpenFile* file, uint32_t code, const void* in, uint32_t inSize,
                            void* out, uint32_t outSize, uint32_t* bytesDone) {
    if (bytesDone) *bytesDone = 0;
    platform::MutexLock lock(mutex_);
    if (!plugged_ || file->generation != generation_) return false;
    if (code == platform::kIoctlSetTimeout) {
        if (in == nullptr || inSize < 8) return false;
        uint32_t words[2];
        std::memcpy(words, in, 8);
        if (words[0] == 1) timeoutMs_ = words[1];
        return true;
    }
    if (code != platform::kIoctlPipeTransfer && code != platform::kIoctlPipeTransferIn &&
        code != platform::kIoctlLargeTransferIn) {
        return false;
    }
    if (in == nullptr || inSize < 4 || out == nullptr) return false;
    uint32_t pipe;
    std::memcpy(&pipe, in, 4);
    auto* data = static_cast<uint8_t*>(out);
    switch (pipe) {
        case kPipeCommand:
            if (outSize == 0 || !Command(file, data, outSize)) {
                ++stats_.failedCommands;
                return false;
            }
            ++stats_.commands;
            if (bytesDone) *bytesDone = outSize;
            return true;
        case kPipeResponse: {
            // Nothing asked for: the answer pipe has nothing to give (a real one would time out).
            if (file->answers.empty()) return false;
            const auto& answer = file->answers.front();
            const uint32_t n = std::min<uint32_t>(outSize, static_cast<uint32_t>(answer.size()));
            std::memcpy(data, answer.data(), n);
            file->answers.pop_front();
            if (bytesDone) *bytesDone = n;
            return true;
        }
        case kPipeImage:
            return ServeImage(file, code, data, outSize, bytesDone);
        default:
            return false;
    }
}

bool VirtualCamera::ExchangeFails(uint32_t kind) {
    if ((failKinds_ & kind) == 0 || failCount_ == 0) return false;
    if (failCount_ > 0 && --failCount_ == 0) failKinds_ = 0;
    return true;
}

void VirtualCamera::QueueAnswer(OpenFile* file, const uint8_t* bytes, size_t n) {
    std::vector<uint8_t> answer(kAnswerSize, 0);
    std::memcpy(answer.data(), bytes, std::min(n, kAnswerSize));
    // Read commands answer twice, so the host's double read sees the value in both packets.
    file->answers.push_back(answer);
    file->answers.push_back(std::move(answer));
    // A host that never collects its answers does not make the queue grow without end.
    while (file->answers.size() > 16) file->answers.pop_front();
}

void VirtualCamera::WritePortLocked(int32_t port, uint8_t value) {
    if (port == kPortTrigger && (value & 0x80) != 0) {
        // Bit 7 is a pulse, not a state: a software trigger.
        if (TriggerModeLocked()) {
            triggerPending_ = true;
            triggerTime_ = Clock::now();
        }
        value = static_cast<uint8_t>(value & 0x7F);
    }
    ports_[port] = value;
    if (port < 4) {
        transferSize_ = ports_[0] | (ports_[1] << 8) | (ports_[2] << 16) |
                        (static_cast<uint32_t>(ports_[3]) << 24);
    }
}

bool VirtualCamera::Command(OpenFile* file, const uint8_t* p, uint32_t size) {
    uint8_t packet[kAnswerSize] = {};
    std::memcpy(packet, p, std::min<size_t>(size, kAnswerSize));
    switch (packet[0]) {
        case kCmdPrepareStream:
            // The sensor restarts its frame; a trigger already latched stays latched, because
            // every snapshot prepares before it asks for the triggered frame.
            anchorTime_ = Clock::now();
            anchorSeq_ = lastSeq_;
            break;
        case kCmdStartFrame:
            ++stats_.startPackets;
            break;
        case kCmdWriteRegister: {
            if (ExchangeFails(kRegisterExchanges)) return false;
            const size_t address = (packet[1] << 8) | packet[2];
            regs_[address] = static_cast<uint16_t>((packet[3] << 8) | packet[4]);
            break;
        }
        case kCmdDeviceSetup:
            deviceSetup_ = true;
            break;
        case kCmdSetTransferSize:
            transferSize_ = packet[1] | (packet[2] << 8) | (packet[3] << 16) |
                            (static_cast<uint32_t>(packet[4]) << 24);
            break;
        case kCmdSetSampleWidth:
            wideBus_ = packet[1];
            break;
        case kCmdReadRegister: {
            if (ExchangeFails(kRegisterExchanges)) return false;
            const int32_t address = (packet[1] << 8) | packet[2];
            const uint16_t v = address == kRegLineLength
                                   ? static_cast<uint16_t>(LineLengthTerm(TimingLocked()))
                                   : regs_[static_cast<size_t>(address)];
            const uint8_t answer[2] = {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
            QueueAnswer(file, answer, 2);
            break;
        }
        case kCmdWritePort:
            if (ExchangeFails(kPortExchanges)) return false;
            WritePortLocked(packet[1], packet[2]);
            break;
        case kCmdReadPort:
            if (ExchangeFails(kPortExchanges)) return false;
            QueueAnswer(file, &ports_[packet[1]], 1);
            break;
        case kCmdSromWrite:
            if (ExchangeFails(kRomExchanges)) return false;
            // Only the one writable page exists for writes.
            if (packet[1] != kSromDeviceAddress || packet[2] != 0x03 || packet[3] != kSromWritablePage) return false;
            rom_[(kSromWritablePage << 8) | packet[4]] = packet[5];
            break;
        case kCmdSromRead: {
            if (ExchangeFails(kRomExchanges)) return false;
            if (packet[1] != kSromDeviceAddress || packet[2] != 0x02 || packet[3] != 0x01) return false;
            QueueAnswer(file, &rom_[(packet[4] << 8) | packet[5]], 1);
            break;
        }
        default:
            break;  // the firmware ignores commands it does not know
    }
    changed_.NotifyAll();
    return true;
}

std::optional<VirtualCamera::Clock::time_point> VirtualCamera::NextFrameDue(Clock::time_point now,
                                                                          uint32_t* sequence) {
    if (stalled_) return std::nullopt;
    const SensorTiming timing = TimingLocked();
    *sequence = lastSeq_ + 1;
    if (TriggerModeLocked()) {
        if (!triggerPending_) return std::nullopt;
        return triggerTime_ + Scaled(TriggeredLatencySeconds(timing));
    }
    const Clock::duration period = Scaled(FramePeriodSeconds(timing));
    if (period != anchorPeriod_) {
        // New timing: the sensor starts a fresh frame now.
        anchorTime_ = now;
        anchorSeq_ = lastSeq_;
        anchorPeriod_ = period;
    }
    if (period.count() <= 0) return now;
    const auto since = now - anchorTime_;
    int64_t n = (since.count() + period.count() - 1) / period.count();
    n = std::max<int64_t>({n, int64_t{lastSeq_} - anchorSeq_ + 1, 1});
    *sequence = anchorSeq_ + static_cast<uint32_t>(n);
    return anchorTime_ + period * n;
}

bool VirtualCamera::ServeImage(OpenFile* file, uint32_t code, uint8_t* out, uint32_t outSize,
                               uint32_t* bytesDone) {
    ++stats_.imageRequests;
    stats_.lastImageLength = outSize;
    if (code == platform::kIoctlPipeTransfer) ++stats_.normalCodeImages;
    else if (code == platform::kIoctlPipeTransferIn) ++stats_.inCodeImages;
    else ++stats_.largeCodeImages;
    if (failTransfers_ > 0) {
        --failTransfers_;
        ++stats_.failedImages;
        return false;
    }
    const Clock::time_point start = Clock::now();
    uint32_t sequence = 0;
    bool waiting = false;
    Clock::time_point target{};
    for (;;) {
        if (!plugged_ || file->generation != generation_) {
            ++stats_.failedImages;
            return false;
        }
        const int64_t limit = timeoutLimitMs_ >= 0 ? std::min<int64_t>(timeoutLimitMs_, timeoutMs_)
                                                   : int64_t{timeoutMs_};
        const Clock::time_point deadline = start + std::chrono::milliseconds(limit);
        const Clock::time_point now = Clock::now();
        // The frame this request waited for has come: recomputing now would chase the next.
        if (waiting && now >= target) break;
        const auto due = NextFrameDue(now, &sequence);
        waiting = false;
        if (!due || *due > deadline) {
            if (now >= deadline) {
                ++stats_.failedImages;
                return false;
            }
            changed_.WaitUntil(mutex_, deadline);
            continue;
        }
        if (now < *due) {
            waiting = true;
            target = *due;
            changed_.WaitUntil(mutex_, *due);
            continue;
        }
        break;
    }
    const uint32_t frameBytes = FrameBytesLocked();
    if (outSize < frameBytes) {  // the device sends more than the host asked for
        ++stats_.failedImages;
        return false;
    }
    lastSeq_ = sequence;
    triggerPending_ = false;
    uint32_t n = frameBytes;
    if (shortTransfers_ > 0) {
        --shortTransfers_;
        n /= 2;
        ++stats_.shortImages;
    }
    ++stats_.framesServed;
    stats_.lastSequence = sequence;

    if (!skipContent_) {
        if (!scene_) scene_ = SharedBuiltInScene();
        const int32_t gainCode = regs_[kRegGainA] & 0xFF;
        const bool sixteen = SixteenLocked();
        const int64_t key = (int64_t{regs_[kRegExposure]} << 16) | (gainCode << 1) | (sixteen ? 1 : 0);
        if (key != responseKey_ || !response_) {
            auto lut = std::make_shared<std::vector<uint16_t>>();
            BuildResponse(regs_[kRegExposure], gainCode, sixteen, lut.get());
            response_ = std::move(lut);
            responseKey_ = key;
        }
        ReadoutParams p;
        p.rowStart = int32_t{regs_[kRegRowStart]} - kRowOrigin;
        p.height = regs_[kRegHeight];
        p.columnStart = int32_t{regs_[kRegColumnStart]} - kColumnOrigin;
        p.width = regs_[kRegWidth];
        p.mirrorV = (regs_[kRegMirror] & 1) == 0;  // active low
        p.mirrorH = (regs_[kRegMirror] & 2) == 0;
        p.sixteen = sixteen;
        p.sequence = sequence;
        p.stamp = stamp_;
        p.noise = noise_ ? static_cast<int32_t>(std::lround(AnalogGain(gainCode) * (sixteen ? 16 : 1)))
                         : 0;
        const auto scene = scene_;
        const auto response = response_;
        // Fill outside the lock: control exchanges go on while the frame crosses the bus.
        platform::MutexUnlock unlocked(mutex_);
        ReadOut(*scene, p, response->data(), out, n);
    }
    if (bytesDone) *bytesDone = n;
    return true;
}

}  // namespace rezive::virtual_camera
