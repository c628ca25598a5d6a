// CZYNSdkLib: construction, device selection and the open-exchange-close member operations.
#include "device/zyn_sdk_lib.h"

#include <cstdio>
#include <cstring>

#include "device/protocol.h"
#include "platform/clock.h"

namespace rezive {

using namespace device;

CZYNSdkLib::CZYNSdkLib() { ResetBaseDefaults(); }

CZYNSdkLib::CZYNSdkLib(const char* deviceBaseName) {
    std::snprintf(baseName_, sizeof baseName_, "%s", deviceBaseName);
    ResetBaseDefaults();
}

CZYNSdkLib::~CZYNSdkLib() {
    StopStreaming();
    JoinStreamThread();
    CloseSingleFrame();
    ReleaseBuffers();
}

void CZYNSdkLib::ResetBaseDefaults() {
    variant_ = 0;
    sixteenBit_ = 0;
    rawWidth_ = 1339;
    rawX_ = 50;
    outputWidth_ = device::kSensorWidth;
    rawHeight_ = 1040;
    rawY_ = 10;
    outputHeight_ = 1028;
    transferTimeout_ = 3000;
    CloseSingleFrame();
}

int32_t CZYNSdkLib::ApplySromVariant(int32_t flag) {
    variant_ = flag > 2 ? 1 : flag;
    return 1;
}

int32_t CZYNSdkLib::SetSampleWidth(bool sixteen) {
    RecordSampleWidth(sixteen);
    WithDevice([&](platform::DeviceFile* h) {
        uint8_t packet[kPacketSize] = {kCmdSetSampleWidth, static_cast<uint8_t>(sixteen ? 1 : 0)};
        return WritePacket(h, kPipeCommand, kPacketSize, packet) == 0 ? 1 : 0;
    });
    return 1;
}

void CZYNSdkLib::ProbeDevices() {
    // Probed into a copy and published at once: a reader never sees a half-done probe with a
    // present device marked absent.
    int32_t found[kProbedSlots] = {};
    for (int32_t i = 0; i < kProbedSlots; ++i) {
        char path[128];
        if (!FormatDevicePath(baseName_, i, path, sizeof path)) continue;
        DeviceHandle handle;
        if (OpenDevice(path, handle) == 1) found[i] = 1;
        CloseDevice(handle);
    }
    platform::MutexLock lock(selectionLock_);
    std::memcpy(present_, found, sizeof found);
    selectedIndex_ = 0;
}

bool CZYNSdkLib::IsDevicePresent(int32_t index) const {
    if (index < 0 || index >= kProbedSlots) return false;
    platform::MutexLock lock(selectionLock_);
    return present_[index] == 1;
}

int32_t CZYNSdkLib::SelectDevice(int32_t index) {
    // Index 32 is still a valid suffix ("W"); the range check of the selection stops above it.
    if (index > 32 || index < 0) return kDevIndexRange;
    platform::MutexLock lock(selectionLock_);
    selectedIndex_ = index;
    FormatDevicePath(baseName_, index, devicePath_, sizeof devicePath_);
    return kDevOk;
}

int32_t CZYNSdkLib::SelectedDevice() const {
    platform::MutexLock lock(selectionLock_);
    return selectedIndex_;
}

std::string CZYNSdkLib::DevicePath() const {
    platform::MutexLock lock(selectionLock_);
    return devicePath_;
}

bool CZYNSdkLib::TransferActive() const {
    return block_.stopFlag.load() == 0 || singleInFlight_.load() != 0;
}

int32_t CZYNSdkLib::WriteSensorRegister(int32_t address, int32_t value) {
    return WithDevice([&](platform::DeviceFile* h) {
        const uint8_t payload[4] = {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address),
                                    static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
        return ExchangeWrite(h, 4, payload) == 0 ? 1 : 0;
    });
}

int32_t CZYNSdkLib::ReadSensorRegister(int32_t address, int32_t* value) {
    uint8_t answer[2] = {};
    const int32_t ok = WithDevice([&](platform::DeviceFile* h) {
        return ExchangeReadRegister(h, address, answer, 2) == 0 ? 1 : 0;
    });
    if (value) *value = ok ? answer[0] * 256 + answer[1] : 0;
    return ok;
}

int32_t CZYNSdkLib::WritePort(int32_t port, int32_t value) {
    return WithDevice([&](platform::DeviceFile* h) {
        uint8_t packet[kPacketSize] = {kCmdWritePort, static_cast<uint8_t>(port),
                                       static_cast<uint8_t>(value)};
        return WritePacket(h, kPipeCommand, kPacketSize, packet) == 0 ? 1 : 0;
    });
}

int32_t CZYNSdkLib::ReadPort(int32_t port, int32_t* value) {
    uint8_t answer[kPacketSize] = {};
    const int32_t ok = WithDevice([&](platform::DeviceFile* h) {
        uint8_t packet[kPacketSize] = {kCmdReadPort, static_cast<uint8_t>(port)};
        if (WritePacket(h, kPipeCommand, kPacketSize, packet) != 0) return 0;
        ReadPacket(h, kPipeResponse, kPacketSize, answer);
        return ReadPacket(h, kPipeResponse, kPacketSize, answer) == 0 ? 1 : 0;
    });
    if (value) *value = ok ? answer[0] : 0;
    return ok;
}

int32_t CZYNSdkLib::ReadSrom(int32_t address, int32_t* value) {
    const int32_t a = address & 0xFFFF;
    if (a < kSromFirstReadable) return 0;
    uint8_t answer[kPacketSize] = {};
    const int32_t ok = WithDevice([&](platform::DeviceFile* h) {
        uint8_t packet[kPacketSize] = {kCmdSromRead, kSromDeviceAddress, 0x02, 0x01,
                                       static_cast<uint8_t>(a >> 8), static_cast<uint8_t>(a)};
        // The ROM needs time to answer; the reads follow even when the write failed.
        WritePacket(h, kPipeCommand, kPacketSize, packet);
        platform::SleepMs(6);
        ReadPacket(h, kPipeResponse, kPacketSize, answer);
        const int32_t second = ReadPacket(h, kPipeResponse, kPacketSize, answer);
        platform::SleepMs(6);
        return second == 0 ? 1 : 0;
    });
    if (value && ok) *value = answer[0];
    return ok;
}

int32_t CZYNSdkLib::ReadSromId(int32_t index, int32_t* value) {
    return ReadSrom(kSromFirstReadable + (index & 0xFF), value);
}

int32_t CZYNSdkLib::WriteSromId(int32_t index, int32_t value) {
    return WithDevice([&](platform::DeviceFile* h) {
        uint8_t packet[kPacketSize] = {kCmdSromWrite, kSromDeviceAddress, 0x03, kSromWritablePage,
                                       static_cast<uint8_t>(index & 0xFF),
                                       static_cast<uint8_t>(value)};
        const int32_t written = WritePacket(h, kPipeCommand, kPacketSize, packet);
        platform::SleepMs(10);  // the ROM's write cycle
        return written == 0 ? 1 : 0;
    });
}

int32_t CZYNSdkLib::PrepareStream() {
    return WithDevice([&](platform::DeviceFile* h) {
        uint8_t packet[kPacketSize] = {kCmdPrepareStream};
        WritePacket(h, kPipeCommand, kPacketSize, packet);
        return 1;
    });
}

void CZYNSdkLib::DeviceSetup() {
    WithDevice([&](platform::DeviceFile* h) {
        uint8_t packet[kPacketSize] = {kCmdDeviceSetup};
        WritePacket(h, kPipeCommand, kPacketSize, packet);
        return 1;
    });
}

int32_t CZYNSdkLib::SendTransferSize() {
    WithDevice([&](platform::DeviceFile* h) {
        const uint32_t size = static_cast<uint32_t>(transferSize_);
        uint8_t packet[kPacketSize] = {kCmdSetTransferSize, static_cast<uint8_t>(size),
                                       static_cast<uint8_t>(size >> 8),
                                       static_cast<uint8_t>(size >> 16),
                                       static_cast<uint8_t>(size >> 24)};
        WritePacket(h, kPipeCommand, kPacketSize, packet);
        return 1;
    });
    return 1;
}

void CZYNSdkLib::SetTransferTimeout(int32_t milliseconds) {
    transferTimeout_ = milliseconds;
    WithDevice([&](platform::DeviceFile* h) {
        uint8_t record[platform::kTimeoutRecordSize] = {1};
        const uint32_t ms = static_cast<uint32_t>(milliseconds);
        std::memcpy(record + 4, &ms, 4);
        uint32_t done = 0;
        h->Control(platform::kIoctlSetTimeout, record, sizeof record, nullptr, 0, &done);
        return 1;
    });
}

}  // namespace rezive
