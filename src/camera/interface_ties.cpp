// The one place where the values of the layers below the camera object meet the public header.
// Those layers keep their own names for what they hand to the application (error codes, the
// frame message and its record, colour-mode bits, file types); the camera object passes them on
// unchanged, so each must equal its public counterpart, and a change on either side stops the
// build here.
#include <cstddef>
#include <iterator>
#include <type_traits>

#include "ReziveSdk.h"
#include "acquisition/frame_info_pool.h"
#include "acquisition/image_slots.h"
#include "acquisition/interface_values.h"
#include "output/still_writers.h"
#include "platform/device_problem.h"

namespace rezive {
namespace {

static_assert(kErrNoDevice == RZ_ERR_NO_DEVICE);
static_assert(kErrDeviceUnavailable == RZ_ERR_DEVICE_UNAVAILABLE);
static_assert(kErrThread == RZ_ERR_THREAD);
static_assert(kErrWindow == RZ_ERR_WINDOW);
static_assert(kErrBuffer == RZ_ERR_BUFFER);
static_assert(kErrRegister == RZ_ERR_REGISTER);
static_assert(kErrCaptureWindow == RZ_ERR_CAPTURE_WINDOW);
static_assert(kErrTransfer == RZ_ERR_TRANSFER);
static_assert(kErrArgument == RZ_ERR_ARGUMENT);
static_assert(kErrUnsupported == RZ_ERR_UNSUPPORTED);
static_assert(kErrFile == RZ_ERR_FILE);
static_assert(kErrNoFrame == RZ_ERR_NO_FRAME);

static_assert(kFrameMessage == RZ_WM_FRAME);

// A frame message hands the application the address of the acquisition's record, which it
// reads as RzFrameInfo: the layouts must match byte for byte.
static_assert(std::is_standard_layout_v<FrameInfoRecord> && std::is_standard_layout_v<RzFrameInfo>);
static_assert(sizeof(FrameInfoRecord) == sizeof(RzFrameInfo));
static_assert(alignof(FrameInfoRecord) == alignof(RzFrameInfo));
static_assert(offsetof(FrameInfoRecord, size) == offsetof(RzFrameInfo, size));
static_assert(offsetof(FrameInfoRecord, width) == offsetof(RzFrameInfo, width));
static_assert(offsetof(FrameInfoRecord, height) == offsetof(RzFrameInfo, height));
static_assert(offsetof(FrameInfoRecord, bitsPerPixel) == offsetof(RzFrameInfo, bitsPerPixel));
static_assert(offsetof(FrameInfoRecord, frameRate10) == offsetof(RzFrameInfo, frameRate10));
static_assert(offsetof(FrameInfoRecord, buffer) == offsetof(RzFrameInfo, buffer));
static_assert(std::is_same_v<decltype(FrameInfoRecord::buffer), decltype(RzFrameInfo::buffer)>);

constexpr bool ColorModesMatch() {
    constexpr int32_t bits[6] = {RZ_BITS_GRAY8,  RZ_BITS_GRAY16, RZ_BITS_BGR24,
                                 RZ_BITS_BGRX32, RZ_BITS_BGR48,  RZ_BITS_BGRX64};
    constexpr int32_t reported[6] = {RZ_COLOR_MODE_GRAY8,  RZ_COLOR_MODE_GRAY16,
                                     RZ_COLOR_MODE_BGR24,  RZ_COLOR_MODE_BGRX32,
                                     RZ_COLOR_MODE_BGR48,  RZ_COLOR_MODE_BGRX64};
    for (int i = 0; i < 6; ++i) {
        if (kColorModeBits[i] != bits[i] || kColorModeReported[i] != reported[i]) return false;
    }
    return true;
}
static_assert(std::size(kColorModeBits) == 6 && std::size(kColorModeReported) == 6);
static_assert(ColorModesMatch());

static_assert(FILETYPE_BMP == RZ_FILE_BMP);
static_assert(FILETYPE_RAW == RZ_FILE_RAW);
static_assert(FILETYPE_JPEG_HIGH == RZ_FILE_JPEG_HIGH);
static_assert(FILETYPE_JPEG_NORMAL == RZ_FILE_JPEG_NORMAL);
static_assert(FILETYPE_JPEG_LOW == RZ_FILE_JPEG_LOW);
static_assert(FILETYPE_PNG == RZ_FILE_PNG);
static_assert(FILETYPE_TIFF == RZ_FILE_TIFF);

using platform::DeviceCause;
static_assert(static_cast<int32_t>(DeviceCause::kNone) == RZ_CAUSE_NONE);
static_assert(static_cast<int32_t>(DeviceCause::kNoDevice) == RZ_CAUSE_NO_DEVICE);
static_assert(static_cast<int32_t>(DeviceCause::kPermission) == RZ_CAUSE_PERMISSION);
static_assert(static_cast<int32_t>(DeviceCause::kBusy) == RZ_CAUSE_BUSY);
static_assert(static_cast<int32_t>(DeviceCause::kNotResponding) == RZ_CAUSE_NOT_RESPONDING);
static_assert(static_cast<int32_t>(DeviceCause::kNotACamera) == RZ_CAUSE_NOT_A_CAMERA);
static_assert(static_cast<int32_t>(DeviceCause::kOther) == RZ_CAUSE_OTHER);

}  // namespace
}  // namespace rezive
