// Initialisation, error reporting and the functions that need no camera, through the C API.
#include <gtest/gtest.h>

#include <ReziveSdk.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/messages.h"

namespace {

using rezive::test::Drain;

// A camera whose initialisation failed because the shared region cannot be opened or created.
class FailedInitialisation : public testing::Test {
protected:
    void SetUp() override {
        const char* name = std::getenv("REZIVE_SHARED_NAME");
        saved_ = name ? name : "";
        setenv("REZIVE_SHARED_NAME", "no/such/region", 1);  // shm names may not hold a '/'
        app_ = RzCreateMessageWindow();
        camera_ = static_cast<RzHandle>(Rezive_Initialize(app_));
    }
    void TearDown() override {
        Rezive_Release(camera_);
        RzDestroyWindow(app_);
        setenv("REZIVE_SHARED_NAME", saved_.c_str(), 1);
    }

    std::string saved_;
    RzWindow app_ = 0;
    RzHandle camera_ = 0;
};

TEST_F(FailedInitialisation, ReturnsAHandleAndReportsFive) {
    ASSERT_NE(camera_, 0u);
    const auto messages = Drain(app_);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].message, RZ_WM_ERROR);
    EXPECT_EQ(messages[0].wParam, 0u);
    EXPECT_EQ(messages[0].lParam, RZ_ERR_BUFFER);

    EXPECT_EQ(Rezive_SetMirrorH(camera_, 1), 0);
    const auto after = Drain(app_);
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].lParam, RZ_ERR_NO_DEVICE);
    EXPECT_EQ(Rezive_GetLastError(camera_), RZ_ERR_NO_DEVICE);
    EXPECT_EQ(Rezive_GetLastError(camera_), RZ_ERR_BUFFER);
    EXPECT_EQ(Rezive_GetLastError(camera_), 0);
}

TEST_F(FailedInitialisation, UnsupportedFunctionsPostElevenWithoutRecording) {
    Drain(app_);
    Rezive_GetLastError(camera_);  // the 5 of initialisation
    int32_t ok = 7;
    EXPECT_EQ(Rezive_Fps(camera_), 0);
    EXPECT_EQ(Rezive_Fpga_ReadRegister(camera_, 3, &ok), 0);
    EXPECT_EQ(Rezive_SetCrossbar(camera_, 2), 0);
    const auto messages = Drain(app_);
    ASSERT_EQ(messages.size(), 3u);
    for (const auto& m : messages) EXPECT_EQ(m.lParam, RZ_ERR_UNSUPPORTED);
    EXPECT_EQ(Rezive_GetLastError(camera_), 0);
}

TEST_F(FailedInitialisation, ColourModesAndTheirReportedCodes) {
    const struct {
        int32_t bits;
        int32_t reported;
    } cases[] = {{8, 8}, {16, 12}, {24, 24}, {32, 32}, {48, 44}, {64, 60}};
    for (const auto& c : cases) {
        EXPECT_EQ(Rezive_SetColorMode(camera_, c.bits), 1) << c.bits;
        EXPECT_EQ(Rezive_GetColorMode(camera_), c.reported) << c.bits;
    }
    Rezive_GetLastError(camera_);
    for (int32_t bad : {0, 12, 15, 44, 60, 65, -8}) {
        EXPECT_EQ(Rezive_SetColorMode(camera_, bad), 0) << bad;
        EXPECT_EQ(Rezive_GetLastError(camera_), RZ_ERR_ARGUMENT) << bad;
        EXPECT_EQ(Rezive_GetColorMode(camera_), 60) << "unchanged after " << bad;
    }
}

TEST_F(FailedInitialisation, PlainSettingsWorkWithoutACamera) {
    Rezive_GetLastError(camera_);
    EXPECT_EQ(Rezive_SetSubSample(camera_, 1), 0);
    EXPECT_EQ(Rezive_GetSubSample(camera_), 0);
    EXPECT_EQ(Rezive_SetSubSample(camera_, 0), 1);
    EXPECT_EQ(Rezive_GetLastError(camera_), 0);

    EXPECT_EQ(Rezive_GetWaitTime(camera_), 10);
    EXPECT_EQ(Rezive_SetWaitTime(camera_, -1), 0);
    EXPECT_EQ(Rezive_SetWaitTime(camera_, 0), 1);
    EXPECT_EQ(Rezive_GetWaitTime(camera_), 0);

    int32_t format = 5;
    EXPECT_EQ(Rezive_GetVideoFormat(camera_, &format), 0);
    EXPECT_EQ(format, 0);
    EXPECT_EQ(Rezive_GetSamplingRate(camera_, nullptr), 0);

    EXPECT_EQ(Rezive_SetConfigFilter(camera_, 2), 0);
    EXPECT_EQ(Rezive_GetLastError(camera_), RZ_ERR_ARGUMENT);
    EXPECT_EQ(Rezive_SetConfigFilter(camera_, 1), 1);
    EXPECT_EQ(Rezive_GetConfigFilter(camera_), 1);

    EXPECT_EQ(Rezive_Width(camera_), 1280);
    EXPECT_EQ(Rezive_Height(camera_), 720);
    int32_t tw = 0, x = -1, w = 0, th = 0, y = -1, h = 0;
    EXPECT_EQ(Rezive_GetCaptureWindowEx(camera_, &tw, &x, &w, &th, &y, &h), 1);
    EXPECT_EQ((std::vector<int32_t>{tw, x, w, th, y, h}),
              (std::vector<int32_t>{1280, 0, 1280, 720, 0, 720}));
    EXPECT_EQ(Rezive_GetCaptureWindowEx(camera_, nullptr, nullptr, nullptr, nullptr, nullptr,
                                        nullptr), 1);
}

