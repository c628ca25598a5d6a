// The device layer and the virtual camera driven directly, below the camera object: N virtual
// cameras enabled and reset to their power-on state for each test.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "virtual_camera/virtual_camera.h"

namespace rezive::test {

inline void EnableVirtualCameras(int n) {
    setenv("REZIVE_VIRTUAL_CAMERAS", std::to_string(n).c_str(), 1);
    for (int i = 0; i < 32; ++i) virtual_camera::CameraAt(i).Reset();
}

class VirtualDeviceTest : public ::testing::Test {
protected:
    void SetUp() override { EnableVirtualCameras(1); }
    void TearDown() override { EnableVirtualCameras(0); }
    virtual_camera::VirtualCamera& Cam(int slot = 0) { return virtual_camera::CameraAt(slot); }
};

}  // namespace rezive::test
