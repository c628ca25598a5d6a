// The X11 presenter on a virtual X server: what another program on the desktop sees of the
// preview windows (geometry, names, pixels) and how the windows live (resize, expose, close).
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <ReziveSdk.h>

#include <cstdlib>

#include "acquisition/preview_window.h"
#include "api/sdk_chain.h"
#include "camera/camera.h"
#include "support/api_camera_fixture.h"
#include "x_client.h"

namespace rezive::test {
namespace {

class X11PresenterTest : public testing::Test {
protected:
    void SetUp() override { REZIVE_START_DISPLAY(display_); }

    // A preview window of the given size with every pixel telling its row and column apart.
    platform::WindowId PatternWindow(int32_t width, int32_t height) {
        const std::string cls = "X11PresenterTest_" + std::to_string(++classes_);
        platform::RegisterWindowClass(cls);
        platform::WindowInfo info;
        info.className = cls;
        info.title = "pattern";
        info.width = width;
        info.height = height;
        const platform::WindowId w = platform::CreatePreviewWindow(info);
        Paint(w, 0);
        return w;
    }
    static void Paint(platform::WindowId w, int seed) {
        platform::DrawToClient(w, [seed](uint8_t* p, int32_t width, int32_t height, int32_t stride) {
            for (int32_t y = 0; y < height; ++y)
                for (int32_t x = 0; x < width; ++x) {
                    uint8_t* q = p + static_cast<size_t>(y) * stride + x * 4;
                    q[0] = static_cast<uint8_t>(x + seed);
                    q[1] = static_cast<uint8_t>(y);
                    q[2] = static_cast<uint8_t>((x >> 8) | (y >> 8) << 4);
                }
        });
    }
    bool ShowsItsSurface(platform::WindowId w) {
        platform::WindowInfo info;
        if (!platform::GetWindowInfo(w, &info)) return false;
        return display_.X().Pixels(DisplaySession::Native(w), info.width, info.height) == SurfacePixels(w);
    }

