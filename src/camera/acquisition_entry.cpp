// Entry points of acquisition and files on the camera object. Each needs the model
// object first and asks the state gate; the acquisition component does the work.
#include "camera/camera.h"
#include "device/protocol.h"
#include "device/rezive417dir_sdk.h"
#include "platform/text.h"

namespace rezive {

int32_t CRezive::SetPreviewWindow(platform::WindowId parent, int32_t left, int32_t top,
                                  int32_t right, int32_t bottom) {
    platform::MutexLock lock(lock_);
    if (!RequireModel()) return 0;
    acquisition_.SetPreviewGeometry(parent, {left, top, right, bottom});
    return 1;
}

int32_t CRezive::Preview() {
    platform::MutexLock lock(lock_);
    if (!RequireModel()) return 0;
    const GateVerdict::Kind admitted = Admit(GatedOperation::kStartPreview);
    if (admitted == GateVerdict::kRefused) return 0;
    return acquisition_.Preview();
}

int32_t CRezive::CallBackPreview(platform::WindowId window, void* buffer, int32_t size,
                                 int32_t topDown) {
    platform::MutexLock lock(lock_);
    if (!RequireModel()) return 0;
    if (Admit(GatedOperation::kStartPreview) == GateVerdict::kRefused) return 0;
    return acquisition_.CallBackPreview(window, buffer, size, topDown);
}

int32_t CRezive::StartPreview() {
    platform::MutexLock lock(lock_);
    if (!RequireModel()) return 0;
    const GateVerdict::Kind admitted = Admit(GatedOperation::kStartPreview);
    if (admitted != GateVerdict::kRun) return admitted == GateVerdict::kAlreadyRunning ? 1 : 0;
    return acquisition_.StartPreview();
}

int32_t CRezive::StopPreview() {
    platform::MutexLock lock(lock_);
    if (!RequireModel()) return 0;
    const int32_t result = acquisition_.StopPreview();
    StopRecording();
    return result;
}

int32_t CRezive::Capture() {
    platform::MutexLock lock(lock_);
    if (!RequireModel()) return 0;
    const GateVerdict::Kind admitted = Admit(GatedOperation::kCapture);
    if (admitted != GateVerdict::kRun) return admitted == GateVerdict::kAlreadyRunning ? 1 : 0;
    return acquisition_.Capture();
}

int32_t CRezive::SnapShot(void* buffer, int32_t size, int32_t topDown) {
    platform::MutexLock lock(lock_);
    if (!RequireModel()) return 0;
    if (Admit(GatedOperation::kSnapShot) != GateVerdict::kRun) return 0;
    return acquisition_.SnapShot(buffer, size, topDown);
}

int32_t CRezive::GetImage(void* buffer, int32_t size, int32_t topDown) {
    platform::MutexLock lock(lock_);
    return RequireModel() ? acquisition_.GetImage(buffer, size, topDown) : 0;
}

int32_t CRezive::Trigger(platform::WindowId window, void* buffer, int32_t size, int32_t topDown) {
    platform::MutexLock lock(lock_);
    if (!RequireModel()) return 0;
    if (Admit(GatedOperation::kTrigger) != GateVerdict::kRun) return 0;
    return acquisition_.Trigger(window, buffer, size, topDown);
}

int32_t CRezive::Close() {
    platform::MutexLock lock(lock_);
    acquisition_.Close();
    StopRecording();
    return 1;
}

int32_t CRezive::SoftwareTrigger() {
    platform::MutexLock lock(lock_);
    if (!RequireModel()) return 0;
    // Trigger port: bit 0 enables the trigger path, bit 1 selects the software source, bit 7 pulses.
    constexpr int32_t kEnabled = 0x03, kPulse = 0x80;
    const bool ok = model_->WritePort(device::kPortTrigger, kEnabled | kPulse) == 1 &&
                    model_->WritePort(device::kPortTrigger, kEnabled) == 1;
    return ok ? 1 : 0;
}

}  // namespace rezive
