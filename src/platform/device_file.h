// DeviceFile: an open camera device file and its I/O control requests. The transport of the
// model object talks to every backend (the in-process virtual camera, the Linux character
// device of a kernel driver) through this one interface, and opens device paths through the
// backend registry below, so that it never has to know which backends exist.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/device_problem.h"

namespace rezive::platform {

// The four control codes a camera driver serves.
inline constexpr uint32_t kIoctlPipeTransfer = 0x22204E;     // pipe index in, data buffer out
inline constexpr uint32_t kIoctlPipeTransferIn = 0x222051;   // same layout, "in-direct" method
inline constexpr uint32_t kIoctlLargeTransferIn = 0x2220A9;  // image reads of 3,072,000 bytes or more
inline constexpr uint32_t kIoctlSetTimeout = 0x2220A0;       // 44-byte time-out record in
inline constexpr uint32_t kTimeoutRecordSize = 44;

class DeviceFile {
public:
    virtual ~DeviceFile() = default;
    // One request. For the pipe codes `in` holds the 4-byte little-endian pipe index and `out`
    // the data buffer of `outSize` bytes (written to the device on pipe 0, filled from it on
    // pipes 1 and 2). True when the request succeeded; bytesDone receives the driver's count in
    // both cases.
    virtual bool Control(uint32_t code, const void* in, uint32_t inSize, void* out,
                         uint32_t outSize, uint32_t* bytesDone) = 0;
};

// The device path of a camera slot is /dev/Daro417DIRVUD-<suffix>, the suffix one character of
// this table (note N before M). Every backend names its cameras by these paths.
inline constexpr char kDevicePathPrefix[] = "/dev/Daro417DIRVUD-";
inline constexpr char kDeviceSlotSuffixes[] = "0123456789ABCDEFGHIJKLNMOPQRSTUVWXYZ";
// The slot a device path names, or -1 when it names none.
int32_t DeviceSlotOfPath(const char* path);

// Opens a kernel driver's character device; null when the path cannot be opened.
std::unique_ptr<DeviceFile> OpenCharDevice(const char* path);

// A backend asked to open `path`: no value when the path is not one it serves (the next backend
// is asked); otherwise the open handle, or null when the device it serves cannot be opened now
// (then no other backend is asked: an unplugged device stays unplugged).
using DeviceBackend = std::optional<std::unique_ptr<DeviceFile>> (*)(const char* path);

// Adds a backend after those registered before it; registering one twice keeps the first place.
// True when the backend is registered (now or before); false for null or a full table. Safe to
// call while other threads open devices.
bool RegisterDeviceBackend(DeviceBackend backend);

// Asks the registered backends in their order, then the character device. Null for a null path
// and when nothing could open the device; then DeviceProblemOf(path) says why, where the backend
// knows.
std::unique_ptr<DeviceFile> OpenDeviceFile(const char* path);

// A backend's cameras that are attached to the machine, openable or not (appended to `out`).
// Emulated cameras are not attached to anything and have no lister.
using DeviceLister = void (*)(std::vector<AttachedDevice>& out);
// As RegisterDeviceBackend, for listers.
bool RegisterDeviceLister(DeviceLister lister);
// Every registered lister's cameras, then the character devices' nodes; each is tried, so the
// list says which open and why the others do not.
std::vector<AttachedDevice> ListAttachedDevices();
// The character devices' part of that list.
void ListCharDevices(std::vector<AttachedDevice>& out);

}  // namespace rezive::platform
