// The image and gray filter dialog end to end: rows per colour mode, live edits, the automatic
// measurements shown in the open dialog, Default, and Cancel restoring the whole record.
#include <string>
#include <vector>

#include "platform/registry_file.h"
#include "support/api_camera_fixture.h"
#include "support/dialog_script.h"

namespace rezive::test {
namespace {

constexpr int32_t kRowEdits[] = {2002, 2012, 2022, 2032, 2042, 2052, 2062, 2072, 2082};

class FilterDialogTest : public FreshCameraTest {
protected:
    int32_t Show() { return Rezive_SetImageDlg(handle_, app_); }
    int32_t Red() { return Rezive_GetBayerGainRed(handle_, nullptr); }
};

TEST_F(FilterDialogTest, RowsAndPagesFollowTheColourMode) {
    struct Case {
        int32_t bits;
        std::vector<int32_t> rowsEnabled;  // brightness .. gamma
        std::vector<std::string> tabs;
    } cases[] = {
        {8, {1, 1, 0, 0, 1, 0, 0, 0, 1}, {"Image Filter", "Gray Filter"}},
        {16, {1, 1, 0, 0, 1, 0, 0, 0, 1}, {"Image Filter", "Gray Filter"}},
        {24, {1, 1, 1, 1, 1, 1, 1, 1, 1}, {"Image Filter"}},
        {64, {1, 1, 1, 1, 1, 1, 1, 1, 1}, {"Image Filter"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        ASSERT_EQ(Rezive_SetColorMode(handle_, c.bits), 1);
        ScopedDialogHook hook([&](RzDialog d, int32_t kind) {
            EXPECT_EQ(kind, RZ_DIALOG_IMAGE);
            EXPECT_EQ(DialogItems(d, 1001), c.tabs);
            for (size_t r = 0; r < 9; ++r) EXPECT_EQ(Enabled(d, kRowEdits[r]), c.rowsEnabled[r]) << r;
            const int32_t colour = c.tabs.size() == 1 ? 1 : 0;
            for (int32_t id : {2074, 1035, 1030, 1033}) EXPECT_EQ(Enabled(d, id), colour) << id;
            EXPECT_EQ(Enabled(d, 2101), c.tabs.size() == 2 ? 1 : -999);  // the gray page
            if (c.tabs.size() == 2) {
                EXPECT_EQ(RzDialogSelectTab(d, 1), 1);
                EXPECT_EQ(Enabled(d, 2074), 1);  // the id now names the gray page's button
                EXPECT_EQ(Enabled(d, 2101), 1);
                EXPECT_EQ(RzDialogSelectTab(d, 0), 1);
                EXPECT_EQ(Enabled(d, 2074), 0);
            } else {
                EXPECT_EQ(RzDialogSelectTab(d, 1), 0);
            }
            EXPECT_EQ(RzDialogClick(d, 2), 1);
        });
        EXPECT_EQ(Show(), 1);
    }
}

TEST_F(FilterDialogTest, EditsAreLiveAndCancelRestoresTheRecord) {
    ASSERT_EQ(Rezive_SetColorMode(handle_, 24), 1);
    ASSERT_EQ(Rezive_SetBrightness(handle_, 12), 1);
    ScopedDialogHook hook([this](RzDialog d, int32_t) {
        EXPECT_EQ(DialogText(d, 2002), "12");
        EXPECT_EQ(RzDialogSetPosition(d, 2001, -100), 1);
        EXPECT_EQ(DialogText(d, 2002), "-100");
        EXPECT_EQ(Rezive_GetBrightness(handle_, nullptr), -100);
        EXPECT_EQ(RzDialogSetPosition(d, 2001, -900), 1);  // the trackbar keeps its range
        EXPECT_EQ(Position(d, 2001), -255);
        EXPECT_EQ(RzDialogSetText(d, 2082, "150"), 1);
        EXPECT_EQ(Rezive_GetGamma(handle_, nullptr), 150);
        EXPECT_EQ(RzDialogCheck(d, 1031, 1), 1);
        EXPECT_EQ(Checked(d, 1033), 0);
        EXPECT_EQ(Rezive_GetBayerMode(handle_, nullptr), 1);
        EXPECT_EQ(RzDialogCheck(d, 1031, 0), 0);  // a radio is unchecked by another only
        EXPECT_EQ(RzDialogEnd(d), 1);
    });
    EXPECT_EQ(Show(), 1);
    EXPECT_EQ(Rezive_GetBrightness(handle_, nullptr), 12);
    EXPECT_EQ(Rezive_GetGamma(handle_, nullptr), 100);
    EXPECT_EQ(Rezive_GetBayerMode(handle_, nullptr), 3);
}

TEST_F(FilterDialogTest, DefaultInAMonochromeModeResetsBothPagesButNotTheGrayMode) {
    ASSERT_EQ(Rezive_SetColorMode(handle_, 8), 1);
    ASSERT_EQ(Rezive_SetGrayMode(handle_, 1), 1);
    ASSERT_EQ(Rezive_SetContrast(handle_, 40), 1);
    ASSERT_EQ(Rezive_SetGrayOffsetR(handle_, -20), 1);
    ScopedDialogHook hook([](RzDialog d, int32_t) {
        EXPECT_EQ(RzDialogClick(d, 3), 1);
        EXPECT_EQ(DialogText(d, 2012), "0");
        EXPECT_EQ(DialogText(d, 2082), "100");
        EXPECT_EQ(Checked(d, 1033), 1);
        EXPECT_EQ(RzDialogSelectTab(d, 1), 1);
        EXPECT_EQ(DialogText(d, 2101), "128");
        EXPECT_EQ(DialogText(d, 2113), "0");
        EXPECT_EQ(Checked(d, 1047), 1);
        // Gray values beyond the API's own ranges are kept as typed.
        EXPECT_EQ(RzDialogSetText(d, 2101, "300"), 1);
        EXPECT_EQ(Position(d, 2100), 300);
        EXPECT_EQ(RzDialogClick(d, 1), 1);
    });
    EXPECT_EQ(Show(), 1);
    EXPECT_EQ(Rezive_GetContrast(handle_, nullptr), 0);
    EXPECT_EQ(Rezive_GetGrayOffsetR(handle_, nullptr), 0);
    EXPECT_EQ(Rezive_GetGrayGainR(handle_, nullptr), 300);
    EXPECT_EQ(Rezive_GetGrayMode(handle_, nullptr), 1);
}

// "Once" measures the white balance in the next frame; the open dialog shows the measured
// gains, and Cancel returns to the gains of the opening moment.
TEST_F(FilterDialogTest, OnceAndAllFramesMeasureAndCancelRestoresMeasuredGains) {
    ASSERT_EQ(Rezive_SetColorMode(handle_, 24), 1);
    ASSERT_EQ(Rezive_SetBayerGainRed(handle_, 250), 1);
    ASSERT_EQ(Rezive_CallBackPreview(handle_, callback_, nullptr, 0, 0), 1);
    ScopedDialogHook hook([this](RzDialog d, int32_t) {
        EXPECT_EQ(RzDialogClick(d, 2074), 1);
        EXPECT_TRUE(WaitFor([&] {
            return Rezive_GetBayerGainAuto(handle_, nullptr) == 0 && DialogText(d, 2052) != "250";
        }));
        const int32_t red = std::stoi(DialogText(d, 2052));
        EXPECT_EQ(red, Red());
        EXPECT_LE(red, 400);
        EXPECT_EQ(Position(d, 2051), red);
        EXPECT_EQ(RzDialogCheck(d, 1035, 1), 1);
        RzMessage m;
        Drain(callback_);
        for (int i = 0; i < 3; ++i) EXPECT_TRUE(NextFrameMessage(&m));
        EXPECT_EQ(Rezive_GetBayerGainAuto(handle_, nullptr), 1);  // every frame until unchecked
        EXPECT_EQ(RzDialogCheck(d, 1035, 0), 1);
        EXPECT_EQ(Rezive_GetBayerGainAuto(handle_, nullptr), 0);
        EXPECT_EQ(RzDialogClick(d, 2), 1);
    });
    EXPECT_EQ(Show(), 1);
    Rezive_StopPreview(handle_);
    EXPECT_EQ(Red(), 250);
}

TEST_F(FilterDialogTest, GrayOnceMeasuresAndRefreshesTheGrayPage) {
    ASSERT_EQ(Rezive_SetColorMode(handle_, 8), 1);
    ASSERT_EQ(Rezive_SetGrayMode(handle_, 1), 1);
    ASSERT_EQ(Rezive_SetGrayGainR(handle_, 7), 1);
    ASSERT_EQ(Rezive_CallBackPreview(handle_, callback_, nullptr, 0, 0), 1);
    ScopedDialogHook hook([this](RzDialog d, int32_t) {
        EXPECT_EQ(RzDialogSelectTab(d, 1), 1);
        EXPECT_EQ(DialogText(d, 2101), "7");
        EXPECT_EQ(RzDialogClick(d, 2074), 1);
        EXPECT_TRUE(WaitFor([&] { return DialogText(d, 2101) != "7"; }));
        EXPECT_EQ(DialogText(d, 2101), std::to_string(Rezive_GetGrayGainR(handle_, nullptr)));
        EXPECT_EQ(RzDialogClick(d, 1), 1);
    });
    EXPECT_EQ(Show(), 1);
    Rezive_StopPreview(handle_);
    EXPECT_NE(Rezive_GetGrayGainR(handle_, nullptr), 7);
}

}  // namespace
}  // namespace rezive::test
