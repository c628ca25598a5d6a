// CRezive417DIRVUDSdk: the model object of the 417DIR camera (sensor control, transport,
// transfer engine and raw copy). Results follow the device layer's codes: 0 success for the
// sequences, 1 success for the open-exchange-close operations, as each declaration says.
#pragma once

#include <cstdint>

namespace rezive {

class CRezive417DIRVUDSdk {
public:
    // Probes the device files and opens device 0 (its result is not checked).
    CRezive417DIRVUDSdk();
    virtual ~CRezive417DIRVUDSdk();
    CRezive417DIRVUDSdk(const CRezive417DIRVUDSdk&) = delete;
    CRezive417DIRVUDSdk& operator=(const CRezive417DIRVUDSdk&) = delete;

    // Device selection: 0 success, 22 for an index above 32.
    int32_t Open(int32_t index);
    void ProbeDevices();
    bool IsDevicePresent(int32_t index) const;
    int32_t SelectedDevice() const;

    // Sensor control.
    int32_t SetWindow(int32_t x, int32_t y, int32_t width, int32_t height, int32_t subsample);
    int32_t SetExposure(int32_t lines);
    int32_t GetExposure(int32_t* lines);
    int32_t SetGainIndex(int32_t index);
    int32_t GetGainIndex();
    int32_t SetMirrorH(int32_t flag);
    int32_t SetMirrorV(int32_t flag);
    int32_t GetMirrorH() const;
    int32_t GetMirrorV() const;
    int32_t SetTriggerMode(bool on);
    int32_t SetClock(int32_t code);
    int32_t GetClock(int32_t* code);
    virtual int32_t SetSampleWidth(bool sixteen);
    virtual int32_t ApplySromVariant(int32_t flag);
    int32_t GainMin() const { return 0; }
    int32_t GainMax() const { return 11; }
    int32_t ExposureDefault() const { return 637; }
    int32_t ExposureMax() const { return 0x7FFF; }
    int32_t ExposureMin() const { return 1; }
    int32_t SensorWidth() const { return 1280; }
    int32_t SensorHeight() const { return 720; }

    // Open-exchange-close operations: 1 success, 0 failure.
    int32_t WriteSensorRegister(int32_t address, int32_t value);
    int32_t ReadSensorRegister(int32_t address, int32_t* value);
    int32_t WritePort(int32_t port, int32_t value);
    int32_t ReadPort(int32_t port, int32_t* value);
    int32_t ReadSrom(int32_t address, int32_t* value);
    int32_t ReadSromId(int32_t index, int32_t* value);
    int32_t WriteSromId(int32_t index, int32_t value);
    void SetTransferTimeout(int32_t milliseconds);

    // Transfer engine and raw copy.
    int32_t StartStreaming();
    int32_t StopStreaming();
    int32_t WaitFrame();
    int32_t DecodeNewest(uint8_t* out);
    int32_t TransferSingleFrame();
    void CloseSingleFrame();
    int32_t DecodeSingleFrame(uint8_t* out);
};

}  // namespace rezive
