// CRezive417DIRVUDSdk: the model object of the 417DIR camera. It adds to CZYNSdkLib what this
// camera's sensor needs: the open sequence with its register tables, the window, exposure, gain,
// mirror, trigger, clock and sample-width settings, and the limits the camera object reports.
// Sequence results are 0 for success; register-level operations return 1 for success.
#pragma once

#include <atomic>
#include <cstdint>

#include "device/protocol.h"
#include "device/zyn_sdk_lib.h"

namespace rezive {

class CRezive417DIRVUDSdk : public CZYNSdkLib {
public:
    // Probes the device files and opens device 0 (its result is not checked).
    CRezive417DIRVUDSdk();
    ~CRezive417DIRVUDSdk() override;

    // 0 success, 22 for an index outside the device slots.
    int32_t Open(int32_t index);
    void ResetDefaults();
    void InitSensor();

    // Whether SetWindow takes this window: inside the sensor, at least 4 pixels wide and one row
    // high, and a sub-sampling code this model reads out.
    static bool AcceptsWindow(int32_t x, int32_t y, int32_t width, int32_t height,
                              int32_t subsample);
    // 0 success, 1 refused (nothing changed).
    int32_t SetWindow(int32_t x, int32_t y, int32_t width, int32_t height, int32_t subsample);
    int32_t SetExposure(int32_t lines);
    int32_t GetExposure(int32_t* lines);
    int32_t SetGainIndex(int32_t index);
    int32_t GetGainIndex();
    int32_t SetMirrorH(int32_t flag);
    int32_t SetMirrorV(int32_t flag);
    int32_t GetMirrorH() const { return mirrorH_; }
    int32_t GetMirrorV() const { return mirrorV_; }
    int32_t SetTriggerMode(bool on);
    int32_t TriggerMode() const { return triggerMode_; }
    int32_t SetClock(int32_t code);
    int32_t GetClock(int32_t* code);
    int32_t SetSampleWidth(bool sixteen) override;
    int32_t ApplySromVariant(int32_t flag) override;

    int32_t GainMin() const { return 0; }
    int32_t GainMax() const { return 11; }
    int32_t ExposureDefault() const { return 637; }
    int32_t ExposureMax() const { return 0x7FFF; }
    int32_t ExposureMin() const { return 1; }
    int32_t SensorWidth() const { return device::kSensorWidth; }
    int32_t SensorHeight() const { return device::kSensorHeight; }

    // Views for the camera object and tests.
    int32_t SubSample() const { return subSample_; }
    int32_t EvenHeight() const { return evenHeight_; }
    int32_t LastTransferSizeSent() const { return lastTransferSizeSent_; }
    int32_t SensorInitialized() const { return sensorInitialized_; }

    // The analog gain code of a gain index (0 for an index of 12 or more after its low byte).
    static int32_t GainCode(int32_t index);

private:
    void WriteMirrorBit(int32_t bit, int32_t flag);

    // Set and read under the camera lock only.
    int32_t subSample_ = 0;
    int32_t lastTransferSizeSent_ = 0;
    int32_t sensorInitialized_ = 0;

    // Atomic: written under the camera lock; read by the worker thread when automatic exposure
    // sets the exposure, whose frame timing follows the read-out height and the trigger mode.
    // The mirror flags are kept the same way.
    std::atomic<int32_t> evenHeight_{0};  // the window height rounded up to even, as read out
    std::atomic<int32_t> triggerMode_{0};
    std::atomic<int32_t> mirrorH_{0}, mirrorV_{0};
};

}  // namespace rezive
