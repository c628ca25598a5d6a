// Dialogs driven from other threads, and the acquisition worker writing into dialogs that are
// being closed: every call returns, nothing is touched after a dialog has gone.
#include <atomic>
#include <future>
#include <thread>

#include "platform/registry_file.h"
#include "support/api_camera_fixture.h"
#include "support/dialog_script.h"

namespace rezive::test {
namespace {

class DialogThreadTest : public FreshCameraTest {};

// The hook only reports the dialog open; another thread drives and ends it.
struct HandOver {
    std::atomic<RzDialog> dialog{0};
    std::atomic<int32_t> kind{0};
    ScopedDialogHook hook{[this](RzDialog d, int32_t k) {
        kind = k;
        dialog = d;
    }};
    RzDialog Wait() {
        EXPECT_TRUE(WaitUntil([&] { return dialog.load() != 0; }, std::chrono::seconds(30)));
        return dialog.exchange(0);
    }
};

using ShowFunction = int32_t (*)(RzHandle, RzWindow);

TEST_F(DialogThreadTest, AnotherThreadDrivesTheDialogAndAnEndedIdIsRefused) {
    HandOver open;
    auto shown = std::async(std::launch::async, [this] { return Rezive_SetAnalogDlg(handle_, 0); });
    const RzDialog d = open.Wait();
    EXPECT_EQ(open.kind, RZ_DIALOG_ANALOG);
    // A second dialog of the same camera is refused while this one is open.
    EXPECT_EQ(Rezive_SetImageDlg(handle_, 0), 0);
    EXPECT_EQ(Rezive_GetLastError(handle_), RZ_ERR_NO_DEVICE);
    EXPECT_EQ(RzDialogSetPosition(d, 1026, 1234), 1);
    EXPECT_EQ(DialogText(d, 1027), "1234");
    EXPECT_EQ(Rezive_GetExposureTime(handle_, nullptr), 1234);  // the camera stays usable
    EXPECT_EQ(RzDialogClick(d, 1), 1);
    EXPECT_EQ(shown.get(), 1);
    EXPECT_EQ(Rezive_GetExposureTime(handle_, nullptr), 1234);
    EXPECT_EQ(DialogText(d, 1027), "<none>");
    EXPECT_EQ(RzDialogClick(d, 2), 0);
    EXPECT_EQ(RzDialogEnd(d), 0);
    EXPECT_EQ(RzDialogClick(0, 1), 0);
    int32_t result = -1;
    EXPECT_EQ(RzDialogGetResult(d, &result), 1);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(RzDialogGetResult(0, &result), 0);
}

TEST_F(DialogThreadTest, ReleasingTheCameraCancelsItsOpenDialog) {
    HandOver open;
    const RzHandle handle = handle_;
    auto shown = std::async(std::launch::async, [handle] { return Rezive_SetImageDlg(handle, 0); });
    const RzDialog d = open.Wait();
    EXPECT_EQ(RzDialogSetPosition(d, 2001, 50), 1);
    EXPECT_EQ(Rezive_Release(handle_), 1);
    handle_ = 0;
    EXPECT_EQ(shown.get(), 1);
    EXPECT_EQ(RzDialogClick(d, 1), 0);
    int32_t result = -1;
    EXPECT_EQ(RzDialogGetResult(d, &result), 1);
    EXPECT_EQ(result, 2);
}

// The worker's automatic exposure and white-balance measurements write into the open dialog
// on every frame while a script opens and ends dialogs as fast as it can.
TEST_F(DialogThreadTest, WorkerUpdatesRaceDialogsBeingClosed) {
    ASSERT_EQ(Rezive_SetColorMode(handle_, 24), 1);
    ASSERT_EQ(Rezive_SetWaitTime(handle_, 0), 1);
    // Small frames, so that many frames meet the dialogs even in a sanitizer build.
    ASSERT_EQ(Rezive_SetCaptureWindowEx(handle_, 1280, 0, 320, 720, 0, 240), 1);
    ASSERT_EQ(Rezive_CallBackPreview(handle_, callback_, nullptr, 0, 0), 1);
    HandOver open;
    const ShowFunction shows[] = {Rezive_SetAnalogDlg, Rezive_SetImageDlg};
    for (int round = 0; round < 16; ++round) {
        SCOPED_TRACE(round);
        const ShowFunction show = shows[round % 2];
        auto shown = std::async(std::launch::async, [&] { return show(handle_, 0); });
        const RzDialog d = open.Wait();
        if (round % 2 == 0) {
            RzDialogCheck(d, 1037, 1);  // automatic exposure writes into 1027
        } else {
            RzDialogCheck(d, 1035, 1);  // white balance measured, and the pages refilled, per frame
        }
        if (round % 3 != 0) {
            RzMessage m;
            EXPECT_TRUE(NextFrameMessage(&m));
        }
        EXPECT_EQ(round % 4 == 1 ? RzDialogClick(d, 1) : RzDialogEnd(d), 1);
        EXPECT_EQ(shown.get(), 1);
    }
    RzMessage m;
    Drain(callback_);
    EXPECT_TRUE(NextFrameMessage(&m));  // the worker goes on
    EXPECT_EQ(Rezive_StopPreview(handle_), 1);
}

}  // namespace
}  // namespace rezive::test
