// Every export answers an unknown handle with its invalid-handle value and posts nothing.
#include <gtest/gtest.h>

#include <ReziveSdk.h>

#include <functional>
#include <string>
#include <vector>

namespace {

struct Call {
    std::string name;
    int32_t invalidValue;
    std::function<int32_t(RzHandle)> call;
};

std::vector<Call> AllHandleExports() {
    static int32_t i32;
    static uint8_t byte;
    static char names[10][256];
    static RzChar16 wnames[10][256];
    static char name[64];
    static RzChar16 wname[64];
    static RzCameraInfo info{static_cast<int32_t>(sizeof(RzCameraInfo)), 0, 0, 0, 0, 0, 0, 0, 0};
    static uint8_t buffer[64];
    static const RzChar16 wfile[] = u"x.bmp";
    std::vector<Call> calls = {
        {"Release", 0, [](RzHandle h) { return Rezive_Release(h); }},
        {"GetLastError", 0, [](RzHandle h) { return Rezive_GetLastError(h); }},
        {"EnumDevice", 0, [](RzHandle h) { return Rezive_EnumDevice(h, names); }},
        {"EnumDeviceW", 0, [](RzHandle h) { return Rezive_EnumDeviceW(h, wnames); }},
        {"GetDeviceName", 0, [](RzHandle h) { return Rezive_GetDeviceName(h, 0, name, 64); }},
        {"GetDeviceNameW", 0, [](RzHandle h) { return Rezive_GetDeviceNameW(h, 0, wname, 64); }},
        {"SetDeviceNumber", 0, [](RzHandle h) { return Rezive_SetDeviceNumber(h, 0); }},
        {"GetCameraInfo", 0, [](RzHandle h) { return Rezive_GetCameraInfo(h, &info); }},
        {"GetStatus", 0, [](RzHandle h) { return Rezive_GetStatus(h, 0); }},
        {"Close", 0, [](RzHandle h) { return Rezive_Close(h); }},
        {"SetColorMode", 0, [](RzHandle h) { return Rezive_SetColorMode(h, 24); }},
        {"GetColorMode", -1, [](RzHandle h) { return Rezive_GetColorMode(h); }},
        {"SetSubSample", 0, [](RzHandle h) { return Rezive_SetSubSample(h, 0); }},
        {"GetSubSample", -1, [](RzHandle h) { return Rezive_GetSubSample(h); }},
        {"SetCaptureWindow", 0, [](RzHandle h) { return Rezive_SetCaptureWindow(h, 640, 480); }},
        {"SetCaptureWindowEx", 0,
         [](RzHandle h) { return Rezive_SetCaptureWindowEx(h, 1280, 0, 640, 720, 0, 480); }},
        {"GetCaptureWindowEx", 0,
         [](RzHandle h) { return Rezive_GetCaptureWindowEx(h, &i32, &i32, &i32, &i32, &i32, &i32); }},
        {"Width", 0, [](RzHandle h) { return Rezive_Width(h); }},
        {"Height", 0, [](RzHandle h) { return Rezive_Height(h); }},
        {"GetVideoFormat", 0, [](RzHandle h) { return Rezive_GetVideoFormat(h, &i32); }},
        {"GetSamplingRate", 0, [](RzHandle h) { return Rezive_GetSamplingRate(h, &i32); }},
        {"SetWaitTime", 0, [](RzHandle h) { return Rezive_SetWaitTime(h, 5); }},
        {"GetWaitTime", -1, [](RzHandle h) { return Rezive_GetWaitTime(h); }},
        {"SetConfigFilter", 0, [](RzHandle h) { return Rezive_SetConfigFilter(h, 1); }},
        {"GetConfigFilter", 0, [](RzHandle h) { return Rezive_GetConfigFilter(h); }},
        {"SetRealExposureTime", 0, [](RzHandle h) { return Rezive_SetRealExposureTime(h, 10); }},
        {"GetRealExposureTime", 0, [](RzHandle h) { return Rezive_GetRealExposureTime(h, &i32); }},
        {"SetMirrorH", 0, [](RzHandle h) { return Rezive_SetMirrorH(h, 1); }},
        {"GetMirrorH", 0, [](RzHandle h) { return Rezive_GetMirrorH(h); }},
        {"SetMirrorV", 0, [](RzHandle h) { return Rezive_SetMirrorV(h, 1); }},
        {"GetMirrorV", 0, [](RzHandle h) { return Rezive_GetMirrorV(h); }},
        {"SetAutoIris", 0, [](RzHandle h) { return Rezive_SetAutoIris(h, 1); }},
        {"GetAutoIris", 0, [](RzHandle h) { return Rezive_GetAutoIris(h, &i32); }},
        {"SetFilterValue", 0, [](RzHandle h) { return Rezive_SetFilterValue(h, 1, 5); }},
        {"GetFilterValue", 0, [](RzHandle h) { return Rezive_GetFilterValue(h, 1, &i32); }},
        {"SetPreviewWindow", 0, [](RzHandle h) { return Rezive_SetPreviewWindow(h, 0, 0, 0, 1, 1); }},
        {"Preview", 0, [](RzHandle h) { return Rezive_Preview(h); }},
        {"CallBackPreview", 0,
         [](RzHandle h) { return Rezive_CallBackPreview(h, 0, buffer, sizeof buffer, 1); }},
        {"StartPreview", 0, [](RzHandle h) { return Rezive_StartPreview(h); }},
        {"StopPreview", 0, [](RzHandle h) { return Rezive_StopPreview(h); }},
        {"Capture", 0, [](RzHandle h) { return Rezive_Capture(h); }},
        {"SnapShot", 0, [](RzHandle h) { return Rezive_SnapShot(h, buffer, sizeof buffer, 1); }},
        {"GetImage", 0, [](RzHandle h) { return Rezive_GetImage(h, buffer, sizeof buffer, 1); }},
        {"Trigger", 0, [](RzHandle h) { return Rezive_Trigger(h, 0, buffer, sizeof buffer, 1); }},
        {"SaveImage", 0, [](RzHandle h) { return Rezive_SaveImage(h, "x.bmp", 0); }},
        {"SaveImageW", 0, [](RzHandle h) { return Rezive_SaveImageW(h, wfile, 0); }},
        {"Record", 0, [](RzHandle h) { return Rezive_Record(h, "x.avi", 100, 0); }},
        {"RecordW", 0, [](RzHandle h) { return Rezive_RecordW(h, wfile, 100, 0); }},
        {"LoadConfigFileA", 0, [](RzHandle h) { return Rezive_LoadConfigFileA(h, "x.cfg"); }},
        {"LoadConfigFileW", 0, [](RzHandle h) { return Rezive_LoadConfigFileW(h, wfile); }},
        {"ReadRegister", 0, [](RzHandle h) { return Rezive_ReadRegister(h, 1, &i32); }},
        {"ReadRegisterEx", 0, [](RzHandle h) { return Rezive_ReadRegisterEx(h, 1, &i32); }},
        {"WriteRegister", 0, [](RzHandle h) { return Rezive_WriteRegister(h, 1, 1); }},
        {"WriteRegisterEx", 0, [](RzHandle h) { return Rezive_WriteRegisterEx(h, 1, 1); }},
        {"ReadSromID", 0, [](RzHandle h) { return Rezive_ReadSromID(h, 1, &i32); }},
        {"WriteSromID", 0, [](RzHandle h) { return Rezive_WriteSromID(h, 1, 1); }},
        {"GetIOPort", 0, [](RzHandle h) { return Rezive_GetIOPort(h, &byte, 0, 0); }},
        {"SetIOPort", 0, [](RzHandle h) { return Rezive_SetIOPort(h, 1); }},
        {"SetCameraDlg", 0, [](RzHandle h) { return Rezive_SetCameraDlg(h, 0); }},
        {"SetAnalogDlg", 0, [](RzHandle h) { return Rezive_SetAnalogDlg(h, 0); }},
        {"SetImageDlg", 0, [](RzHandle h) { return Rezive_SetImageDlg(h, 0); }},
        {"Fpga_ReadRegister", 0, [](RzHandle h) { return Rezive_Fpga_ReadRegister(h, 1, &i32); }},
        {"Fpga_WriteRegister", 0, [](RzHandle h) { return Rezive_Fpga_WriteRegister(h, 1, 1); }},
        {"Fps", 0, [](RzHandle h) { return Rezive_Fps(h); }},
        {"GetHalfClock", 0, [](RzHandle h) { return Rezive_GetHalfClock(h); }},
        {"SetHalfClock", 0, [](RzHandle h) { return Rezive_SetHalfClock(h, 1); }},
        {"SetCrossbar", 0, [](RzHandle h) { return Rezive_SetCrossbar(h, 1); }},
        {"SetSamplingRate", 0, [](RzHandle h) { return Rezive_SetSamplingRate(h, 1); }},
    };
#define RZ_PAIR(Name)                                                                         \
    calls.push_back({"Set" #Name, 0, [](RzHandle h) { return Rezive_Set##Name(h, 0); }});     \
    calls.push_back({"Get" #Name, 0, [](RzHandle h) { return Rezive_Get##Name(h, &i32); }});
    RZ_PAIR(ExposureTime) RZ_PAIR(GlobalGain) RZ_PAIR(ColorGainRed) RZ_PAIR(ColorGainGreen1)
    RZ_PAIR(ColorGainGreen2) RZ_PAIR(ColorGainBlue) RZ_PAIR(Brightness) RZ_PAIR(Contrast)
    RZ_PAIR(Hue) RZ_PAIR(Saturation) RZ_PAIR(Sharpness) RZ_PAIR(BayerGainRGB)
    RZ_PAIR(BayerGainRed) RZ_PAIR(BayerGainGreen) RZ_PAIR(BayerGainBlue) RZ_PAIR(BayerGainAuto)
    RZ_PAIR(Gamma) RZ_PAIR(BayerMode) RZ_PAIR(GrayMode) RZ_PAIR(GrayGainR) RZ_PAIR(GrayGainG1)
    RZ_PAIR(GrayGainG2) RZ_PAIR(GrayGainB) RZ_PAIR(GrayOffsetR) RZ_PAIR(GrayOffsetG1)
    RZ_PAIR(GrayOffsetG2) RZ_PAIR(GrayOffsetB)
#undef RZ_PAIR
    return calls;
}

TEST(InvalidHandle, EveryExportTakingAHandleIsCovered) {
    // 124 exports, less Rezive_Initialize and Rezive_GetDllVersion, which take no handle.
    EXPECT_EQ(AllHandleExports().size(), 122u);
}

class InvalidHandleTest : public testing::TestWithParam<bool> {};

TEST_P(InvalidHandleTest, ReturnsTheInvalidValueAndPostsNothing) {
    const RzWindow app = RzCreateMessageWindow();
    ASSERT_NE(app, 0u);
    RzHandle handle = 0x12345678u;
    if (GetParam()) {
        // A handle that was issued and then released.
        handle = static_cast<RzHandle>(Rezive_Initialize(app));
        ASSERT_NE(handle, 0u);
        ASSERT_EQ(Rezive_Release(handle), 1);
        RzMessage drained;
        while (RzWaitMessage(app, &drained, 0) == 1) {
        }
    }
    for (const Call& c : AllHandleExports()) {
        EXPECT_EQ(c.call(handle), c.invalidValue) << "Rezive_" << c.name;
    }
    RzMessage m;
    EXPECT_EQ(RzWaitMessage(app, &m, 0), 0) << "message " << m.message << " lParam " << m.lParam;
    RzDestroyWindow(app);
}

INSTANTIATE_TEST_SUITE_P(NeverIssuedAndReleased, InvalidHandleTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("Released") : std::string("NeverIssued");
                         });

TEST(Library, VersionNeedsNoCamera) { EXPECT_EQ(Rezive_GetDllVersion(), 28378399); }

}  // namespace
