// The three property dialogs on the camera object: what happens around the showing. Each takes
// the camera lock to set up and to finish, and lets go of it while the dialog is shown.
#include <string>

#include "camera/camera.h"
#include "device/rezive417dir_sdk.h"
#include "dialogs/analog_dialog.h"
#include "dialogs/dialog_runner.h"
#include "dialogs/filter_dialog.h"
#include "dialogs/format_dialog.h"
#include "settings/settings_store.h"

namespace rezive {

bool CRezive::MayOpenDialog() {
    if (!dialogs::DialogsAvailable()) {
        // Neither a display nor a hook: nothing is stopped or changed for a dialog nobody sees.
        RecordError(RZ_ERR_UNSUPPORTED);
        return false;
    }
    if (openDialog_ || releasing_) {
        // One dialog per camera at a time; a second is refused as "not allowed now".
        RecordError(RZ_ERR_NO_DEVICE);
        return false;
    }
    return true;
}

int32_t CRezive::RunOpenDialog(const std::shared_ptr<dialogs::DialogModel>& dialog, int32_t kind,
                               platform::WindowId parent) {
    std::string why;
    const int32_t result = dialogs::RunDialog(dialog, static_cast<dialogs::DialogKind>(kind),
                                              platform::NativeWindowId(parent), &why);
    // Neither a display that can show it nor a hook to drive it: nobody saw the dialog.
    if (result == 0) RecordError(RZ_ERR_UNSUPPORTED);
    return result;
}

AcquisitionMode CRezive::PauseAcquisition() {
    const AcquisitionMode running = acquisition_.Mode();
    if (running == AcquisitionMode::kPreview || running == AcquisitionMode::kCapture) {
        acquisition_.StopPreview();
        StopRecording();
    } else if (running == AcquisitionMode::kTrigger) {
        acquisition_.ParkTrigger(true);
    }
    return running;
}

int32_t CRezive::ShowFormatDialog(platform::WindowId parent) {
    AcquisitionMode running = AcquisitionMode::kIdle;
    std::shared_ptr<dialogs::FormatDialog> dialog;
    int32_t device = 0;
    {
        platform::MutexLock lock(lock_);
        if (!RequireModel() || !MayOpenDialog()) return 0;
        device = deviceNumber_;
        dialog = std::make_shared<dialogs::FormatDialog>(device, dialogs::DialogLanguage());
        openDialog_ = dialog->Model();
        // No frame may read the format fields while the dialog reloads them.
        running = PauseAcquisition();
    }
    const int32_t result = RunOpenDialog(dialog->Model(), 1, parent);
    platform::MutexLock lock(lock_);
    openDialog_.reset();
    // Another thread may have started acquisition while the dialog was shown: it pauses for the
    // reload too, and is what runs afterwards.
    if (running == AcquisitionMode::kIdle) running = PauseAcquisition();
    if (result == dialogs::kResultOk) {
        settings::LoadFormatAtStart(geometry_, device);
        settings::LoadFormatValues(format_, device);
    }
    if (!releasing_) {
        if (running == AcquisitionMode::kPreview) acquisition_.StartPreview();
        if (running == AcquisitionMode::kCapture) acquisition_.Capture();
        if (running == AcquisitionMode::kTrigger) acquisition_.ParkTrigger(false);
    }
    return result != 0 ? 1 : 0;
}

int32_t CRezive::ShowAnalogDialog(platform::WindowId parent) {
    AnalogSettings opened;
    std::shared_ptr<dialogs::AnalogDialog> dialog;
    {
        platform::MutexLock lock(lock_);
        if (!RequireModel() || !MayOpenDialog()) return 0;
        // The dialog opens on what the sensor holds now.
        analog_.globalGain = model_->GetGainIndex();
        analog_.colorGainG1 = analog_.colorGainR = analog_.colorGainB = analog_.colorGainG2 = 0;
        int32_t exposure = 0;
        model_->GetExposure(&exposure);
        analog_.exposure = exposure;
        analog_.mirrorV = model_->GetMirrorV();
        analog_.mirrorH = model_->GetMirrorH();
        opened = analog_;
        const dialogs::AnalogDialogContext context{*model_, analog_, lineLength_, lineOffset_, timeUnit_};
        dialog = std::make_shared<dialogs::AnalogDialog>(context, dialogs::DialogLanguage());
        openDialog_ = dialog->Model();
        acquisition_.Dialog().Set(dialog);
    }
    const int32_t result = RunOpenDialog(dialog->Model(), 2, parent);
    platform::MutexLock lock(lock_);
    acquisition_.Dialog().Set(nullptr);
    if (result != dialogs::kResultOk) {
        // Between frames: automatic exposure in a frame still in flight would otherwise write
        // its exposure over the restored one.
        platform::MutexLock frame(acquisition_.FrameLock());
        analog_ = opened;
        WriteAnalogToSensor();  // gain, exposure, mirror V, mirror H
    }
    openDialog_.reset();
    return result != 0 ? 1 : 0;
}

int32_t CRezive::ShowFilterDialog(platform::WindowId parent) {
    FilterSettings opened;
    std::shared_ptr<dialogs::FilterDialog> dialog;
    {
        platform::MutexLock lock(lock_);
        if (!RequireModel() || !MayOpenDialog()) return 0;
        opened = filters_;
        dialog = std::make_shared<dialogs::FilterDialog>(filters_, format_.colorMode,
                                                         dialogs::DialogLanguage());
        openDialog_ = dialog->Model();
        acquisition_.Dialog().Set(dialog);
    }
    const int32_t result = RunOpenDialog(dialog->Model(), 3, parent);
    platform::MutexLock lock(lock_);
    acquisition_.Dialog().Set(nullptr);
    // Cancel returns the whole record, measured values too, to the opening moment.
    // Between frames, so a white-balance or gray-gain measurement still in flight cannot
    // write its gains over the restored ones.
    if (result != dialogs::kResultOk) {
        platform::MutexLock frame(acquisition_.FrameLock());
        filters_ = opened;
    }
    openDialog_.reset();
    return result != 0 ? 1 : 0;
}

}  // namespace rezive
