// CRezive: the camera object behind one handle. It owns the model object, the image buffers,
// the preview window, the acquisition threads and the recorder, keeps every user-visible
// setting, and records and posts errors.
//
// Threading: every operation may be called from any thread at any moment. Operations take the
// camera lock (lock_) for their whole run, so calls on one camera are serialised; the acquisition
// state is read and changed only under it, through the state gate. The lock is never held by the
// worker, streaming or recording threads, so an operation may wait for them (a stop joins the
// worker) without a deadlock. Settings records hold atomic values: the worker reads them
// lock-free and a change takes effect on a later frame. The error history has its own lock, so
// errors are recorded and popped without the camera lock.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "ReziveSdk.h"
#include "acquisition/acquisition.h"
#include "acquisition/image_slots.h"
#include "camera/error_history.h"
#include "imaging/dib_image.h"
#include "output/avi_recorder.h"
#include "platform/mutex.h"
#include "platform/shared_region.h"
#include "platform/window_system.h"
#include "settings/records.h"

namespace rezive {

class CRezive417DIRVUDSdk;
namespace dialogs {
class DialogModel;
}

class CRezive : private AcquisitionHost, private RecordingSource {
public:
    CRezive();
    virtual ~CRezive();
    CRezive(const CRezive&) = delete;
    CRezive& operator=(const CRezive&) = delete;

    // ---- Lifecycle, errors and devices
    int32_t Initialize(platform::WindowId appWindow);
    int32_t RecordError(int32_t code) override;
    // As RecordError, for a failure of the device in `slot` rather than the camera's own.
    int32_t RecordErrorFor(int32_t code, int32_t slot);
    void PostError(int32_t code);  // posted only, not recorded
    int32_t GetLastError() { return errors_.Pop(); }  // the history has its own lock
    std::string ErrorDetail() const { return errors_.Detail(); }
    int32_t EnumDevice(char (*names)[256]);
    int32_t EnumDeviceW(char16_t (*names)[256]);
    int32_t GetDeviceName(int32_t index, char* name, int32_t length);
    int32_t GetDeviceNameW(int32_t index, char16_t* name, int32_t length);
    int32_t SetDeviceNumber(int32_t index);
    int32_t GetCameraInfo(RzCameraInfo* info);
    int32_t GetStatus() const { return 0; }
    int32_t Unsupported();

    // ---- Video format
    int32_t SetColorMode(int32_t bitsPerPixel);
    int32_t GetColorMode() const;
    int32_t SetSubSample(int32_t code);
    int32_t GetSubSample() const { return format_.subSample; }  // atomic: no lock needed
    int32_t SetCaptureWindow(int32_t width, int32_t height);
    int32_t SetCaptureWindowEx(int32_t totalWidth, int32_t xOffset, int32_t width,
                               int32_t totalHeight, int32_t yOffset, int32_t height);
    int32_t GetCaptureWindowEx(int32_t* totalWidth, int32_t* xOffset, int32_t* width,
                               int32_t* totalHeight, int32_t* yOffset, int32_t* height) const;
    int32_t Width() const;
    int32_t Height() const;
    int32_t SetWaitTime(int32_t milliseconds);
    int32_t GetWaitTime() const { return format_.waitTime; }
    int32_t SetConfigFilter(int32_t enable);
    int32_t GetConfigFilter() const { return defectCorrection_; }

    // ---- Sensor control
    int32_t SetFilterValue(int32_t id, int32_t value);
    int32_t GetFilterValue(int32_t id, int32_t* ok);
    int32_t SetRealExposureTime(int32_t milliseconds);
    int32_t GetRealExposureTime(int32_t* ok);
    int32_t SetMirrorH(int32_t on);
    int32_t GetMirrorH();
    int32_t SetMirrorV(int32_t on);
    int32_t GetMirrorV();
    int32_t SetAutoIris(int32_t mode);
    int32_t GetAutoIris(int32_t* ok);

    // ---- Registers, serial ROM, I/O port
    int32_t ReadRegister(int32_t address, int32_t* ok);
    int32_t WriteRegister(int32_t address, int32_t value);
    int32_t ReadSromID(int32_t index, int32_t* ok);
    int32_t WriteSromID(int32_t index, int32_t value);
    int32_t GetIOPort(uint8_t* value);
    int32_t SetIOPort(int32_t value);

