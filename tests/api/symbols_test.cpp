// The shared library's dynamic symbol table is exactly the public interface.
#include <gtest/gtest.h>

#include "support/dynamic_symbols.h"

#include <cstdio>
#include <set>
#include <string>

namespace {

using rezive::test::DefinedDynamicSymbols;

const std::set<std::string> kExpected = {
    "Rezive_Initialize", "Rezive_Release", "Rezive_GetDllVersion", "Rezive_GetLastError",
    "Rezive_EnumDevice", "Rezive_EnumDeviceW", "Rezive_GetDeviceName", "Rezive_GetDeviceNameW",
    "Rezive_SetDeviceNumber", "Rezive_GetCameraInfo", "Rezive_GetStatus", "Rezive_Close",
    "Rezive_SetColorMode", "Rezive_GetColorMode", "Rezive_SetSubSample", "Rezive_GetSubSample",
    "Rezive_SetCaptureWindow", "Rezive_SetCaptureWindowEx", "Rezive_GetCaptureWindowEx",
    "Rezive_Width", "Rezive_Height", "Rezive_GetVideoFormat", "Rezive_GetSamplingRate",
    "Rezive_SetWaitTime", "Rezive_GetWaitTime", "Rezive_SetConfigFilter",
    "Rezive_GetConfigFilter", "Rezive_SetExposureTime", "Rezive_GetExposureTime",
    "Rezive_SetRealExposureTime", "Rezive_GetRealExposureTime", "Rezive_SetGlobalGain",
    "Rezive_GetGlobalGain", "Rezive_SetColorGainRed", "Rezive_SetColorGainGreen1",
    "Rezive_SetColorGainGreen2", "Rezive_SetColorGainBlue", "Rezive_GetColorGainRed",
    "Rezive_GetColorGainGreen1", "Rezive_GetColorGainGreen2", "Rezive_GetColorGainBlue",
    "Rezive_SetMirrorH", "Rezive_GetMirrorH", "Rezive_SetMirrorV", "Rezive_GetMirrorV",
    "Rezive_SetAutoIris", "Rezive_GetAutoIris", "Rezive_SetFilterValue", "Rezive_GetFilterValue",
    "Rezive_SetBrightness", "Rezive_GetBrightness", "Rezive_SetContrast", "Rezive_GetContrast",
    "Rezive_SetHue", "Rezive_GetHue", "Rezive_SetSaturation", "Rezive_GetSaturation",
    "Rezive_SetSharpness", "Rezive_GetSharpness", "Rezive_SetBayerGainRGB",
    "Rezive_GetBayerGainRGB", "Rezive_SetBayerGainRed", "Rezive_GetBayerGainRed",
    "Rezive_SetBayerGainGreen", "Rezive_GetBayerGainGreen", "Rezive_SetBayerGainBlue",
    "Rezive_GetBayerGainBlue", "Rezive_SetBayerGainAuto", "Rezive_GetBayerGainAuto",
    "Rezive_SetGamma", "Rezive_GetGamma", "Rezive_SetBayerMode", "Rezive_GetBayerMode",
    "Rezive_SetGrayMode", "Rezive_GetGrayMode", "Rezive_SetGrayGainR", "Rezive_GetGrayGainR",
    "Rezive_SetGrayGainG1", "Rezive_GetGrayGainG1", "Rezive_SetGrayGainG2",
    "Rezive_GetGrayGainG2", "Rezive_SetGrayGainB", "Rezive_GetGrayGainB",
    "Rezive_SetGrayOffsetR", "Rezive_GetGrayOffsetR", "Rezive_SetGrayOffsetG1",
    "Rezive_GetGrayOffsetG1", "Rezive_SetGrayOffsetG2", "Rezive_GetGrayOffsetG2",
    "Rezive_SetGrayOffsetB", "Rezive_GetGrayOffsetB", "Rezive_SetPreviewWindow",
    "Rezive_Preview", "Rezive_CallBackPreview", "Rezive_StartPreview", "Rezive_StopPreview",
    "Rezive_Capture", "Rezive_SnapShot", "Rezive_GetImage", "Rezive_Trigger",
    "Rezive_SaveImage", "Rezive_SaveImageW", "Rezive_Record", "Rezive_RecordW",
    "Rezive_LoadConfigFileA", "Rezive_LoadConfigFileW", "Rezive_ReadRegister",
    "Rezive_ReadRegisterEx", "Rezive_WriteRegister", "Rezive_WriteRegisterEx",
    "Rezive_ReadSromID", "Rezive_WriteSromID", "Rezive_GetIOPort", "Rezive_SetIOPort",
    "Rezive_SetCameraDlg", "Rezive_SetAnalogDlg", "Rezive_SetImageDlg",
    "Rezive_Fpga_ReadRegister", "Rezive_Fpga_WriteRegister", "Rezive_Fps",
    "Rezive_GetHalfClock", "Rezive_SetHalfClock", "Rezive_SetCrossbar",
    "Rezive_SetSamplingRate",
    // companion window and message API
    "RzCreateMessageWindow", "RzDestroyWindow", "RzWaitMessage", "RzPostMessage",
    "RzSetMessageHandler", "RzSoftwareTrigger", "RzWrapNativeWindow", "RzGetNativeWindow",
    "RzGetPreviewWindow", "RzDescribeUsbDevices", "RzListAttachedCameras", "RzGetErrorDetail", "RzSetDialogHook", "RzDialogGetKind", "RzDialogGetText",
    "RzDialogSetText", "RzDialogSelectItem", "RzDialogGetSelection", "RzDialogGetItemCount",
    "RzDialogGetItemText", "RzDialogSelectTab", "RzDialogCheck", "RzDialogIsChecked",
    "RzDialogSetPosition", "RzDialogGetPosition", "RzDialogClick", "RzDialogIsEnabled",
    "RzDialogEnd", "RzDialogGetResult",
    // companion frame accounting API
    "RzGetStreamStats", "RzGetFrameMeta", "RzGetBufferMeta", "RzSetRecordQueueDepth",
    // companion still-image API
    "RzSetPngCompressionLevel", "RzGetPngCompressionLevel",
    // companion error texts and settings table
    "RzGetErrorText", "RzGetSettingCount", "RzGetSettingInfo", "RzGetSettingValue",
    "RzSetSettingValue",
};

TEST(SharedLibrary, ExportsExactlyThePublicInterface) {
    const auto symbols = DefinedDynamicSymbols(REZIVE_SHARED_LIBRARY_PATH);
    ASSERT_FALSE(symbols.empty()) << "could not read " << REZIVE_SHARED_LIBRARY_PATH;
    size_t rezive = 0;
    for (const auto& name : kExpected) rezive += name.rfind("Rezive_", 0) == 0;
    EXPECT_EQ(rezive, 124u);
    for (const auto& name : kExpected) EXPECT_TRUE(symbols.count(name)) << "missing: " << name;
    for (const auto& name : symbols) EXPECT_TRUE(kExpected.count(name)) << "extra: " << name;
}

}  // namespace
