// The three property dialogs on a desktop: each, in English and in Japanese, opens as a GTK
// window over the running preview, is driven through the dialog hook while shown, and ends the
// way the script ended it. A screenshot of each is written (scripts/dialog-screenshots.sh keeps
// them in docs/).
#include <gtest/gtest.h>

#include <ReziveSdk.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "gtk_probe.h"
#include "support/api_camera_fixture.h"
#include "x_client.h"

namespace rezive::test {
namespace {

std::atomic<RzDialog> g_shown{0};

void RememberDialog(RzDialog dialog, int32_t, void*) { g_shown = dialog; }

std::string Text(RzDialog d, int32_t id) {
    char text[256] = {};
    return RzDialogGetText(d, id, text, sizeof text) == 1 ? text : "<none>";
}

struct Showing {
    const char* name;  // also the screenshot's
    const char* language;
    int32_t bitsPerPixel;
    int32_t (*show)(RzHandle, RzWindow);
    const char* caption;
    std::function<void(RzDialog)> drive;  // from the test's thread while the dialog is shown
    int32_t endWith;                      // the button that ends it: 1 OK, 2 Cancel
};

class GtkDialogsTest : public ApiCameraTest {
protected:
    void SetUp() override {
        std::string why;
        if (!GtkView(&why)) GTEST_SKIP() << why;  // puts DISPLAY in place for the library too
        ApiCameraTest::SetUp();
        const std::string started = display_.Start();
        ASSERT_TRUE(started.empty()) << started;
        camera_->SetTimeScale(0.2);
        RzSetDialogHook(&RememberDialog, nullptr);
    }
    void TearDown() override {
        RzSetDialogHook(nullptr, nullptr);
        unsetenv("REZIVE_DIALOG_LANGUAGE");
        ApiCameraTest::TearDown();
    }
    DisplaySession display_;
};

const Showing kShowings[] = {
    {"dialog-format-en", "en", 24, &Rezive_SetCameraDlg, "Property", [](RzDialog d) {
         char item[256] = {};
         EXPECT_EQ(RzDialogGetItemText(d, 1009, 2, item, sizeof item), 1);
         EXPECT_STREQ(item, "Color 24bit");
         EXPECT_EQ(RzDialogSetText(d, 1045, "5"), 1);
         int32_t enabled = 0;
         EXPECT_EQ(RzDialogIsEnabled(d, 1002, &enabled), 1);
         EXPECT_EQ(enabled, 1) << "typing enables Apply";
     }, 2},
    {"dialog-format-ja", "ja", 8, &Rezive_SetCameraDlg, "プロパティ", [](RzDialog d) {
         char item[256] = {};
         EXPECT_EQ(RzDialogGetItemText(d, 1009, 1, item, sizeof item), 1);
         EXPECT_STREQ(item, "白黒 12bit ※");
     }, 1},
    {"dialog-analog-en", "en", 24, &Rezive_SetAnalogDlg, "Property", [](RzDialog d) {
         EXPECT_EQ(RzDialogSetPosition(d, 1026, 2000), 1);
         EXPECT_EQ(Text(d, 1027), "2000");
     }, 2},
    {"dialog-analog-ja", "ja", 24, &Rezive_SetAnalogDlg, "プロパティ", [](RzDialog d) {
         EXPECT_EQ(RzDialogClick(d, 1028), 1);
         EXPECT_EQ(Text(d, 3), "規定値(&D)");
     }, 1},
    {"dialog-image-en", "en", 24, &Rezive_SetImageDlg, "Property", [](RzDialog d) {
         EXPECT_EQ(RzDialogSetPosition(d, 2001, -100), 1);
         int32_t tabs = 0;
         EXPECT_EQ(RzDialogGetItemCount(d, 1001, &tabs), 1);
         EXPECT_EQ(tabs, 1) << "no Gray Filter tab in colour";
     }, 2},
    {"dialog-image-ja", "ja", 24, &Rezive_SetImageDlg, "プロパティ", [](RzDialog d) {
         EXPECT_EQ(RzDialogSetText(d, 2082, "120"), 1);
     }, 1},
    {"dialog-gray-en", "en", 8, &Rezive_SetImageDlg, "Property", [](RzDialog d) {
         EXPECT_EQ(RzDialogSelectTab(d, 1), 1);
         EXPECT_EQ(RzDialogCheck(d, 1048, 1), 1);
     }, 2},
    {"dialog-gray-ja", "ja", 8, &Rezive_SetImageDlg, "プロパティ", [](RzDialog d) {
         EXPECT_EQ(RzDialogSelectTab(d, 1), 1);
         EXPECT_EQ(RzDialogSetText(d, 2101, "300"), 1);
     }, 1},
};

TEST_F(GtkDialogsTest, EachDialogOpensOverThePreviewIsDrivenWhileShownAndEnds) {
    ASSERT_EQ(Rezive_SetPreviewWindow(handle_, 0, 0, 0, 640, 360), 1);
    XClient& x = display_.X();
    for (const Showing& s : kShowings) {
        SCOPED_TRACE(s.name);
        setenv("REZIVE_DIALOG_LANGUAGE", s.language, 1);
        ASSERT_EQ(Rezive_SetColorMode(handle_, s.bitsPerPixel), 1);
        ASSERT_EQ(Rezive_Preview(handle_), 1);
        RzWindow preview = 0;
        ASSERT_TRUE(WaitFor([&] { return (preview = RzGetPreviewWindow(handle_)) != 0; }));
        uint64_t previewNative = 0;
        ASSERT_EQ(RzGetNativeWindow(preview, &previewNative), 1);
        ASSERT_TRUE(display_.Presenter().Sync(20000));
        g_shown = 0;
        std::thread script([&] {
            RzDialog d = 0;
            if (!WaitUntil([&] { return (d = g_shown.load()) != 0; }, std::chrono::seconds(30))) {
                ADD_FAILURE() << "the hook never saw the dialog";
                return;
            }
            s.drive(d);
            const xcb_window_t window = FindTopLevelUtf8(x, s.caption);
            EXPECT_NE(window, 0u) << "a window captioned " << s.caption;
            if (window != 0) {
                const std::string transient = x.Property(window, XCB_ATOM_WM_TRANSIENT_FOR);
                EXPECT_EQ(transient.size() == 4 ? *reinterpret_cast<const uint32_t*>(transient.data()) : 0u,
                          previewNative) << "modal over the preview";
                EXPECT_TRUE(WriteScreenshot(x, window, ScreenshotPath(s.name)));
                if (std::string(s.name) == "dialog-analog-en") {
                    // The dialog as a user sees it: over the live picture.
                    Geometry p, w;
                    if (x.GetGeometry(static_cast<xcb_window_t>(previewNative), &p) && x.GetGeometry(window, &w)) {
                        const int left = std::min(p.rootX, w.rootX), top = std::min(p.rootY, w.rootY);
                        Geometry crop{left, top, 0, 0, std::max(p.rootX + p.width, w.rootX + w.width) - left,
                                      std::max(p.rootY + p.height, w.rootY + w.height) - top, 0};
                        EXPECT_TRUE(WriteScreenshot(x, x.Screen()->root, ScreenshotPath("dialog-over-preview"), &crop));
                    }
                }
            }
            EXPECT_EQ(RzDialogClick(d, s.endWith), 1);
        });
        const int32_t shown = s.show(handle_, preview);
        script.join();
        EXPECT_EQ(shown, 1);
        int32_t result = 0;
        const RzDialog d = g_shown.load();
        EXPECT_EQ(RzDialogGetResult(d, &result), 1);
        EXPECT_EQ(result, s.endWith) << "OK is 1, Cancel 2";
        EXPECT_EQ(FindTopLevelUtf8(x, s.caption), 0u) << "the window went with the dialog";
        ASSERT_EQ(Rezive_StopPreview(handle_), 1);
    }
}

}  // namespace
}  // namespace rezive::test
