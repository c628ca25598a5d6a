#include "device/transport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "device/device_result.h"
#include "device/protocol.h"

namespace rezive::device {

bool FormatDevicePath(const char* base, int32_t index, char* out, int32_t outSize) {
    if (base == nullptr || out == nullptr || outSize <= 0) return false;
    if (index < 0 || index >= static_cast<int32_t>(sizeof kDeviceSuffixes) - 1) return false;
    const char suffix[2] = {kDeviceSuffixes[index], '\0'};
    const int n = std::snprintf(out, static_cast<size_t>(outSize), kDevicePathFormat, base, suffix);
    return n > 0 && n < outSize;
}

int32_t OpenDevice(const char* path, DeviceHandle& handle) {
    if (path == nullptr) return 0;
    handle = platform::OpenDeviceFile(path);
    return handle != nullptr ? 1 : 0;
}

int32_t CloseDevice(DeviceHandle& handle) {
    if (!handle) return 0;
    handle.reset();
    return 1;
}

namespace {

int32_t Transfer(platform::DeviceFile* handle, uint32_t code, uint32_t pipe, uint32_t length,
                 void* buffer, uint32_t* bytesDone) {
    if (buffer == nullptr) return -2;
    if (handle == nullptr) return -3;
    uint8_t pipeBytes[4] = {static_cast<uint8_t>(pipe), static_cast<uint8_t>(pipe >> 8),
                            static_cast<uint8_t>(pipe >> 16), static_cast<uint8_t>(pipe >> 24)};
    uint32_t done = 0;
    const bool ok = handle->Control(code, pipeBytes, 4, buffer, length, &done);
    if (bytesDone) *bytesDone = done;
    return ok ? 0 : -1;
}

int32_t Packet(platform::DeviceFile* handle, uint32_t pipe, uint32_t length, void* buffer,
               int32_t choice) {
    if (handle == nullptr) return kDevNotOpened;
    uint32_t done = 0;
    if (PipeTransfer(handle, pipe, length, buffer, &done, choice) != 0 || done != length) {
        return kDevShortTransfer;
    }
    return kDevOk;
}

}  // namespace

int32_t PipeTransfer(platform::DeviceFile* handle, uint32_t pipe, uint32_t length, void* buffer,
                     uint32_t* bytesDone, int32_t codeChoice) {
    const uint32_t code =
        codeChoice == 1 ? platform::kIoctlPipeTransferIn : platform::kIoctlPipeTransfer;
    return Transfer(handle, code, pipe, length, buffer, bytesDone);
}

int32_t LargePipeTransfer(platform::DeviceFile* handle, uint32_t pipe, uint32_t length,
                          void* buffer, uint32_t* bytesDone) {
    return Transfer(handle, platform::kIoctlLargeTransferIn, pipe, length, buffer, bytesDone);
}

int32_t WritePacket(platform::DeviceFile* handle, uint32_t pipe, uint32_t length, void* buffer) {
    return Packet(handle, pipe, length, buffer, 1);
}

int32_t ReadPacket(platform::DeviceFile* handle, uint32_t pipe, uint32_t length, void* buffer) {
    return Packet(handle, pipe, length, buffer, 0);
}

int32_t ExchangeReadRegister(platform::DeviceFile* handle, int32_t address, uint8_t* out,
                             int32_t outLength) {
    uint8_t packet[kPacketSize] = {kCmdReadRegister, static_cast<uint8_t>(address >> 8),
                                   static_cast<uint8_t>(address)};
    const int32_t written = WritePacket(handle, kPipeCommand, kPacketSize, packet);
    if (written != 0) return written;
    uint8_t answer[kPacketSize] = {};
    ReadPacket(handle, kPipeResponse, kPacketSize, answer);
    const int32_t result = ReadPacket(handle, kPipeResponse, kPacketSize, answer);
    if (out != nullptr && outLength > 0) {
        std::memcpy(out, answer, std::min<size_t>(static_cast<size_t>(outLength), kPacketSize));
    }
    return result;
}

int32_t ExchangeWrite(platform::DeviceFile* handle, int32_t length, const uint8_t* payload) {
    uint8_t packet[kPacketSize] = {kCmdWriteRegister};
    const int32_t n = std::clamp<int32_t>(length, 0, kPacketSize - 1);
    if (payload != nullptr && n > 0) std::memcpy(packet + 1, payload, static_cast<size_t>(n));
    return WritePacket(handle, kPipeCommand, kPacketSize, packet);
}

}  // namespace rezive::device
