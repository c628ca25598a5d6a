// Device enumeration, naming and switching through the C API against virtual cameras.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "ReziveSdk.h"
#include "virtual_camera/virtual_camera.h"

namespace {

using rezive::virtual_camera::CameraAt;

class DeviceEnumApiTest : public ::testing::Test {
protected:
    // Cameras in the given slots only: the others are unplugged.
    void Cameras(int slots, std::initializer_list<int> unplugged = {}) {
        setenv("REZIVE_VIRTUAL_CAMERAS", std::to_string(slots).c_str(), 1);
        for (int i = 0; i < 32; ++i) CameraAt(i).Reset();
        for (int i : unplugged) CameraAt(i).Unplug();
        handle_ = Rezive_Initialize(0);
        ASSERT_NE(handle_, 0u);
    }
    void TearDown() override {
        if (handle_) Rezive_Release(handle_);
        setenv("REZIVE_VIRTUAL_CAMERAS", "0", 1);
        for (int i = 0; i < 32; ++i) CameraAt(i).Reset();
    }
    RzHandle handle_ = 0;
};

TEST_F(DeviceEnumApiTest, CamerasInSlotsZeroAndTwo) {
    Cameras(3, {1});
    char names[10][256];
    std::memset(names, 'x', sizeof names);
    EXPECT_EQ(Rezive_EnumDevice(handle_, names), 2);
    EXPECT_STREQ(names[0], "Rezive417DIR-DEZ_01");
    EXPECT_STREQ(names[1], "Rezive417DIR-DEZ_02");  // numbered consecutively
    for (int i = 2; i < 10; ++i) EXPECT_STREQ(names[i], "");

    RzChar16 wide[10][256];
    EXPECT_EQ(Rezive_EnumDeviceW(handle_, wide), 2);
    EXPECT_EQ(wide[1][17], u'0');
    EXPECT_EQ(wide[1][18], u'2');
    EXPECT_EQ(wide[1][19], 0);

    char name[20];
    EXPECT_EQ(Rezive_GetDeviceName(handle_, 2, name, 20), 1);
    EXPECT_STREQ(name, "Rezive417DIR-DEZ_03");  // the slot number, not the counter
    EXPECT_EQ(Rezive_GetDeviceName(handle_, 1, name, 20), 0);
    EXPECT_EQ(Rezive_GetLastError(handle_), 2);
    EXPECT_EQ(Rezive_GetDeviceName(handle_, 32, name, 20), 0);
    EXPECT_EQ(Rezive_GetLastError(handle_), 9);
}

TEST_F(DeviceEnumApiTest, ShortNameBuffersAreTruncatedWithinTheirLength) {
    Cameras(1);
    struct Case { int32_t length; int32_t result; const char* name; int32_t error; };
    const Case cases[] = {
        {20, 1, "Rezive417DIR-DEZ_01", 0}, {19, 1, "Rezive417DIR-DEZ_0", 0},
        {16, 1, "Rezive417DIR-DE", 0},     {15, 0, nullptr, 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        char buffer[32];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(Rezive_GetDeviceName(handle_, 0, buffer, c.length), c.result);
        RzChar16 wide[32];
        for (auto& w : wide) w = u'#';
        EXPECT_EQ(Rezive_GetDeviceNameW(handle_, 0, wide, c.length), c.result);
        if (c.result) {
            EXPECT_STREQ(buffer, c.name);
            EXPECT_EQ(wide[std::strlen(c.name)], 0);
        } else {
            EXPECT_EQ(Rezive_GetLastError(handle_), c.error);
        }
        for (int i = c.length; i < 32; ++i) ASSERT_EQ(buffer[i], '#') << "wrote past the length";
        for (int i = c.length; i < 32; ++i) ASSERT_EQ(wide[i], u'#') << "wrote past the length";
    }
}

TEST_F(DeviceEnumApiTest, MoreThanTenDevicesWriteTenEntriesAndCountAll) {
    Cameras(12);
    char names[12][256];
    std::memset(names, 'x', sizeof names);
    EXPECT_EQ(Rezive_EnumDevice(handle_, names), 12);
    EXPECT_STREQ(names[9], "Rezive417DIR-DEZ_10");
    EXPECT_EQ(names[10][0], 'x');
    EXPECT_EQ(names[11][0], 'x');
}

TEST_F(DeviceEnumApiTest, SwitchingDevicesAppliesTheRomVariant) {
    setenv("REZIVE_VIRTUAL_CAMERAS", "3", 1);
    for (int i = 0; i < 32; ++i) CameraAt(i).Reset();
    CameraAt(1).Unplug();
    CameraAt(2).SetRom(0x1EB0, 2);
    handle_ = Rezive_Initialize(0);
    ASSERT_NE(handle_, 0u);
    EXPECT_EQ(Rezive_SetDeviceNumber(handle_, 2), 1);
    EXPECT_EQ(CameraAt(2).Register(0x50) & 1, 1);   // variant byte 2: bit set
    EXPECT_EQ(CameraAt(2).Register(0x8000), 0x000D);  // tables loaded on the new device
    EXPECT_EQ(Rezive_SetDeviceNumber(handle_, 1), 0);
    EXPECT_EQ(Rezive_GetLastError(handle_), 2);
    EXPECT_EQ(Rezive_SetDeviceNumber(handle_, 0), 1);
    EXPECT_EQ(CameraAt(0).Register(0x50) & 1, 0);   // variant byte 1: bit cleared
}

TEST_F(DeviceEnumApiTest, NoCameraStillGivesAModelWithoutADevice) {
    Cameras(0);
    char names[10][256];
    EXPECT_EQ(Rezive_EnumDevice(handle_, names), 0);
    int32_t ok = 1;
    EXPECT_EQ(Rezive_ReadRegister(handle_, 0x0F, &ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Rezive_GetLastError(handle_), 6);
    RzCameraInfo info{};
    info.size = sizeof info;
    EXPECT_EQ(Rezive_GetCameraInfo(handle_, &info), 1);
    EXPECT_EQ(info.exposureMax, 32767);
}

}  // namespace
