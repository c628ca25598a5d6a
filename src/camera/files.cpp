// Files of the camera object: still images, AVI recording and the defect-pixel file.
#include <algorithm>

#include "camera/camera.h"
#include "device/rezive417dir_sdk.h"
#include "output/still_writers.h"
#include "platform/text.h"
#include "settings/defect_file.h"

namespace rezive {

int32_t CRezive::SaveImage(const char* fileName, int32_t format) {
    platform::MutexLock lock(lock_);
    return SaveImageLocked(fileName, format);
}

int32_t CRezive::SaveImageLocked(const char* fileName, int32_t format) {
    if (!model_ || !acquisition_.ImageAvailable()) {
        RecordError(RZ_ERR_NO_DEVICE);
        return 0;
    }
    platform::MutexLock frame(acquisition_.FrameLock());
    const CDibImage* image = acquisition_.Image(format_.colorMode);
    if (image == nullptr) {
        RecordError(RZ_ERR_NO_DEVICE);
        return 0;
    }
    return SaveImageFile(fileName, image, format, pngLevel_);
}

int32_t CRezive::SaveImageW(const char16_t* fileName, int32_t format) {
    platform::MutexLock lock(lock_);
    if (!RequireModel()) return 0;
    char narrow[platform::kNarrowNameBuffer];
    {
        platform::MutexLock frame(acquisition_.FrameLock());
        if (acquisition_.Image(format_.colorMode) == nullptr) {
            RecordError(RZ_ERR_NO_DEVICE);
            return 0;
        }
        if (!platform::Utf16ToNarrow(fileName, narrow, sizeof narrow)) {
            RecordError(RZ_ERR_NO_DEVICE);
            return 0;
        }
        return SaveImageFile(narrow, acquisition_.Image(format_.colorMode), format, pngLevel_);
    }
}

static_assert(RZ_PNG_LEVEL_DEFAULT == kPngLevelDefault && RZ_PNG_LEVEL_MAX == kPngLevelMax);

int32_t CRezive::SetPngCompressionLevel(int32_t level) {
    platform::MutexLock lock(lock_);
    if (!RequireModel()) return 0;
    if (!ValidPngLevel(level)) {
        RecordError(RZ_ERR_ARGUMENT);
        return 0;
    }
    pngLevel_ = level;
    return 1;
}

int32_t CRezive::GetPngCompressionLevel(int32_t* level) {
    platform::MutexLock lock(lock_);
    if (!RequireModel()) return 0;
    if (level == nullptr) {
        RecordError(RZ_ERR_ARGUMENT);
        return 0;
    }
    *level = pngLevel_;
    return 1;
}

int32_t CRezive::Record(const char* fileName, int32_t durationMs, int32_t showWindow) {
    platform::MutexLock lock(lock_);
    return RecordLocked(fileName, durationMs, showWindow);
}

int32_t CRezive::RecordLocked(const char* fileName, int32_t durationMs, int32_t showWindow) {
    if (fileName == nullptr || *fileName == '\0') {
        RecordError(RZ_ERR_ARGUMENT);
        return 0;
    }
    // A running recording goes on untouched; a releasing camera starts nothing.
    if (Admit(GatedOperation::kRecord) != GateVerdict::kRun) return 0;
    acquisition_.ClearCallbackTarget();
    if (showWindow != 0 && acquisition_.PreviewWindowWanted() &&
        acquisition_.PreviewWindowId() == 0 && !acquisition_.OpenPreviewWindow()) {
        RecordError(RZ_ERR_WINDOW);
        return 0;
    }
    if (!model_ || acquisition_.StartPreview() != 1) {
        acquisition_.Close();
        RecordError(RZ_ERR_FILE);
        return 0;
    }
    switch (recorder_.Start(fileName, static_cast<uint32_t>(std::max(durationMs, 0)))) {
        case AviRecorder::StartResult::Started:
            return 1;
        case AviRecorder::StartResult::AlreadyRecording:
            RecordError(RZ_ERR_FILE);
            return 0;
        case AviRecorder::StartResult::NoMemory:
        case AviRecorder::StartResult::ThreadFailed:
            acquisition_.Close();
            RecordError(RZ_ERR_THREAD);
            return 0;
        default:
            acquisition_.Close();
            RecordError(RZ_ERR_FILE);
            return 0;
    }
}

void CRezive::WithCurrentImage(const std::function<void(const CDibImage*)>& body) {
    platform::MutexLock frame(acquisition_.FrameLock());
    const int32_t mode = acquisition_.PreparedColorMode();
    body(mode >= 0 && mode <= 5 ? acquisition_.Image(mode) : nullptr);
}

int32_t CRezive::RecordW(const char16_t* fileName, int32_t durationMs, int32_t showWindow) {
    platform::MutexLock lock(lock_);
    char narrow[platform::kNarrowNameBuffer];
    if (!platform::Utf16ToNarrow(fileName, narrow, sizeof narrow)) {
        RecordError(RZ_ERR_FILE);
        return 0;
    }
    return RecordLocked(narrow, durationMs, showWindow);
}

void CRezive::StopRecording() { recorder_.Stop(); }

int32_t CRezive::LoadConfigFile(const char* fileName) {
    platform::MutexLock lock(lock_);
    return LoadConfigFileLocked(fileName);
}

int32_t CRezive::LoadConfigFileLocked(const char* fileName) {
    std::vector<settings::DefectPoint> read;
    if (fileName == nullptr || !settings::ReadDefectFile(fileName, &read)) return 0;
    std::vector<DefectPoint> points;
    points.reserve(read.size());
    for (const auto& p : read) points.push_back(DefectPoint{p.x, p.y});
    acquisition_.Defects().Replace(std::move(points));
    return 1;
}

int32_t CRezive::LoadConfigFileW(const char16_t* fileName) {
    platform::MutexLock lock(lock_);
    char narrow[platform::kNarrowNameBuffer];
    if (!platform::Utf16ToNarrow(fileName, narrow, sizeof narrow)) {
        RecordError(RZ_ERR_FILE);
        return 0;
    }
    return LoadConfigFileLocked(narrow);
}

}  // namespace rezive
