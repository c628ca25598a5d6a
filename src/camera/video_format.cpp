// Video format of the camera object: colour mode, sub-sampling, capture window, wait time.
#include "camera/camera.h"
#include "device/rezive417dir_sdk.h"
#include "settings/settings_store.h"

namespace rezive {

int32_t CRezive::SetColorMode(int32_t bitsPerPixel) {
    platform::MutexLock lock(lock_);
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
    platform::MutexLock lock(lock_);
    if (code != 0) return 0;
    format_.subSample = 0;
    return 1;
}

int32_t CRezive::SetCaptureWindowEx(int32_t totalWidth, int32_t xOffset, int32_t width,
                                    int32_t totalHeight, int32_t yOffset, int32_t height) {
    platform::MutexLock lock(lock_);
    if (!RequireModel()) return 0;
    // Re-sizing the transfer ring under a running stream is refused: stop acquisition first.
    if (Admit(GatedOperation::kChangeWindow) != GateVerdict::kRun) return 0;
    CaptureGeometry wanted = geometry_;
    wanted.totalWidth = totalWidth;
    wanted.xOffset = xOffset;
    wanted.width = width;
    wanted.totalHeight = totalHeight;
    wanted.yOffset = yOffset;
    wanted.height = height;
    if (!IsCaptureWindowValid(wanted, format_.subSample)) {
        // An invalid window is kept as given (and reported by GetCaptureWindowEx); preparation
        // refuses it until a valid one is set.
        geometry_ = wanted;
        RecordError(RZ_ERR_CAPTURE_WINDOW);
        return 0;
    }
    // Inside the sensor but narrower than the model can read out (under 4 pixels, or no rows):
    // the model keeps its old window, so storing this one would size the image buffers for a
    // window the transfer does not deliver. Refused, and nothing changes.
    if (model_->SetWindow(xOffset, yOffset, width, height, format_.subSample) != 0) {
        RecordError(RZ_ERR_CAPTURE_WINDOW);
        return 0;
    }
    geometry_ = wanted;
    return 1;
}

int32_t CRezive::GetCaptureWindowEx(int32_t* totalWidth, int32_t* xOffset, int32_t* width,
                                    int32_t* totalHeight, int32_t* yOffset,
                                    int32_t* height) const {
    platform::MutexLock lock(lock_);
    if (totalWidth) *totalWidth = geometry_.totalWidth;
    if (xOffset) *xOffset = geometry_.xOffset;
    if (width) *width = geometry_.width;
    if (totalHeight) *totalHeight = geometry_.totalHeight;
    if (yOffset) *yOffset = geometry_.yOffset;
    if (height) *height = geometry_.height;
    return 1;
}

int32_t CRezive::Width() const {
    platform::MutexLock lock(lock_);
    return geometry_.width;
}

int32_t CRezive::Height() const {
    platform::MutexLock lock(lock_);
    return geometry_.height;
}

int32_t CRezive::SetCaptureWindow(int32_t width, int32_t height) {
    platform::MutexLock lock(lock_);
    if (!RequireModel()) return 0;
    if (Admit(GatedOperation::kChangeWindow) != GateVerdict::kRun) return 0;
    CaptureGeometry preset;
    if (settings::FindSizePreset(width, height, deviceNumber_, &preset) !=
        settings::PresetResult::kFound) {
        RecordError(RZ_ERR_WINDOW);
        return 0;
    }
    geometry_ = preset;
    if (!WindowAccepted(geometry_)) {
        RecordError(RZ_ERR_CAPTURE_WINDOW);
        ApplyDefaultGeometry();
    }
    model_->SetWindow(geometry_.xOffset, geometry_.yOffset, geometry_.width, geometry_.height,
                      format_.subSample);
    return 1;
}

int32_t CRezive::SetWaitTime(int32_t milliseconds) {
    platform::MutexLock lock(lock_);
    if (milliseconds < 0) return 0;
    format_.waitTime = milliseconds;
    return 1;
}

int32_t CRezive::SetConfigFilter(int32_t enable) {
    platform::MutexLock lock(lock_);
    if (enable != 0 && enable != 1) {
        RecordError(RZ_ERR_ARGUMENT);
        return 0;
    }
    defectCorrection_ = enable;
    return 1;
}

}  // namespace rezive
