// CRezive: the camera object behind one handle. It owns the model object, the image buffers,
// the preview window, the acquisition threads and the recorder, keeps every user-visible
// setting, and records and posts errors.
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
#include "platform/shared_region.h"
#include "platform/window_registry.h"
#include "settings/records.h"

namespace rezive {

class CRezive417DIRVUDSdk;

class CRezive : private AcquisitionHost, private RecordingSource {
public:
    CRezive();
    virtual ~CRezive();
    CRezive(const CRezive&) = delete;
    CRezive& operator=(const CRezive&) = delete;

    // ---- Lifecycle, errors and devices
    int32_t Initialize(platform::WindowId appWindow);
    int32_t RecordError(int32_t code) override;
    void PostError(int32_t code);  // posted only, not recorded
    int32_t GetLastError() { return errors_.Pop(); }
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
    int32_t GetSubSample() const { return format_.subSample; }
    int32_t SetCaptureWindow(int32_t width, int32_t height);
    int32_t SetCaptureWindowEx(int32_t totalWidth, int32_t xOffset, int32_t width,
                               int32_t totalHeight, int32_t yOffset, int32_t height);
    int32_t GetCaptureWindowEx(int32_t* totalWidth, int32_t* xOffset, int32_t* width,
                               int32_t* totalHeight, int32_t* yOffset, int32_t* height) const;
    int32_t Width() const { return geometry_.width; }
    int32_t Height() const { return geometry_.height; }
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
    int32_t Record(const char* fileName, int32_t durationMs, int32_t showWindow);
    int32_t RecordW(const char16_t* fileName, int32_t durationMs, int32_t showWindow);
    int32_t LoadConfigFile(const char* fileName);
    int32_t LoadConfigFileW(const char16_t* fileName);
    int32_t ShowDialog(platform::WindowId parent);
    // Ends a running recording (finishing its file); part of every stop of acquisition.
    void StopRecording();

    // ---- Internal views (tests, the device-claim checks, later subsystems)
    CRezive417DIRVUDSdk* Model() const { return model_.get(); }
    platform::WindowId AppWindow() const { return appWindow_; }
    int32_t DeviceNumber() const { return deviceNumber_; }
    const CaptureGeometry& Geometry() const { return geometry_; }
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
    // AcquisitionHost
    bool DeviceAvailable() override;
    bool ClaimDevice() override;
    void ReleaseClaim() override;
    void RefreshRealExposure() override;
    // RecordingSource: the image of the colour mode acquisition was prepared with.
    void WithCurrentImage(const std::function<void(const CDibImage*)>& body) override;

    bool RequireModel();  // records 1 without a model object
    // Checks a device-name request (recording 1, 9 or 2) and formats the slot's display name.
    bool DisplayNameOf(int32_t index, bool nameGiven, int32_t length, char (&full)[32]);
    void ApplyDefaultGeometry();
    void WriteAnalogToSensor();
    double LineLengthTimesUnit();

    platform::SharedRegion shared_;
    std::unique_ptr<CRezive417DIRVUDSdk> model_;

    CaptureGeometry geometry_;
    FormatSettings format_;
    FilterSettings filters_;
    AnalogSettings analog_;

    // Exposure conversion of the real-exposure functions.
    int32_t lineLength_ = 0;
    int32_t lineOffset_ = 0;
    int32_t lastExposureLines_ = 1;
    double timeUnit_ = 1.0;
    int32_t lastExposureMs_ = 0;

    Setting defectCorrection_;
    platform::WindowId appWindow_ = 0;
    ErrorHistory errors_;
    int32_t deviceNumber_ = 0;

    const uint32_t objectId_;
    std::mutex claimMutex_;
    bool claimHeld_ = false;
    int32_t claimedDevice_ = -1;

    // Last members: destroyed first, so their threads stop while everything they use exists.
    CAcquisition acquisition_;
    AviRecorder recorder_;
};

// Creates the model object of this camera; null when the device layer cannot make one.
std::unique_ptr<CRezive417DIRVUDSdk> CreateModelObject();

}  // namespace rezive
