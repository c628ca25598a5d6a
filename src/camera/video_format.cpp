// Video format of the camera object: colour mode, sub-sampling, capture window, wait time.
#include "camera/camera.h"
#include "device/rezive417dir_sdk.h"
#include "settings/settings_store.h"

namespace rezive {

int32_t CRezive::SetColorMode(int32_t bitsPerPixel) {
    for (int32_t mode = 0; mode < 6; ++mode) {
        if (kColorModeBits[mode] == bitsPerPixel) {
            format_.colorMode = mode;
            return 1;
        }
    }
    RecordError(RZ_ERR_ARGUMENT);
    return 0;
}

int32_t CRezive::GetColorMode() const {
    const int32_t mode = format_.colorMode;
    return (mode >= 0 && mode < 6) ? kColorModeReported[mode] : -1;
}

int32_t CRezive::SetSubSample(int32_t code) {
    if (code != 0) return 0;
    format_.subSample = 0;
    return 1;
}

int32_t CRezive::SetCaptureWindowEx(int32_t totalWidth, int32_t xOffset, int32_t width,
                                    int32_t totalHeight, int32_t yOffset, int32_t height) {
    if (!RequireModel()) return 0;
    // Re-sizing the transfer ring under a running stream is refused: stop acquisition first.
    if (acquisition_.Mode() != AcquisitionMode::kIdle) {
        RecordError(RZ_ERR_NO_DEVICE);
        return 0;
    }
    geometry_.totalWidth = totalWidth;
    geometry_.xOffset = xOffset;
    geometry_.width = width;
    geometry_.totalHeight = totalHeight;
    geometry_.yOffset = yOffset;
    geometry_.height = height;
    if (!IsCaptureWindowValid(geometry_, format_.subSample)) {
        RecordError(RZ_ERR_CAPTURE_WINDOW);
        return 0;
    }
    model_->SetWindow(xOffset, yOffset, width, height, format_.subSample);
    return 1;
}

int32_t CRezive::GetCaptureWindowEx(int32_t* totalWidth, int32_t* xOffset, int32_t* width,
                                    int32_t* totalHeight, int32_t* yOffset,
                                    int32_t* height) const {
    if (totalWidth) *totalWidth = geometry_.totalWidth;
    if (xOffset) *xOffset = geometry_.xOffset;
    if (width) *width = geometry_.width;
    if (totalHeight) *totalHeight = geometry_.totalHeight;
    if (yOffset) *yOffset = geometry_.yOffset;
    if (height) *height = geometry_.height;
    return 1;
}

int32_t CRezive::SetCaptureWindow(int32_t width, int32_t height) {
    if (!RequireModel()) return 0;
    if (acquisition_.Mode() != AcquisitionMode::kIdle) {
        RecordError(RZ_ERR_NO_DEVICE);
        return 0;
    }
    CaptureGeometry preset;
    if (settings::FindSizePreset(width, height, deviceNumber_, &preset) !=
        settings::PresetResult::kFound) {
        RecordError(RZ_ERR_WINDOW);
        return 0;
    }
    geometry_ = preset;
    if (!IsCaptureWindowValid(geometry_, format_.subSample)) {
        RecordError(RZ_ERR_CAPTURE_WINDOW);
        ApplyDefaultGeometry();
    }
    model_->SetWindow(geometry_.xOffset, geometry_.yOffset, geometry_.width, geometry_.height,
                      format_.subSample);
    return 1;
}

int32_t CRezive::SetWaitTime(int32_t milliseconds) {
    if (milliseconds < 0) return 0;
    format_.waitTime = milliseconds;
    return 1;
}

int32_t CRezive::SetConfigFilter(int32_t enable) {
    if (enable != 0 && enable != 1) {
        RecordError(RZ_ERR_ARGUMENT);
        return 0;
    }
    defectCorrection_ = enable;
    return 1;
}

}  // namespace rezive