    // ---- Acquisition, preview window, files, dialogs
    int32_t SetPreviewWindow(platform::WindowId parent, int32_t left, int32_t top, int32_t right,
                             int32_t bottom);
    int32_t Preview();
    int32_t CallBackPreview(platform::WindowId window, void* buffer, int32_t size, int32_t topDown);
    int32_t StartPreview();
    int32_t StopPreview();
    int32_t Capture();
    int32_t SnapShot(void* buffer, int32_t size, int32_t topDown);
    int32_t GetImage(void* buffer, int32_t size, int32_t topDown);
    int32_t Trigger(platform::WindowId window, void* buffer, int32_t size, int32_t topDown);
    int32_t Close();
    int32_t SoftwareTrigger();
    int32_t SaveImage(const char* fileName, int32_t format);
    int32_t SaveImageW(const char16_t* fileName, int32_t format);
    // The zlib level of this camera's PNG files (RZ_PNG_LEVEL_DEFAULT: libpng's), kept for the
    // object's lifetime only.
    int32_t SetPngCompressionLevel(int32_t level);
    int32_t GetPngCompressionLevel(int32_t* level);
    int32_t Record(const char* fileName, int32_t durationMs, int32_t showWindow);
    int32_t RecordW(const char16_t* fileName, int32_t durationMs, int32_t showWindow);
    int32_t LoadConfigFile(const char* fileName);
    int32_t LoadConfigFileW(const char16_t* fileName);
    // The property dialogs, modal on the calling thread. The camera lock is not held while a
    // dialog is shown, so its hook (and other threads) may call any operation meanwhile.
    int32_t ShowFormatDialog(platform::WindowId parent);
    int32_t ShowAnalogDialog(platform::WindowId parent);
    int32_t ShowFilterDialog(platform::WindowId parent);
    // ---- Frame accounting (stream_stats.cpp)
    int32_t GetStreamStats(RzStreamStats* stats);
    int32_t GetBufferMeta(const void* buffer, RzFrameMeta* meta);
    int32_t SetRecordQueueDepth(int32_t depth);
    // Ends a running recording (finishing its file); part of every stop of acquisition. The
    // recorder has a lock of its own, so this needs no camera lock.
    void StopRecording();
    // The first step of Rezive_Release, taken after the handle left the handle table: under the
    // camera lock the state becomes "releasing", acquisition and recording stop, and calls still
    // in flight on this camera finish without starting anything. The object itself is destroyed
    // when the last of them returns.
    void BeginRelease();
    // The state the gate decides on.
    AcquisitionState State() const;

    // ---- Internal views for tests, which call them while no other thread uses the camera
    CRezive417DIRVUDSdk* Model() const RZ_NO_THREAD_SAFETY_ANALYSIS { return model_.get(); }
    platform::WindowId AppWindow() const { return appWindow_; }
    int32_t DeviceNumber() const RZ_NO_THREAD_SAFETY_ANALYSIS { return deviceNumber_; }
    const CaptureGeometry& Geometry() const RZ_NO_THREAD_SAFETY_ANALYSIS { return geometry_; }
    FilterSettings& Filters() { return filters_; }
    AnalogSettings& Analog() { return analog_; }
    FormatSettings& Format() { return format_; }
    CDibImage* Image(int slot) const { return acquisition_.Image(slot); }
    CAcquisition& Acquisition() { return acquisition_; }
    uint8_t* SharedView() const { return shared_.View(); }
    // The owner token this object writes into claim slots: its application window, or a
    // per-object id when it has none, so a headless claim is visible to other processes.
    uint32_t ClaimToken() const;

private:
    // AcquisitionHost: called by the acquisition from inside an operation, under the camera lock.
    bool DeviceAvailable() override RZ_NO_THREAD_SAFETY_ANALYSIS;
    bool ClaimDevice() override RZ_NO_THREAD_SAFETY_ANALYSIS;
    void ReleaseClaim() override RZ_NO_THREAD_SAFETY_ANALYSIS;
    double RefreshRealExposure() override RZ_NO_THREAD_SAFETY_ANALYSIS;
    // RecordingSource: the image of the colour mode acquisition was prepared with.
    void WithCurrentImage(const std::function<void(const CDibImage*)>& body) override;