TEST_F(FailedInitialisation, AutoIrisPostsNineForBadModesWithoutRecording) {
    Drain(app_);
    Rezive_GetLastError(camera_);
    int32_t ok = 0;
    EXPECT_EQ(Rezive_SetAutoIris(camera_, 2), 1);
    EXPECT_EQ(Rezive_GetAutoIris(camera_, &ok), 2);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(Rezive_GetAutoIris(camera_, nullptr), 2);
    EXPECT_EQ(Rezive_SetAutoIris(camera_, 3), 0);
    const auto messages = Drain(app_);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].lParam, RZ_ERR_ARGUMENT);
    EXPECT_EQ(Rezive_GetLastError(camera_), 0);
}

TEST_F(FailedInitialisation, OperationsThatNeedTheCameraReportOne) {
    Drain(app_);
    Rezive_GetLastError(camera_);
    int32_t ok = 9;
    uint8_t byte = 0;
    RzCameraInfo info{static_cast<int32_t>(sizeof info), 0, 0, 0, 0, 0, 0, 0, 0};
    // Recorded.
    EXPECT_EQ(Rezive_GetFilterValue(camera_, 1, &ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Rezive_GetLastError(camera_), RZ_ERR_NO_DEVICE);
    EXPECT_EQ(Rezive_GetCameraInfo(camera_, &info), 0);
    EXPECT_EQ(Rezive_GetLastError(camera_), RZ_ERR_NO_DEVICE);
    EXPECT_EQ(Rezive_StartPreview(camera_), 0);
    EXPECT_EQ(Rezive_GetLastError(camera_), RZ_ERR_NO_DEVICE);
    EXPECT_EQ(Rezive_SetCaptureWindowEx(camera_, 1280, 0, 640, 720, 0, 480), 0);
    EXPECT_EQ(Rezive_GetLastError(camera_), RZ_ERR_NO_DEVICE);
    Drain(app_);
    // Posted only.
    EXPECT_EQ(Rezive_SetMirrorV(camera_, 1), 0);
    EXPECT_EQ(Rezive_GetMirrorV(camera_), 0);
    EXPECT_EQ(Rezive_GetIOPort(camera_, &byte, 0, 0), 0);
    EXPECT_EQ(Rezive_SetIOPort(camera_, 1), 0);
    EXPECT_EQ(Rezive_ReadSromID(camera_, 1, &ok), 0);
    EXPECT_EQ(Rezive_WriteSromID(camera_, 1, 1), 0);
    EXPECT_EQ(Rezive_GetIOPort(camera_, nullptr, 0, 0), 0);
    const auto messages = Drain(app_);
    ASSERT_EQ(messages.size(), 7u);
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(messages[i].lParam, RZ_ERR_NO_DEVICE) << i;
    EXPECT_EQ(messages[6].lParam, RZ_ERR_ARGUMENT);
    EXPECT_EQ(Rezive_GetLastError(camera_), 0);
}

TEST(Lifecycle, ManyCamerasEachKeepTheirOwnHandle) {
    std::vector<RzHandle> handles;
    for (int i = 0; i < 8; ++i) {
        const auto h = static_cast<RzHandle>(Rezive_Initialize(0));
        ASSERT_NE(h, 0u);
        handles.push_back(h);
        Rezive_SetWaitTime(h, 100 + i);
    }
    for (int i = 7; i >= 0; --i) EXPECT_EQ(Rezive_GetWaitTime(handles[i]), 100 + i);
    for (size_t i = 0; i < handles.size(); i += 2) EXPECT_EQ(Rezive_Release(handles[i]), 1);
    for (size_t i = 0; i < handles.size(); ++i) {
        EXPECT_EQ(Rezive_GetWaitTime(handles[i]), i % 2 == 0 ? -1 : 100 + static_cast<int>(i));
    }
    for (size_t i = 1; i < handles.size(); i += 2) EXPECT_EQ(Rezive_Release(handles[i]), 1);
    EXPECT_EQ(Rezive_Release(handles[1]), 0);
}

}  // namespace
