#include "camera/camera.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>

#include "camera/claim_table.h"
#include "device/protocol.h"
#include "device/rezive417dir_sdk.h"
#include "dialogs/dialog_model.h"
#include "platform/text.h"
#include "settings/settings_store.h"

namespace rezive {
namespace {

constexpr uint32_t kErrorMessage = RZ_WM_ERROR;
constexpr const char* kDisplayPrefix = "Rezive417DIR-DEZ";
constexpr int32_t kEnumEntries = 10;
constexpr int32_t kDeviceSlots = 32;

uint32_t NextObjectId() {
    static std::atomic<uint32_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

// "%s_%02d" display name of device number n (19 characters and the terminator).
void FormatDisplayName(int32_t n, char (&out)[32]) {
    std::snprintf(out, sizeof out, "%s_%02d", kDisplayPrefix, n);
}

}  // namespace

CRezive::CRezive()
    : objectId_(NextObjectId()),
      acquisition_(*this, CameraSettings{filters_, analog_, format_, geometry_, defectCorrection_}),
      recorder_(*this, [this](const RecordingOutcome& outcome) {
          // A recording that could not keep its frames (full disk, size limit, a frame that no
          // longer converts) was finished with what it had; the application learns of it here.
          if (outcome.reason != RecordingEndReason::Completed &&
              outcome.reason != RecordingEndReason::Stopped)
              RecordError(RZ_ERR_FILE);
      }) {
    acquisition_.SetFrameListener(
        [this](const CDibImage& image) { recorder_.NotifyNewFrame(image); });
}

CRezive::~CRezive() {
    // No other thread holds a reference any more; the lock only satisfies the analysis.
    Close();
    platform::MutexLock lock(lock_);
    // Settings are saved only when they were loaded: a camera whose initialisation failed holds
    // all-zero records that would overwrite the user's stored settings.
    if (model_) {
        settings::SaveAnalogGroup(analog_, deviceNumber_);
        settings::SaveFilterGroup(filters_, deviceNumber_);
        settings::SaveGrayGroup(filters_, deviceNumber_);
    }
    ReleaseClaim();
    acquisition_.SetModel(nullptr);
    model_.reset();
    shared_.Close();
}

int32_t CRezive::RecordError(int32_t code) { return RecordErrorFor(code, deviceSlot_.load()); }

int32_t CRezive::RecordErrorFor(int32_t code, int32_t slot) {
    ExplainFailure(code, slot);
    errors_.Push(code);
    if (appWindow_ != 0) platform::PostMessage(appWindow_, kErrorMessage, 0, code);
    return 1;
}

void CRezive::PostError(int32_t code) { platform::PostMessage(appWindow_, kErrorMessage, 0, code); }

bool CRezive::RequireModel() {
    if (model_) return true;
    RecordError(RZ_ERR_NO_DEVICE);
    return false;
}

AcquisitionState CRezive::State() const {
    platform::MutexLock lock(lock_);
    if (releasing_) return AcquisitionState::kReleasing;
    if (recorder_.IsRecording()) return AcquisitionState::kRecording;
    return acquisition_.State();
}

GateVerdict::Kind CRezive::Admit(GatedOperation operation) {
    AcquisitionState state = acquisition_.State();
    if (releasing_) state = AcquisitionState::kReleasing;
    else if (recorder_.IsRecording()) state = AcquisitionState::kRecording;
    const GateVerdict verdict = AskGate(state, operation);
    if (verdict.kind == GateVerdict::kRefused) RecordError(verdict.error);
    return verdict.kind;
}

void CRezive::BeginRelease() {
    {
        platform::MutexLock lock(lock_);
        releasing_ = true;
        if (openDialog_) openDialog_->RequestCancel();
    }
    Close();
}

int32_t CRezive::Unsupported() {
    PostError(RZ_ERR_UNSUPPORTED);
    return 0;
}

void CRezive::ApplyDefaultGeometry() {
    geometry_.totalWidth = geometry_.width = device::kSensorWidth;
    geometry_.totalHeight = geometry_.height = device::kSensorHeight;
    geometry_.xOffset = geometry_.yOffset = 0;
}

void CRezive::WriteAnalogToSensor() {
    model_->SetGainIndex(analog_.globalGain);
    model_->SetExposure(analog_.exposure);
    model_->SetMirrorV(analog_.mirrorV);
    model_->SetMirrorH(analog_.mirrorH);
}

bool CRezive::WindowAccepted(const CaptureGeometry& g) {
    return IsCaptureWindowValid(g, format_.subSample) &&
           CRezive417DIRVUDSdk::AcceptsWindow(g.xOffset, g.yOffset, g.width, g.height,
                                              format_.subSample);
}

int32_t CRezive::Initialize(platform::WindowId appWindow) {
    platform::MutexLock lock(lock_);
    std::string why;
    if (shared_.Open(&why)) {
        model_ = CreateModelObject();
        const bool buffers = acquisition_.CreateBuffers();
        appWindow_ = appWindow;
        acquisition_.SetModel(model_.get());
        if (model_ && buffers) {
            settings::LoadFormatAtStart(geometry_, deviceNumber_);
            if (!WindowAccepted(geometry_)) {
                RecordError(RZ_ERR_CAPTURE_WINDOW);
                ApplyDefaultGeometry();
            }
            model_->SetWindow(geometry_.xOffset, geometry_.yOffset, geometry_.width,
                              geometry_.height, format_.subSample);
            acquisition_.SetPreviewGeometry(0, {0, 0, geometry_.width, geometry_.height});
            settings::LoadFilterGroup(filters_, deviceNumber_);
            settings::LoadGrayGroup(filters_, deviceNumber_);
            settings::LoadAnalogGroup(analog_, deviceNumber_, model_->GetMirrorV(),
                                      model_->GetMirrorH());
            WriteAnalogToSensor();
            settings::LoadFormatValues(format_, deviceNumber_);
            return 1;
        }
    } else {
        appWindow_ = appWindow;
        errors_.SetDetail(why);
    }
    RecordError(RZ_ERR_BUFFER);
    return 0;
}

uint32_t CRezive::ClaimToken() const {
    const platform::WindowId window = appWindow_.load();
    return window != 0 ? window : (0x80000000u | objectId_);
}

bool CRezive::DeviceAvailable() {
    if (!model_ || !model_->IsDevicePresent(deviceNumber_)) return false;
    return !DeviceClaimTable(shared_.View()).IsTaken(deviceNumber_);
}

double CRezive::RefreshRealExposure() {
    RealExposureLocked(nullptr);
    return lineLength_ * timeUnit_;
}

bool CRezive::ClaimDevice() {
    platform::MutexLock lock(claimMutex_);
    DeviceClaimTable table(shared_.View());
    if (!table.Claim(deviceNumber_, ClaimToken(), platform::CurrentProcessId())) return false;
    claimHeld_ = true;
    claimedDevice_ = deviceNumber_;
    return true;
}

void CRezive::ReleaseClaim() {
    // Only a claim this object took is released: two objects of one process that share an
    // application window write the same owner values, and one must not free the other's claim.
    platform::MutexLock lock(claimMutex_);
    if (!claimHeld_) return;
    DeviceClaimTable table(shared_.View());
    table.Release(claimedDevice_, ClaimToken(), platform::CurrentProcessId());
    claimHeld_ = false;
    claimedDevice_ = -1;
}

int32_t CRezive::EnumDevice(char (*names)[256]) {
    platform::MutexLock lock(lock_);
    return EnumDeviceLocked(names, nullptr);
}

int32_t CRezive::EnumDeviceW(char16_t (*names)[256]) {
    platform::MutexLock lock(lock_);
    return EnumDeviceLocked(nullptr, names);
}

// The narrow variant probes the device files again for each slot it looks at; the wide one
// reports the devices found by the last probe.
int32_t CRezive::EnumDeviceLocked(char (*names)[256], char16_t (*wideNames)[256]) {
    if (!RequireModel()) return 0;
    if (names == nullptr && wideNames == nullptr) {
        RecordError(RZ_ERR_ARGUMENT);
        return 0;
    }
    int32_t n = 0;
    for (int32_t i = 0; i < kDeviceSlots; ++i) {
        if (names != nullptr) model_->ProbeDevices();
        if (!model_->IsDevicePresent(i)) continue;
        ++n;
        // The documented table has 10 entries; further devices are counted, not written.
        if (n > kEnumEntries) continue;
        char name[32];
        FormatDisplayName(n, name);
        if (names != nullptr) std::memcpy(names[n - 1], name, std::strlen(name) + 1);
        else platform::NarrowToUtf16(name, wideNames[n - 1], 256);
    }
    for (int32_t i = n; i < kEnumEntries; ++i) {
        if (names != nullptr) names[i][0] = '\0';
        else wideNames[i][0] = 0;
    }
    return n;
}

bool CRezive::DisplayNameOf(int32_t index, bool nameGiven, int32_t length, char (&full)[32]) {
    if (!RequireModel()) return false;
    if (length < 16 || index < 0 || index >= kDeviceSlots || !nameGiven) {
        RecordError(RZ_ERR_ARGUMENT);
        return false;
    }
    if (!model_->IsDevicePresent(index)) {
        RecordErrorFor(RZ_ERR_DEVICE_UNAVAILABLE, index);
        return false;
    }
    FormatDisplayName(index + 1, full);  // the slot number, not the enumeration counter
    return true;
}

// A buffer of 16 to 19 characters gets the name truncated and terminated within length.
int32_t CRezive::GetDeviceName(int32_t index, char* name, int32_t length) {
    platform::MutexLock lock(lock_);
    char full[32];
    if (!DisplayNameOf(index, name != nullptr, length, full)) return 0;
    const size_t n = std::min(std::strlen(full), static_cast<size_t>(length) - 1);
    std::memcpy(name, full, n);
    name[n] = '\0';
    return 1;
}

int32_t CRezive::GetDeviceNameW(int32_t index, char16_t* name, int32_t length) {
    platform::MutexLock lock(lock_);
    char full[32];
    if (!DisplayNameOf(index, name != nullptr, length, full)) return 0;
    char16_t wide[32];
    if (!platform::NarrowToUtf16(full, wide, 32)) {
        RecordError(RZ_ERR_DEVICE_UNAVAILABLE);
        return 0;
    }
    size_t n = 0;
    for (; wide[n] != 0 && n + 1 < static_cast<size_t>(length); ++n) name[n] = wide[n];
    name[n] = 0;
    return 1;
}

int32_t CRezive::SetDeviceNumber(int32_t index) {
    platform::MutexLock lock(lock_);
    if (!RequireModel()) return 0;
    // Re-opening the model re-sizes its buffers and moves its device path: never under a running
    // stream, worker or recording. The application stops acquisition first.
    if (Admit(GatedOperation::kSwitchDevice) != GateVerdict::kRun) return 0;
    settings::SaveAnalogGroup(analog_, deviceNumber_);
    settings::SaveFilterGroup(filters_, deviceNumber_);
    settings::SaveGrayGroup(filters_, deviceNumber_);
    if (!model_->IsDevicePresent(index) || model_->Open(index) != 0) {
        RecordErrorFor(RZ_ERR_DEVICE_UNAVAILABLE, index);
        return 0;
    }
    settings::LoadAnalogGroup(analog_, index, model_->GetMirrorV(), model_->GetMirrorH());
    settings::LoadFilterGroup(filters_, index);
    settings::LoadGrayGroup(filters_, index);
    WriteAnalogToSensor();
    int32_t variant = 0;
    if (model_->ReadSrom(0x1EB0, &variant) == 1) {
        if (variant == 1) model_->ApplySromVariant(0);
        else if (variant == 2) model_->ApplySromVariant(1);
    }
    deviceNumber_ = index;
    deviceSlot_.store(index);
    return 1;
}

int32_t CRezive::GetCameraInfo(RzCameraInfo* info) {
    platform::MutexLock lock(lock_);
    if (!RequireModel()) return 0;
    if (info == nullptr) {
        RecordError(RZ_ERR_ARGUMENT);
        return 0;
    }
    if (info->size <= 35) {
        RecordError(RZ_ERR_BUFFER);
        return 0;
    }
    info->width = device::kSensorWidth;
    info->height = device::kSensorHeight;
    info->gainMin = model_->GainMin();
    info->gainMax = model_->GainMax();
    info->reserved1 = 0;
    info->reserved2 = 0;
    info->exposureMin = model_->ExposureMin();
    info->exposureMax = model_->ExposureMax();
    return 1;
}

}  // namespace rezive