    bool RequireModel() RZ_REQUIRES(lock_);  // records 1 without a model object
    // Why a device failure with this code happened in `slot`, for RzGetErrorDetail; empty when
    // nothing is known. ExplainFailure sets the detail for the device failure codes.
    std::string DeviceFailureReason(int32_t code, int32_t slot) const;
    void ExplainFailure(int32_t code, int32_t slot);
    // Asks the state gate; a refusal is recorded. kRun or kAlreadyRunning otherwise.
    GateVerdict::Kind Admit(GatedOperation operation) RZ_REQUIRES(lock_);
    // Checks a device-name request (recording 1, 9 or 2) and formats the slot's display name.
    bool DisplayNameOf(int32_t index, bool nameGiven, int32_t length, char (&full)[32])
        RZ_REQUIRES(lock_);
    void ApplyDefaultGeometry() RZ_REQUIRES(lock_);
    // Whether both the capture-window rule and the model accept g as the sensor window.
    bool WindowAccepted(const CaptureGeometry& g) RZ_REQUIRES(lock_);
    void WriteAnalogToSensor() RZ_REQUIRES(lock_);
    double LineLengthTimesUnit() RZ_REQUIRES(lock_);
    int32_t RealExposureLocked(int32_t* ok) RZ_REQUIRES(lock_);
    int32_t SaveImageLocked(const char* fileName, int32_t format) RZ_REQUIRES(lock_);
    int32_t RecordLocked(const char* fileName, int32_t durationMs, int32_t showWindow)
        RZ_REQUIRES(lock_);
    int32_t LoadConfigFileLocked(const char* fileName) RZ_REQUIRES(lock_);
    int32_t EnumDeviceLocked(char (*names)[256], char16_t (*wideNames)[256]) RZ_REQUIRES(lock_);
    // Whether a dialog may open: a display or hook to show it, and no other dialog open on this
    // camera; false with the error recorded.
    bool MayOpenDialog() RZ_REQUIRES(lock_);
    // Stops a preview or capture (and a recording) or parks the trigger loop; what was running.
    AcquisitionMode PauseAcquisition() RZ_REQUIRES(lock_);
    // Shows it without the camera lock; 1 (OK), 2 (Cancel) or 0 (not shown, recorded).
    int32_t RunOpenDialog(const std::shared_ptr<dialogs::DialogModel>& dialog, int32_t kind,
                          platform::WindowId parent) RZ_EXCLUDES(lock_);

    // The camera lock: taken first, before the acquisition's and the claim lock.
    mutable platform::Mutex lock_;
    bool releasing_ RZ_GUARDED_BY(lock_) = false;

    platform::SharedRegion shared_;
    std::unique_ptr<CRezive417DIRVUDSdk> model_ RZ_GUARDED_BY(lock_);

    CaptureGeometry geometry_ RZ_GUARDED_BY(lock_);
    FormatSettings format_;
    FilterSettings filters_;
    AnalogSettings analog_;

    // Exposure conversion of the real-exposure functions.
    int32_t lineLength_ RZ_GUARDED_BY(lock_) = 0;
    int32_t lineOffset_ RZ_GUARDED_BY(lock_) = 0;
    int32_t lastExposureLines_ RZ_GUARDED_BY(lock_) = 1;
    double timeUnit_ RZ_GUARDED_BY(lock_) = 1.0;
    int32_t lastExposureMs_ RZ_GUARDED_BY(lock_) = 0;
    int32_t pngLevel_ RZ_GUARDED_BY(lock_) = RZ_PNG_LEVEL_DEFAULT;

    Setting defectCorrection_;
    // Read by the worker and recorder threads when they record an error.
    std::atomic<platform::WindowId> appWindow_{0};
    ErrorHistory errors_;
    int32_t deviceNumber_ RZ_GUARDED_BY(lock_) = 0;
    // The same slot, for failures the worker and recorder threads record without the lock.
    std::atomic<int32_t> deviceSlot_{0};
    // The dialog shown on this camera; a release cancels it.
    std::shared_ptr<dialogs::DialogModel> openDialog_ RZ_GUARDED_BY(lock_);

    const uint32_t objectId_;
    platform::Mutex claimMutex_;
    bool claimHeld_ RZ_GUARDED_BY(claimMutex_) = false;
    int32_t claimedDevice_ RZ_GUARDED_BY(claimMutex_) = -1;

    // Last members: destroyed first, so their threads stop while everything they use exists.
    CAcquisition acquisition_;
    AviRecorder recorder_;
};

// Creates the model object of this camera; null when the device layer cannot make one.
std::unique_ptr<CRezive417DIRVUDSdk> CreateModelObject();
// Makes the virtual cameras and the USB cameras backends of the device files (once).
void RegisterDeviceBackends();

// Copies a frame's meta into the public record, as much of it as meta->size holds.
void CopyFrameMeta(const FrameMeta& m, RzFrameMeta* meta);

}  // namespace rezive