    DisplaySession display_;
    int classes_ = 0;
};

TEST_F(X11PresenterTest, TopLevelWindowIsCentredOnTheServersScreenWithItsNames) {
    const platform::ScreenSize screen = platform::GetScreenSize();
    EXPECT_EQ(screen.width, 1600);
    EXPECT_EQ(screen.height, 900);
    PreviewWindow window;
    window.SetGeometry(0, {0, 0, 640, 480});
    ASSERT_TRUE(window.Create(640, 480, this));
    ASSERT_TRUE(display_.Presenter().Sync(20000));
    XClient& x = display_.X();
    const xcb_window_t native = DisplaySession::Native(window.Window());
    ASSERT_NE(native, 0u);
    Geometry g;
    ASSERT_TRUE(x.GetGeometry(native, &g));
    EXPECT_EQ(g.parent, x.Screen()->root);
    EXPECT_EQ(g.width, 640);
    EXPECT_EQ(g.height, 480);
    EXPECT_EQ(g.rootX, (1600 - 640) / 2);
    EXPECT_EQ(g.rootY, (900 - 480) / 2);
    EXPECT_EQ(x.Property(native, XCB_ATOM_WM_NAME), "Active Window");
    EXPECT_EQ(x.Property(native, x.Atom("_NET_WM_NAME")), "Active Window");
    const std::string cls = window.ClassName();
    EXPECT_EQ(x.Property(native, XCB_ATOM_WM_CLASS), cls + '\0' + cls + '\0');
    EXPECT_EQ(x.Property(native, x.Atom("WM_PROTOCOLS")).size(), 4u) << "takes WM_DELETE_WINDOW";
    window.Close();
    ASSERT_TRUE(display_.Presenter().Sync(20000));
    EXPECT_FALSE(x.GetGeometry(native, &g)) << "closing destroys the X window";
}

// Every way a frame can reach the server draws the same pixels, top row first.
TEST(X11PresenterPaths, SharedMemoryPlainAndBandedDrawTheSamePixels) {
    if (TestDisplay().empty()) GTEST_SKIP() << "no display";
    struct Path {
        const char* name;
        const char* shm;
        const char* maxRequest;
        bool sharedMemory;
    };
    const Path paths[] = {
        {"shared memory", "1", "", true},
        {"shared memory refused: put-image", "0", "", false},
        {"put-image in bands of 4 kB", "0", "4096", false},
    };
    for (const Path& path : paths) {
        SCOPED_TRACE(path.name);
        setenv("REZIVE_X11_SHM", path.shm, 1);
        setenv("REZIVE_X11_MAX_REQUEST", path.maxRequest, 1);
        {
            struct Fixture : X11PresenterTest {
                void TestBody() override {}
                using X11PresenterTest::display_;
                using X11PresenterTest::PatternWindow;
                using X11PresenterTest::ShowsItsSurface;
            } f;
            const std::string why = f.display_.Start();
            ASSERT_TRUE(why.empty()) << why;
            const platform::WindowId w = f.PatternWindow(333, 217);  // odd width: no padding
            ASSERT_NE(w, 0u);
            ASSERT_TRUE(f.display_.Presenter().Sync(20000));
            EXPECT_TRUE(f.ShowsItsSurface(w));
            const platform::PresenterStats stats = f.display_.Presenter().Stats();
            EXPECT_EQ(stats.sharedMemory, path.sharedMemory);
            EXPECT_EQ(stats.presented, 1u);
            EXPECT_EQ(stats.drawn, 1u);
            platform::DestroyWindow(w);
        }
    }
    unsetenv("REZIVE_X11_SHM");
    unsetenv("REZIVE_X11_MAX_REQUEST");
}

TEST_F(X11PresenterTest, TheWindowFollowsAResizeAndRepaintsWhenExposed) {
    const platform::WindowId w = PatternWindow(320, 240);
    ASSERT_TRUE(display_.Presenter().Sync(20000));
    XClient& x = display_.X();
    const xcb_window_t native = DisplaySession::Native(w);
    const uint32_t size[] = {200, 100};
    xcb_configure_window(x.Connection(), native, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
    x.Flush();
    ASSERT_TRUE(Eventually([&] {
        platform::WindowInfo info;
        return platform::GetWindowInfo(w, &info) && info.width == 200 && info.height == 100;
    })) << "the client surface takes the new size";
    Paint(w, 7);
    ASSERT_TRUE(display_.Presenter().Sync(20000));
    EXPECT_TRUE(ShowsItsSurface(w));

    // Another window's content wiped it: the server asks for a repaint, which shows the last frame.
    const uint64_t repaints = display_.Presenter().Stats().repaints;
    xcb_clear_area(x.Connection(), 1, native, 0, 0, 0, 0);
    x.Flush();
    EXPECT_TRUE(Eventually([&] { return display_.Presenter().Stats().repaints > repaints; }));
    EXPECT_TRUE(Eventually([&] { return ShowsItsSurface(w); }));
    platform::DestroyWindow(w);
}

TEST_F(X11PresenterTest, TheWindowManagersDeleteMessageDestroysTheWindow) {
    const platform::WindowId w = PatternWindow(160, 120);
    ASSERT_TRUE(display_.Presenter().Sync(20000));
    XClient& x = display_.X();
    const xcb_window_t native = DisplaySession::Native(w);
    x.SendDelete(native);
    ASSERT_TRUE(Eventually([&] { return !platform::IsWindow(w); }));
    ASSERT_TRUE(display_.Presenter().Sync(20000));
    Geometry g;
    EXPECT_FALSE(x.GetGeometry(native, &g));
    EXPECT_FALSE(platform::DrawToClient(w, [](uint8_t*, int32_t, int32_t, int32_t) {}))
        << "nothing draws into a closed window";
}

// Through the C API, on the virtual camera.
class X11PreviewTest : public ApiCameraTest {
protected:
    void SetUp() override {
        ApiCameraTest::SetUp();
        camera_->SetTimeScale(0.2);
        REZIVE_START_DISPLAY(display_);
    }
    platform::WindowId Window() { return SdkChain().Lookup(handle_)->Acquisition().PreviewWindowId(); }
    bool WaitForPicture(platform::WindowId w) {
        return WaitFor([&] {
            const auto p = SurfacePixels(w);
            return std::any_of(p.begin(), p.end(), [](uint8_t v) { return v != 0; });
        });
    }
    DisplaySession display_;
};

TEST_F(X11PreviewTest, AChildInsideTheApplicationsOwnWindowShowsTheFrameScaledAndUpright) {
    XClient& x = display_.X();
    const xcb_window_t parent = xcb_generate_id(x.Connection());
    xcb_create_window(x.Connection(), XCB_COPY_FROM_PARENT, parent, x.Screen()->root, 50, 40, 800, 600,
                      0, XCB_WINDOW_CLASS_INPUT_OUTPUT, x.Screen()->root_visual, 0, nullptr);
    xcb_map_window(x.Connection(), parent);
    x.Sync();
    const RzWindow wrapped = RzWrapNativeWindow(parent);
    ASSERT_NE(wrapped, 0u);
    uint64_t id = 0;
    ASSERT_EQ(RzGetNativeWindow(wrapped, &id), 1);
    EXPECT_EQ(id, parent);
    ASSERT_EQ(Rezive_SetPreviewWindow(handle_, wrapped, 10, 20, 640, 360), 1);
    Rezive_SetColorMode(handle_, 24);
    ASSERT_EQ(Rezive_Preview(handle_), 1);
    const platform::WindowId w = Window();
    ASSERT_NE(w, 0u);
    ASSERT_TRUE(WaitForPicture(w));
    Rezive_StopPreview(handle_);
    ASSERT_TRUE(display_.Presenter().Sync(20000));

    ASSERT_EQ(RzGetNativeWindow(w, &id), 1);
    const auto native = static_cast<xcb_window_t>(id);
    Geometry g;
    ASSERT_TRUE(x.GetGeometry(native, &g));
    EXPECT_EQ(g.parent, parent);
    EXPECT_EQ(g.x, 10);
    EXPECT_EQ(g.y, 20);
    EXPECT_EQ(g.width, 640);
    EXPECT_EQ(g.height, 360);
    EXPECT_EQ(x.Property(native, XCB_ATOM_WM_NAME), "ActiveMovie Window");

    // The last frame drawn is the newest image: the server shows it halved, top row first.
    std::vector<uint8_t> image(static_cast<size_t>(1280) * 3 * 720);
    ASSERT_EQ(Rezive_GetImage(handle_, image.data(), static_cast<int32_t>(image.size()), 1), 1);
    const std::vector<uint8_t> shown = x.Pixels(native, 640, 360);
    ASSERT_EQ(shown, SurfacePixels(w));
    int matches = 0, probes = 0;
    for (int32_t y = 5; y < 360; y += 50)
        for (int32_t px = 5; px < 640; px += 60) {
            ++probes;
            const uint8_t* s = &shown[static_cast<size_t>(y) * 640 * 4 + px * 4];
            const int32_t sy = static_cast<int32_t>(720.0f / 360.0f * static_cast<float>(359 - y));
            const uint8_t* src = &image[static_cast<size_t>(719 - sy) * 1280 * 3 + (px * 2) * 3];
            matches += s[0] == src[0] && s[1] == src[1] && s[2] == src[2];
        }
    EXPECT_EQ(matches, probes);

    Rezive_Close(handle_);
    ASSERT_TRUE(display_.Presenter().Sync(20000));
    EXPECT_FALSE(x.GetGeometry(native, &g));
    RzDestroyWindow(wrapped);
    xcb_destroy_window(x.Connection(), parent);
    x.Flush();
}

TEST_F(X11PreviewTest, ATopLevelWindowAtTheCaptureSizeShowsTheImageUpright) {
    Rezive_SetColorMode(handle_, 24);
    ASSERT_EQ(Rezive_Preview(handle_), 1);
    const platform::WindowId w = Window();
    ASSERT_TRUE(WaitForPicture(w));
    Rezive_StopPreview(handle_);
    ASSERT_TRUE(display_.Presenter().Sync(20000));
    std::vector<uint8_t> image(static_cast<size_t>(1280) * 3 * 720);
    ASSERT_EQ(Rezive_GetImage(handle_, image.data(), static_cast<int32_t>(image.size()), 1), 1);
    const std::vector<uint8_t> shown = display_.X().Pixels(DisplaySession::Native(w), 1280, 720);
    ASSERT_EQ(shown, SurfacePixels(w));
    int matches = 0, probes = 0;
    for (int32_t y = 5; y < 720; y += 70)
        for (int32_t px = 5; px < 1280; px += 90) {
            ++probes;
            const uint8_t* s = &shown[static_cast<size_t>(y) * 1280 * 4 + px * 4];
            const uint8_t* src = &image[static_cast<size_t>(y) * 1280 * 3 + px * 3];  // top-down copy
            matches += s[0] == src[0] && s[1] == src[1] && s[2] == src[2];
        }
    EXPECT_EQ(matches, probes);
    Rezive_Close(handle_);
}

TEST_F(X11PreviewTest, AfterTheUserClosesTheWindowFramesGoOnAndNoneIsDrawn) {
    std::vector<uint8_t> buffer(static_cast<size_t>(1280) * 720 * 3);
    ASSERT_EQ(Rezive_CallBackPreview(handle_, callback_, buffer.data(), static_cast<int32_t>(buffer.size()), 0), 1);
    const platform::WindowId w = Window();
    ASSERT_TRUE(WaitForPicture(w));
    ASSERT_TRUE(display_.Presenter().Sync(20000));
    XClient& x = display_.X();
    const xcb_window_t native = DisplaySession::Native(w);
    x.SendDelete(native);
    ASSERT_TRUE(WaitFor([&] { return !platform::IsWindow(w); }));
    Drain(callback_);
    // A frame whose drawing began before the window went may still be handed over; its message
    // comes after that, so count from the next message on.
    RzMessage first;
    ASSERT_TRUE(NextFrameMessage(&first)) << "frames go on without the window";
    const uint64_t presented = display_.Presenter().Stats().presented;
    for (int i = 0; i < 3; ++i) {
        RzMessage m;
        ASSERT_TRUE(NextFrameMessage(&m)) << "frames go on without the window";
    }
    EXPECT_EQ(display_.Presenter().Stats().presented, presented);
    EXPECT_EQ(Rezive_StopPreview(handle_), 1);
    EXPECT_EQ(Rezive_Close(handle_), 1);
}

}  // namespace
}  // namespace rezive::test
