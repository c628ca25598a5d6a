// Device-handle operations of the transport: open and close a device file, pipe requests,
// packets and the register exchanges. Plain synchronous calls on a caller-owned handle.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/device_file.h"

namespace rezive::device {

using DeviceHandle = std::unique_ptr<platform::DeviceFile>;

// The device path of `base` with the suffix of `index` (0..35); false for other indices.
bool FormatDevicePath(const char* base, int32_t index, char* out, int32_t outSize);

// 1 when a handle resulted, 0 otherwise (a null path stores nothing). The backends registered
// with the platform seam are asked first (the virtual camera serves its enabled slots); every
// other path goes to the kernel driver's character device.
int32_t OpenDevice(const char* path, DeviceHandle& handle);
// 1 when something was closed.
int32_t CloseDevice(DeviceHandle& handle);

// -2 missing buffer, -3 null handle, 0 success, -1 failure. codeChoice 1 = in-direct code.
int32_t PipeTransfer(platform::DeviceFile* handle, uint32_t pipe, uint32_t length, void* buffer,
                     uint32_t* bytesDone, int32_t codeChoice);
int32_t LargePipeTransfer(platform::DeviceFile* handle, uint32_t pipe, uint32_t length,
                          void* buffer, uint32_t* bytesDone);

// kDevNotOpened for a null handle, kDevShortTransfer when failed or short, kDevOk on success.
int32_t WritePacket(platform::DeviceFile* handle, uint32_t pipe, uint32_t length, void* buffer);
int32_t ReadPacket(platform::DeviceFile* handle, uint32_t pipe, uint32_t length, void* buffer);

// Read command, then two answer reads into one buffer; the second read decides the result.
int32_t ExchangeReadRegister(platform::DeviceFile* handle, int32_t address, uint8_t* out,
                             int32_t outLength);
// A register-write packet with min(length, 63) payload bytes.
int32_t ExchangeWrite(platform::DeviceFile* handle, int32_t length, const uint8_t* payload);

}  // namespace rezive::device
