// The preview window through the C API: which window a preview opens, what it shows, and
// what Rezive_Close leaves behind.
#include <gtest/gtest.h>

#include "api/sdk_chain.h"
#include "camera/camera.h"
#include "support/api_camera_fixture.h"
#include "virtual_camera/virtual_camera.h"

namespace rezive::test {
namespace {

class PreviewTest : public ApiCameraTest {
protected:
    CAcquisition& Acquisition() { return SdkChain().Lookup(handle_)->Acquisition(); }
    platform::WindowId Window() { return Acquisition().PreviewWindowId(); }

    // Waits until the window shows a frame (its surface is no longer all black).
    bool WaitForPicture(platform::WindowId window) {
        return WaitFor([&] {
            platform::ClientSurface s;
            if (!platform::ReadClientSurface(window, &s)) return false;
            return std::any_of(s.pixels.begin(), s.pixels.end(), [](uint8_t v) { return v != 0; });
        });
    }
};

TEST_F(PreviewTest, WithoutGeometryAPreviewOpensACentredTopLevelWindow) {
    camera_->SetTimeScale(0.2);
    Rezive_SetCaptureWindowEx(handle_, 1280, 0, 640, 720, 0, 360);
    ASSERT_EQ(Rezive_Preview(handle_), 1);
    const platform::WindowId w = Window();
    ASSERT_NE(w, 0u);
    platform::WindowInfo info;
    ASSERT_TRUE(platform::GetWindowInfo(w, &info));
    // Initialisation set the rectangle to the full capture size; the window takes the capture
    // size at the time of the preview.
    EXPECT_EQ(info.parent, 0u);
    EXPECT_EQ(info.width, 640);
    EXPECT_EQ(info.height, 360);
    EXPECT_EQ(info.title, "Active Window");
    EXPECT_TRUE(WaitForPicture(w));
    const std::string cls = Acquisition().PreviewClassName();
    EXPECT_EQ(Rezive_StopPreview(handle_), 1);
    EXPECT_TRUE(platform::IsWindow(w)) << "stopping alone keeps the window";
    EXPECT_EQ(Rezive_Close(handle_), 1);
    EXPECT_FALSE(platform::IsWindow(w));
    EXPECT_FALSE(platform::IsWindowClassRegistered(cls));
    ASSERT_EQ(Rezive_Preview(handle_), 1);
    EXPECT_NE(Acquisition().PreviewClassName(), cls) << "a new preview registers a new class";
    Rezive_Close(handle_);
}

TEST_F(PreviewTest, ZerosAndNoParentPreviewInvisibly) {
    camera_->SetTimeScale(0.2);
    ASSERT_EQ(Rezive_SetPreviewWindow(handle_, 0, 0, 0, 0, 0), 1);
    ASSERT_EQ(Rezive_Preview(handle_), 1);
    EXPECT_EQ(Window(), 0u);
    Rezive_Close(handle_);
}

TEST_F(PreviewTest, AChildWindowShowsTheFrameScaledAndUpright) {
    camera_->SetTimeScale(0.2);
    const RzWindow parent = RzCreateMessageWindow();
    ASSERT_EQ(Rezive_SetPreviewWindow(handle_, parent, 10, 20, 640, 360), 1);
    Rezive_SetColorMode(handle_, 24);
    ASSERT_EQ(Rezive_Preview(handle_), 1);
    const platform::WindowId w = Window();
    ASSERT_NE(w, 0u);
    platform::WindowInfo info;
    ASSERT_TRUE(platform::GetWindowInfo(w, &info));
    EXPECT_EQ(info.parent, parent);
    EXPECT_EQ(info.x, 10);
    EXPECT_EQ(info.y, 20);
    EXPECT_EQ(info.width, 640);
    EXPECT_EQ(info.height, 360);
    ASSERT_TRUE(WaitForPicture(w));
    Rezive_StopPreview(handle_);
    // The window shows the output image scaled by two, top row first.
    std::vector<uint8_t> image(static_cast<size_t>(1280) * 3 * 720);
    ASSERT_EQ(Rezive_GetImage(handle_, image.data(), static_cast<int32_t>(image.size()), 1), 1);
    platform::ClientSurface s;
    ASSERT_TRUE(platform::ReadClientSurface(w, &s));
    int matches = 0, probes = 0;
    for (int32_t y = 5; y < 360; y += 50)
        for (int32_t x = 5; x < 640; x += 60) {
            ++probes;
            const uint8_t* shown = &s.pixels[static_cast<size_t>(y) * s.stride + x * 4];
            const int32_t sy = static_cast<int32_t>(720.0f / 360.0f * static_cast<float>(359 - y));
            const uint8_t* src = &image[static_cast<size_t>(719 - sy) * 1280 * 3 + (x * 2) * 3];
            matches += shown[0] == src[0] && shown[1] == src[1] && shown[2] == src[2];
        }
    EXPECT_EQ(matches, probes);
    Rezive_Close(handle_);
    RzDestroyWindow(parent);
}

TEST_F(PreviewTest, TheWorkerToleratesTheWindowVanishing) {
    camera_->SetTimeScale(0.2);
    ASSERT_EQ(Rezive_Preview(handle_), 1);
    const platform::WindowId w = Window();
    ASSERT_TRUE(WaitForPicture(w));
    platform::DestroyWindow(w);  // as a user closing it would
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(Rezive_StopPreview(handle_), 1);
    EXPECT_EQ(Rezive_Close(handle_), 1);
}

TEST_F(PreviewTest, GrayFromColourInTheSixteenBitMode) {
    camera_->SetTimeScale(0.2);
    Rezive_SetColorMode(handle_, 16);
    Rezive_SetGrayMode(handle_, 2);
    std::vector<uint8_t> frame(static_cast<size_t>(1280) * 2 * 720);
    ASSERT_EQ(Rezive_SnapShot(handle_, frame.data(), static_cast<int32_t>(frame.size()), 1), 1);
    uint16_t maxSample = 0;
    for (size_t i = 0; i + 1 < frame.size(); i += 2)
        maxSample = std::max<uint16_t>(maxSample, static_cast<uint16_t>(frame[i] | frame[i + 1] << 8));
    EXPECT_GT(maxSample, 255) << "12 significant bits kept";
    EXPECT_LE(maxSample, 4095);
}

}  // namespace
}  // namespace rezive::test
