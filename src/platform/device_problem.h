// Why a camera device could not be opened or stopped answering, kept per device path so that
// whoever reports the failure to the user (the camera object, long after the backend's open or
// transfer returned) can say what to do about it. Backends report; nobody else writes here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rezive::platform {

// The kinds of failure a user acts on differently. The values are those of the RZ_CAUSE_
// constants of the public header.
enum class DeviceCause : int32_t {
    kNone = 0,
    kNoDevice = 1,       // gone: unplugged, or no device behind the node
    kPermission = 2,     // the system refuses this user
    kBusy = 3,           // held by another process or a kernel driver
    kNotResponding = 4,  // opens, but its control pipe times out or fails
    kNotACamera = 5,     // in the id table, but without the camera's pipes
    kOther = 6,
};

struct DeviceProblem {
    DeviceCause cause = DeviceCause::kNone;
    std::string reason;  // one line: what the device is, what went wrong, what to do
    bool fromOpen = false;  // an open's refusal, cleared by the next open that works
};

// Records the newest problem of the device behind `path` (a /dev/Daro417DIRVUD-<suffix> path).
void ReportDeviceProblem(const std::string& path, DeviceCause cause, std::string reason,
                         bool fromOpen);
// After an open that worked: forgets an open's refusal (a control pipe that stopped answering
// stays reported until it answers again). After a working transfer: forgets everything.
void ClearDeviceProblem(const std::string& path, bool openOnly);
// The problem reported for `path`; cause kNone when there is none.
DeviceProblem DeviceProblemOf(const std::string& path);
// Devices that fail before they get a slot (a USB device of the id table without the camera's
// pipes) are reported under a key of their backend's own ("usb:1-2"): the reasons of those
// keys, and the forgetting of a backend's keys when it looks again.
std::vector<std::string> ProblemsOutsideSlots();
void ClearDeviceProblemsWithPrefix(const std::string& prefix);

// A camera attached to the machine, whether or not it can be opened: what a tool looks at to
// tell "no camera at all" from "a camera that fails".
struct AttachedDevice {
    int32_t slot = -1;        // the device slot it answers in; -1 when it has none
    DeviceCause cause = DeviceCause::kNone;  // kNone: it opens
    std::string location;     // where it is: a USB port and ids, or a device node
    std::string reason;       // empty when it opens
};

// The processes that hold `node` open, from /proc ("process 812 (rezive-cam)", comma-separated);
// empty when none can be seen (another user's processes cannot).
std::string ProcessesHolding(const std::string& node);

// The text a busy device gets: who holds it, where the system says.
std::string HeldByText(const std::string& node, const std::string& kernelDriver);

}  // namespace rezive::platform
