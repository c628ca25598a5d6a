// What acquisition needs from the camera object that owns it.
#pragma once

#include <cstdint>

namespace rezive {

class AcquisitionHost {
public:
    // Records the code in the camera's history and posts it to the application window.
    virtual int32_t RecordError(int32_t code) = 0;
    // The current device is present and no camera object holds its claim slot.
    virtual bool DeviceAvailable() = 0;
    virtual bool ClaimDevice() = 0;
    virtual void ReleaseClaim() = 0;
    // Re-reads the line length and refreshes the real exposure time; returns the time of one
    // sensor line in seconds, 0 when the line length could not be read.
    virtual double RefreshRealExposure() = 0;

protected:
    ~AcquisitionHost() = default;
};

}  // namespace rezive
