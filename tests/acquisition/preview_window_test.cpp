#include <gtest/gtest.h>

#include "acquisition/preview_window.h"
#include "imaging/pixel_access.h"

namespace rezive {
namespace {

// Six frame buffers of w x h where the top row of the picture (memory row 0) is bright and every
// other row dark, so an upside-down picture is easy to tell.
struct Frames {
    CDibImage images[6];
    CDibImage* pointers[6];
    Frames(int32_t w, int32_t h) {
        for (int i = 0; i < 6; ++i) {
            images[i].Create(w, h, static_cast<uint16_t>(i == 1 ? 16 : (i == 0 ? 8 : i == 2 ? 24 : i == 3 ? 32 : i == 4 ? 48 : 64)));
            pointers[i] = &images[i];
        }
        for (int32_t c = 0; c < w; ++c) {
            images[0].Row(0)[c] = 200;
            pixel::Store16(images[1].Row(0) + c * 2, 200 << 4);
            for (int k = 0; k < 3; ++k) {
                images[2].Row(0)[c * 3 + k] = 200;
                images[3].Row(0)[c * 4 + k] = 200;
                pixel::Store16(images[4].Row(0) + c * 6 + k * 2, 200 << 4);
                pixel::Store16(images[5].Row(0) + c * 8 + k * 2, 200 << 4);
            }
        }
    }
};

TEST(PreviewWindow, TopLevelWindowIsCentredAtTheCaptureSize) {
    PreviewWindow window;
    window.SetGeometry(0, {0, 0, 640, 480});
    ASSERT_TRUE(window.Create(640, 480, this));
    platform::WindowInfo info;
    ASSERT_TRUE(platform::GetWindowInfo(window.Window(), &info));
    EXPECT_EQ(info.title, PreviewWindow::kTopLevelTitle);
    EXPECT_EQ(info.parent, 0u);
    EXPECT_EQ(info.width, 640);
    EXPECT_EQ(info.height, 480);
    const auto screen = platform::GetScreenSize();
    EXPECT_EQ(info.x, (screen.width - 640) / 2);
    EXPECT_EQ(info.y, (screen.height - 480) / 2);
    EXPECT_EQ(info.style, platform::kStyleTopLevel);
    const std::string cls = window.ClassName();
    EXPECT_EQ(cls.rfind("VideoRenderer_", 0), 0u);
    EXPECT_TRUE(platform::IsWindowClassRegistered(cls));
    window.Close();
    EXPECT_FALSE(platform::IsWindowClassRegistered(cls));
    EXPECT_EQ(window.Window(), 0u);
}

TEST(PreviewWindow, ChildWindowUsesTheRectangleAsPositionAndSize) {
    const platform::WindowId parent = platform::CreateMessageWindow();
    PreviewWindow window;
    window.SetGeometry(parent, {10, 20, 640, 360});
    ASSERT_TRUE(window.Create(1280, 720, this));
    platform::WindowInfo info;
    ASSERT_TRUE(platform::GetWindowInfo(window.Window(), &info));
    EXPECT_EQ(info.title, PreviewWindow::kChildTitle);
    EXPECT_EQ(info.parent, parent);
    EXPECT_EQ(info.x, 10);
    EXPECT_EQ(info.y, 20);
    EXPECT_EQ(info.width, 640);
    EXPECT_EQ(info.height, 360);
    EXPECT_EQ(info.childId, 6540);
    window.Close();
    platform::DestroyWindow(parent);
}

TEST(PreviewWindow, NoWindowWithoutParentOrRectangle) {
    PreviewWindow window;
    window.SetGeometry(0, {0, 0, 0, 0});
    EXPECT_FALSE(window.Wanted());
    EXPECT_FALSE(window.Create(640, 480, this));
    window.Close();
}

TEST(PreviewWindow, EachCreationRegistersANewClass) {
    PreviewWindow window;
    window.SetGeometry(0, {0, 0, 64, 48});
    ASSERT_TRUE(window.Create(64, 48, this));
    const std::string first = window.ClassName();
    window.Close();
    ASSERT_TRUE(window.Create(64, 48, this));
    EXPECT_NE(window.ClassName(), first);
    window.Close();
}

class PreviewDrawTest : public testing::TestWithParam<std::tuple<int, bool>> {};

// Every colour mode, direct and scaled: the picture shows upright (top row bright).
TEST_P(PreviewDrawTest, ShowsThePictureUpright) {
    const auto [mode, scaled] = GetParam();
    const int32_t w = 16, h = 8;
    Frames frames(w, h);
    PreviewWindow window;
    const platform::WindowId parent = platform::CreateMessageWindow();
    window.SetGeometry(parent, {0, 0, scaled ? 32 : w, scaled ? 24 : h});
    ASSERT_TRUE(window.Create(w, h, this));
    CDibImage display;
    window.Draw(frames.pointers, display, mode);
    platform::ClientSurface surface;
    ASSERT_TRUE(platform::ReadClientSurface(window.Window(), &surface));
    const uint8_t* top = surface.pixels.data();
    const uint8_t* bottom = surface.pixels.data() + static_cast<size_t>(surface.height - 1) * surface.stride;
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(top[k], 200) << "mode " << mode;
        EXPECT_EQ(bottom[k], 0) << "mode " << mode;
    }
    // The 16-bit gray mode always goes through the 8-bit display buffer.
    if (mode == 1 || scaled) {
        EXPECT_EQ(display.Width(), surface.width);
        EXPECT_EQ(display.BitsPerPixel(), mode <= 1 ? 8 : 24);
    } else {
        EXPECT_TRUE(display.Empty());
    }
    window.Close();
    platform::DestroyWindow(parent);
}

INSTANTIATE_TEST_SUITE_P(Modes, PreviewDrawTest,
                         testing::Combine(testing::Range(0, 6), testing::Bool()));

TEST(PreviewWindow, DrawingAVanishedWindowDoesNothing) {
    Frames frames(8, 4);
    PreviewWindow window;
    window.SetGeometry(0, {0, 0, 8, 4});
    ASSERT_TRUE(window.Create(8, 4, this));
    platform::DestroyWindow(window.Window());
    CDibImage display;
    window.Draw(frames.pointers, display, 2);
    window.Close();
}

}  // namespace
}  // namespace rezive
