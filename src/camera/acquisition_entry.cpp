// Entry points of acquisition, files and dialogs on the camera object. Each needs the model
// object first; the subsystems behind them take over as they are built.
#include "camera/camera.h"
#include "device/rezive417dir_sdk.h"
#include "platform/text.h"

namespace rezive {

int32_t CRezive::SetPreviewWindow(platform::WindowId parent, int32_t left, int32_t top,
                                  int32_t right, int32_t bottom) {
    if (!RequireModel()) return 0;
    previewParent_ = parent;
    previewRect_ = {left, top, right, bottom};
    return 1;
}

int32_t CRezive::Preview() { return RequireModel() ? (RecordError(RZ_ERR_NO_DEVICE), 0) : 0; }

int32_t CRezive::CallBackPreview(platform::WindowId, void*, int32_t, int32_t) {
    return RequireModel() ? (RecordError(RZ_ERR_NO_DEVICE), 0) : 0;
}

int32_t CRezive::StartPreview() { return RequireModel() ? (RecordError(RZ_ERR_NO_DEVICE), 0) : 0; }

int32_t CRezive::StopPreview() {
    if (!RequireModel()) return 0;
    mode_ = 0;
    ReleaseClaim();
    return 1;
}

int32_t CRezive::Capture() { return RequireModel() ? (RecordError(RZ_ERR_NO_DEVICE), 0) : 0; }

int32_t CRezive::SnapShot(void*, int32_t, int32_t) {
    return RequireModel() ? (RecordError(RZ_ERR_NO_DEVICE), 0) : 0;
}

int32_t CRezive::GetImage(void*, int32_t, int32_t) {
    RecordError(RZ_ERR_NO_DEVICE);
    return 0;
}

int32_t CRezive::Trigger(platform::WindowId, void*, int32_t, int32_t) {
    return RequireModel() ? (RecordError(RZ_ERR_NO_DEVICE), 0) : 0;
}

int32_t CRezive::Close() {
    if (model_) {
        mode_ = 0;
        ReleaseClaim();
        model_->CloseSingleFrame();
    }
    imageAvailable_ = 0;
    windowClassName_.clear();
    return 1;
}

int32_t CRezive::SaveImage(const char*, int32_t) {
    RecordError(RZ_ERR_NO_DEVICE);
    return 0;
}

int32_t CRezive::SaveImageW(const char16_t* fileName, int32_t format) {
    if (!RequireModel()) return 0;
    char narrow[platform::kNarrowNameBuffer];
    if (!platform::Utf16ToNarrow(fileName, narrow, sizeof narrow)) {
        RecordError(RZ_ERR_NO_DEVICE);
        return 0;
    }
    return SaveImage(narrow, format);
}

int32_t CRezive::Record(const char* fileName, int32_t, int32_t) {
    if (fileName == nullptr || *fileName == '\0') {
        RecordError(RZ_ERR_ARGUMENT);
        return 0;
    }
    RecordError(RZ_ERR_FILE);
    return 0;
}

int32_t CRezive::RecordW(const char16_t* fileName, int32_t durationMs, int32_t showWindow) {
    char narrow[platform::kNarrowNameBuffer];
    if (!platform::Utf16ToNarrow(fileName, narrow, sizeof narrow)) {
        RecordError(RZ_ERR_FILE);
        return 0;
    }
    return Record(narrow, durationMs, showWindow);
}

int32_t CRezive::LoadConfigFile(const char*) { return 0; }

int32_t CRezive::LoadConfigFileW(const char16_t* fileName) {
    char narrow[platform::kNarrowNameBuffer];
    if (!platform::Utf16ToNarrow(fileName, narrow, sizeof narrow)) {
        RecordError(RZ_ERR_FILE);
        return 0;
    }
    return LoadConfigFile(narrow);
}

int32_t CRezive::ShowDialog(platform::WindowId) {
    if (!RequireModel()) return 0;
    // The property dialogs are not available in this build.
    PostError(RZ_ERR_UNSUPPORTED);
    return 0;
}

}  // namespace rezive
