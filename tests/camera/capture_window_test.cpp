#include <gtest/gtest.h>

#include "camera/camera.h"

namespace rezive {
namespace {

struct WindowCase {
    int32_t x, y, width, height, subSample;
    bool valid;
};

void PrintTo(const WindowCase& c, std::ostream* os) {
    *os << c.x << "," << c.y << " " << c.width << "x" << c.height << " sub " << c.subSample;
}

class CaptureWindowTest : public testing::TestWithParam<WindowCase> {};

TEST_P(CaptureWindowTest, Validation) {
    const WindowCase& c = GetParam();
    CaptureGeometry g;
    g.totalWidth = 99999;  // totals are reported only, never checked
    g.totalHeight = -5;
    g.xOffset = c.x;
    g.yOffset = c.y;
    g.width = c.width;
    g.height = c.height;
    EXPECT_EQ(IsCaptureWindowValid(g, c.subSample), c.valid);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CaptureWindowTest,
    testing::Values(WindowCase{0, 0, 1280, 720, 0, true},
                    WindowCase{1, 0, 1280, 720, 0, false},   // runs past the right edge
                    WindowCase{0, 1, 1280, 720, 0, false},   // runs past the bottom
                    WindowCase{0, 0, 0, 0, 0, true},         // an empty window is valid
                    WindowCase{1280, 720, 0, 0, 0, true},
                    WindowCase{1281, 0, 0, 10, 0, false},
                    WindowCase{0, 721, 10, 0, 0, false},
                    WindowCase{-1, 0, 10, 10, 0, false},
                    WindowCase{0, -1, 10, 10, 0, false},
                    WindowCase{0, 0, -1, 10, 0, false},
                    WindowCase{0, 0, 10, -1, 0, false},
                    WindowCase{640, 360, 640, 360, 0, true},
                    WindowCase{0, 0, 1281, 10, 0, false},
                    WindowCase{0, 0, 10, 721, 0, false},
                    WindowCase{0, 0, 640, 480, 1, false},
                    WindowCase{0, 0, 640, 480, 2, false},
                    WindowCase{0, 0, 640, 480, 3, false},
                    WindowCase{0, 0, 640, 480, 17, false},
                    WindowCase{0, 0, 640, 480, 18, false},
                    WindowCase{0, 0, 640, 480, 19, false},
                    WindowCase{0, 0, 640, 480, 4, true},
                    WindowCase{0, 0, 640, 480, 16, true}));

TEST(CameraObject, DefaultsBeforeInitialisation) {
    CRezive camera;
    EXPECT_EQ(camera.Width(), 1280);
    EXPECT_EQ(camera.Height(), 720);
    EXPECT_EQ(camera.GetColorMode(), 8);
    EXPECT_EQ(camera.GetWaitTime(), 10);
    EXPECT_EQ(camera.GetSubSample(), 0);
    EXPECT_EQ(camera.GetStatus(), 0);
    EXPECT_EQ(camera.Geometry().bufferCount, 4);
    EXPECT_EQ(camera.Model(), nullptr);
    EXPECT_EQ(camera.GetLastError(), 0);
}

TEST(CameraObject, HeadlessObjectsGetDistinctNonzeroClaimTokens) {
    CRezive a, b;
    EXPECT_NE(a.ClaimToken(), 0u);
    EXPECT_NE(b.ClaimToken(), 0u);
    EXPECT_NE(a.ClaimToken(), b.ClaimToken());
}

}  // namespace
}  // namespace rezive
