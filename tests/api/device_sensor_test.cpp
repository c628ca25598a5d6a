// Sensor settings, registers, serial ROM and the I/O port through the C API.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ReziveSdk.h"
#include "virtual_camera/virtual_camera.h"

namespace {

using rezive::virtual_camera::CameraAt;

class DeviceSensorApiTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("REZIVE_VIRTUAL_CAMERAS", "1", 1);
        CameraAt(0).Reset();
        handle_ = Rezive_Initialize(0);
        ASSERT_NE(handle_, 0u);
    }
    void TearDown() override {
        Rezive_Release(handle_);
        setenv("REZIVE_VIRTUAL_CAMERAS", "0", 1);
        CameraAt(0).Reset();
    }
    uint16_t Reg(int a) { return CameraAt(0).Register(a); }
    RzHandle handle_ = 0;
};

TEST_F(DeviceSensorApiTest, InitialisationProgramsTheSensor) {
    EXPECT_EQ(Reg(0x07), 1280);
    EXPECT_EQ(Reg(0x05), 720);
    EXPECT_EQ(CameraAt(0).TransferSize(), 921600u);
    EXPECT_EQ(Reg(0x02) & 3, 3);  // both mirrors off after the analog settings are written
    RzCameraInfo info{};
    info.size = 36;
    ASSERT_EQ(Rezive_GetCameraInfo(handle_, &info), 1);
    EXPECT_EQ(info.width, 1280);
    EXPECT_EQ(info.gainMax, 11);
}

TEST_F(DeviceSensorApiTest, RegistersRomAndPort) {
    EXPECT_EQ(Rezive_WriteRegister(handle_, 0x1234, 0xABCD), 1);
    int32_t ok = 0;
    EXPECT_EQ(Rezive_ReadRegister(handle_, 0x1234, &ok), 0xABCD);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(Rezive_WriteRegisterEx(handle_, 0x20, 0x0D07), 1);
    EXPECT_EQ(Rezive_ReadRegisterEx(handle_, 0x20, &ok), 0x0D07);

    EXPECT_EQ(Rezive_WriteSromID(handle_, 4, 0x77), 1);
    EXPECT_EQ(Rezive_ReadSromID(handle_, 4, &ok), 0x77);
    EXPECT_EQ(CameraAt(0).Rom(0x1804), 0x77);

    EXPECT_EQ(Rezive_SetIOPort(handle_, 0x5A), 1);
    uint8_t port = 0;
    EXPECT_EQ(Rezive_GetIOPort(handle_, &port, 0, 0), 1);
    EXPECT_EQ(port, 0x5A);

    CameraAt(0).FailExchanges(rezive::virtual_camera::kRegisterExchanges, 1);
    EXPECT_EQ(Rezive_WriteRegister(handle_, 1, 1), 0);
    EXPECT_EQ(Rezive_GetLastError(handle_), 6);
}

TEST_F(DeviceSensorApiTest, GainExposureAndMirrorsReachTheSensor) {
    EXPECT_EQ(Rezive_SetFilterValue(handle_, 13, 11), 1);
    EXPECT_EQ(Reg(0x23), 0x3D3D);
    int32_t ok = 0;
    EXPECT_EQ(Rezive_GetFilterValue(handle_, 13, &ok), 11);
    EXPECT_EQ(Rezive_SetFilterValue(handle_, 18, 900), 1);
    EXPECT_EQ(Reg(0x0F), 900);
    EXPECT_EQ(Reg(0x0E), 181);
    EXPECT_EQ(Rezive_GetFilterValue(handle_, 18, &ok), 900);

    EXPECT_EQ(Rezive_SetMirrorH(handle_, 1), 1);
    EXPECT_EQ(Reg(0x02) & 2, 0);
    EXPECT_EQ(Rezive_SetMirrorV(handle_, 1), 1);
    EXPECT_EQ(Reg(0x02) & 1, 0);
    EXPECT_EQ(Rezive_GetMirrorH(handle_), 1);
    EXPECT_EQ(Rezive_SetMirrorH(handle_, 0), 1);
    EXPECT_EQ(Reg(0x02) & 2, 2);
}

TEST_F(DeviceSensorApiTest, RealExposureUsesTheLineLengthRegister) {
    ASSERT_EQ(Rezive_SetFilterValue(handle_, 18, 637), 1);
    int32_t ok = 0;
    // 637 lines x (register 0x2E + 6) x 1e-5 (single precision) x 1000; the virtual sensor's
    // line-length term is 1 at the full window.
    const int32_t expected = static_cast<int32_t>(637.0 * 7 * static_cast<double>(1e-5f) * 1000);
    EXPECT_EQ(Rezive_GetRealExposureTime(handle_, &ok), expected);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(Rezive_SetRealExposureTime(handle_, 2000), 1);
    EXPECT_EQ(Reg(0x0F), static_cast<uint16_t>(2.0 / (7 * static_cast<double>(1e-5f))));
    EXPECT_EQ(Rezive_SetRealExposureTime(handle_, 0), 0);  // below one line
    EXPECT_EQ(Rezive_GetLastError(handle_), 9);
    EXPECT_EQ(Rezive_SetRealExposureTime(handle_, 3000), 0);  // above 32767 lines
    EXPECT_EQ(Rezive_GetLastError(handle_), 9);
}

}  // namespace
