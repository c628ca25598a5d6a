// The reason the camera object gives with a device failure (RzGetErrorDetail): what the backend
// reported for the device's path, the process that holds the camera's claim, or that the slot
// is empty. A user acts on these; an error code alone leaves them guessing.
#include <string>

#include "camera/camera.h"
#include "camera/claim_table.h"
#include "platform/device_file.h"
#include "platform/device_problem.h"
#include "platform/shared_region.h"

namespace rezive {
namespace {

std::string SlotPath(int32_t slot) {
    std::string path = platform::kDevicePathPrefix;
    path += platform::kDeviceSlotSuffixes[slot < 0 || slot > 35 ? 0 : slot];
    return path;
}

// The codes whose failure lies with the device rather than with the caller.
bool IsDeviceFailure(int32_t code) {
    return code == RZ_ERR_DEVICE_UNAVAILABLE || code == RZ_ERR_REGISTER ||
           code == RZ_ERR_TRANSFER || code == RZ_ERR_NO_FRAME;
}

}  // namespace

std::string CRezive::DeviceFailureReason(int32_t code, int32_t slot) const {
    const platform::DeviceProblem problem = platform::DeviceProblemOf(SlotPath(slot));
    if (problem.cause != platform::DeviceCause::kNone) return problem.reason;
    if (code != RZ_ERR_DEVICE_UNAVAILABLE) return "";
    if (uint8_t* view = shared_.View()) {
        const DeviceClaimTable table(view);
        if (table.IsTaken(slot)) {
            return "the camera in slot " + std::to_string(slot) + " is held by process " +
                   std::to_string(table.Read(slot).ownerModule) +
                   " of this user (camera claim region /dev/shm" + platform::SharedRegionName() +
                   "); it is free again when that program releases it";
        }
    }
    std::string reason = "no camera in device slot " + std::to_string(slot);
    for (const std::string& elsewhere : platform::ProblemsOutsideSlots()) reason += "; " + elsewhere;
    return reason;
}

void CRezive::ExplainFailure(int32_t code, int32_t slot) {
    // A failure is often followed by the codes of the operations it failed (2, then 1 and 8):
    // those add no reason and keep the first one's. Error 2 always has a reason of its own.
    if (!IsDeviceFailure(code)) return;
    std::string reason = DeviceFailureReason(code, slot);
    if (!reason.empty()) errors_.SetDetail(std::move(reason));
}

}  // namespace rezive
