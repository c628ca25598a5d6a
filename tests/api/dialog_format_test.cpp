// The video-format dialog end to end: what it shows from the settings file, what OK and Apply
// write, and what happens to a running acquisition around it.
#include <string>
#include <vector>

#include "platform/registry_file.h"
#include "support/api_camera_fixture.h"
#include "support/dialog_script.h"

namespace rezive::test {
namespace {

constexpr const char* kCameraKey = "Software\\Ruredo\\Rezive417DIRVUDSdk\\Camera_00";

struct Preset {
    int32_t th, tv, eh, ev, ehs, evs, buf;
};

// Replaces the settings file by Camera_00 with these presets and format values.
void WriteFormatTree(const std::vector<Preset>& presets, int32_t size, int32_t color,
                     int32_t subSample, int32_t clock = 2) {
    std::remove(platform::SettingsFilePath().c_str());
    platform::RegistryWriter writer(platform::SettingsFilePath());
    const platform::RegistryKey camera = writer.CurrentUser().Create(kCameraKey);
    for (size_t i = 0; i < presets.size(); ++i) {
        const std::string name = (i < 10 ? "Size_0" : "Size_") + std::to_string(i);
        const platform::RegistryKey key = camera.Create(name);
        const Preset& p = presets[i];
        const std::pair<const char*, int32_t> values[] = {{"TH", p.th}, {"TV", p.tv}, {"EH", p.eh},
                                                          {"EV", p.ev}, {"EHS", p.ehs},
                                                          {"EVS", p.evs}, {"Buf", p.buf}};
        for (const auto& [n, v] : values) key.WriteDword(n, static_cast<uint32_t>(v));
    }
    const std::pair<const char*, int32_t> format[] = {
        {"Size", size}, {"Color", color}, {"SubSample", subSample}, {"WaitTime", 1}, {"Clock", clock}};
    for (const auto& [n, v] : format) camera.WriteDword(n, static_cast<uint32_t>(v));
    ASSERT_TRUE(writer.Commit());
}

// A value under Camera_00 (path may name a preset: "Size_02\\EH"); -1 when missing.
int64_t Stored(const std::string& path) {
    platform::RegistryReader reader(platform::SettingsFilePath());
    platform::RegistryKey key = reader.CurrentUser().Open(kCameraKey);
    std::string name = path;
    if (const size_t slash = path.rfind('\\'); slash != std::string::npos) {
        key = key.Open(path.substr(0, slash));
        name = path.substr(slash + 1);
    }
    const std::optional<uint32_t> v = key.ReadDword(name);
    return v ? static_cast<int64_t>(static_cast<int32_t>(*v)) : -1;
}

const std::vector<Preset> kTwoPresets = {{1280, 720, 1280, 720, 0, 0, 4}, {1280, 720, 640, 480, 8, 16, 4}};

class FormatDialogTest : public FreshCameraTest {
protected:
    int32_t Show() { return Rezive_SetCameraDlg(handle_, app_); }
    void TypeWindow(RzDialog d, const char* width, const char* height) {
        EXPECT_EQ(RzDialogSetText(d, 1041, width), 1);
        EXPECT_EQ(RzDialogSetText(d, 1042, height), 1);
    }
};

TEST_F(FormatDialogTest, OpensOnTheStoredPresetsWithCustomLast) {
    WriteFormatTree(kTwoPresets, 1, 3, 0);
    ScopedDialogHook hook([](RzDialog d, int32_t kind) {
        EXPECT_EQ(kind, RZ_DIALOG_FORMAT);
        EXPECT_EQ(DialogItems(d, 1010), (std::vector<std::string>{"1280 x 720", "640 x 480", "Custom"}));
        EXPECT_EQ(Selection(d, 1010), 1);
        EXPECT_EQ(Selection(d, 1009), 3);
        EXPECT_EQ(DialogText(d, 1041), "640");
        EXPECT_EQ(DialogText(d, 1042), "480");
        EXPECT_EQ(DialogText(d, 1043), "8");
        EXPECT_EQ(DialogText(d, 1044), "16");
        EXPECT_EQ(Enabled(d, 1002), 0);  // Apply waits for a change
        EXPECT_EQ(RzDialogSelectItem(d, 1010, 0), 1);
        EXPECT_EQ(DialogText(d, 1041), "1280");
        EXPECT_EQ(Enabled(d, 1002), 1);
        // Read-only totals still take a script's text; the list refuses an item it lacks.
        EXPECT_EQ(RzDialogSelectItem(d, 1010, 3), 0);
        EXPECT_EQ(RzDialogClick(d, 2), 1);
    });
    EXPECT_EQ(Show(), 1);
    EXPECT_EQ(hook.calls, 1);
}

TEST_F(FormatDialogTest, CustomAppendsOnceThenOverwritesItsNewPreset) {
    WriteFormatTree(kTwoPresets, 1, 2, 0);
    int32_t tw, xo, w, th, yo, h;
    ASSERT_EQ(Rezive_GetCaptureWindowEx(handle_, &tw, &xo, &w, &th, &yo, &h), 1);
    const int32_t widthBefore = w;
    ScopedDialogHook hook([&](RzDialog d, int32_t) {
        EXPECT_EQ(RzDialogSelectItem(d, 1010, 2), 1);  // "Custom" keeps the edits
        EXPECT_EQ(DialogText(d, 1041), "640");
        TypeWindow(d, "800", "600");
        EXPECT_EQ(RzDialogClick(d, 1002), 1);
        EXPECT_EQ(DialogItems(d, 1010),
                  (std::vector<std::string>{"1280 x 720", "640 x 480", "800 x 600", "Custom"}));
        EXPECT_EQ(Selection(d, 1010), 2);
        EXPECT_EQ(Enabled(d, 1002), 0);
        EXPECT_EQ(Stored("Size"), 2);
        EXPECT_EQ(Stored("Size_02\\EH"), 800);
        EXPECT_EQ(Stored("Size_02\\EV"), 600);
        EXPECT_EQ(Stored("Size_02\\EHS"), 8);
        EXPECT_EQ(Stored("Size_02\\Buf"), 4);
        TypeWindow(d, "640", "360");
        EXPECT_EQ(RzDialogClick(d, 1002), 1);  // the second Apply overwrites Size_02
        EXPECT_EQ(Stored("Size_02\\EH"), 640);
        EXPECT_EQ(Stored("Size_03\\EH"), -1);
        EXPECT_EQ(DialogItems(d, 1010).size(), 4u);
        EXPECT_EQ(RzDialogClick(d, 1), 1);
        // The camera reloads after OK, not before.
        EXPECT_EQ(Rezive_GetCaptureWindowEx(handle_, &tw, &xo, &w, &th, &yo, &h), 1);
        EXPECT_EQ(w, widthBefore);
    });
    EXPECT_EQ(Show(), 1);
    ASSERT_EQ(Rezive_GetCaptureWindowEx(handle_, &tw, &xo, &w, &th, &yo, &h), 1);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 360);
    EXPECT_EQ(xo, 8);
}

TEST_F(FormatDialogTest, ApplyThenCancelKeepsTheFileAndTheCamera) {
    WriteFormatTree(kTwoPresets, 0, 2, 0);
    ScopedDialogHook hook([](RzDialog d, int32_t) {
        EXPECT_EQ(RzDialogSelectItem(d, 1009, 0), 1);
        EXPECT_EQ(RzDialogSetText(d, 1045, "25"), 1);
        EXPECT_EQ(RzDialogClick(d, 1002), 1);
        EXPECT_EQ(RzDialogSelectItem(d, 1009, 5), 1);
        EXPECT_EQ(RzDialogClick(d, 2), 1);
    });
    EXPECT_EQ(Show(), 1);
    EXPECT_EQ(Stored("Color"), 0);
    EXPECT_EQ(Stored("WaitTime"), 25);
    EXPECT_EQ(Rezive_GetColorMode(handle_), 24);  // unchanged until the next OK or start
    EXPECT_NE(Rezive_GetWaitTime(handle_), 25);
}

// Stored values that name no list item: shown as no selection and written back unchanged; a
// size index past the table never reaches a preset.
TEST_F(FormatDialogTest, StoredValuesOutsideTheListsAreKept) {
    struct Case {
        const char* name;
        int32_t size, color, subSample;
        int64_t sizeSelection, colorSelection, storedSize, storedColor;
    } cases[] = {
        {"sub-sampling 3", 1, 2, 3, 1, 2, 1, 2},
        {"colour 9", 0, 9, 0, 0, -1, 0, 9},
        {"size 150", 150, 2, 0, -1, 2, 150, 2},
        {"size -1", -1, 2, 0, -1, 2, -1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFormatTree(kTwoPresets, c.size, c.color, c.subSample);
        ScopedDialogHook hook([&](RzDialog d, int32_t) {
            EXPECT_EQ(DialogItems(d, 1012), std::vector<std::string>{"1/1"});
            EXPECT_EQ(Selection(d, 1012), 0);
            EXPECT_EQ(Enabled(d, 1012), 0);
            EXPECT_EQ(Enabled(d, 1014), 0);
            EXPECT_EQ(Selection(d, 1010), c.sizeSelection);
            EXPECT_EQ(Selection(d, 1009), c.colorSelection);
            if (c.sizeSelection < 0) {
                EXPECT_EQ(DialogText(d, 1041), "1280");
            }
            EXPECT_EQ(RzDialogClick(d, 1), 1);
        });
        EXPECT_EQ(Show(), 1);
        EXPECT_EQ(Stored("SubSample"), 0);
        EXPECT_EQ(Stored("Size"), c.storedSize);
        EXPECT_EQ(Stored("Color"), c.storedColor);
        EXPECT_EQ(Stored("Size_02\\EH"), -1);
    }
}

TEST_F(FormatDialogTest, CustomWithAFullTableOverwritesTheLastPreset) {
    std::vector<Preset> full(100, Preset{1280, 720, 1280, 720, 0, 0, 4});
    WriteFormatTree(full, 99, 2, 0);
    ScopedDialogHook hook([](RzDialog d, int32_t) {
        EXPECT_EQ(DialogItems(d, 1010).size(), 101u);
        EXPECT_EQ(RzDialogSelectItem(d, 1010, 100), 1);
        EXPECT_EQ(RzDialogSetText(d, 1041, "320"), 1);
        EXPECT_EQ(RzDialogSetText(d, 1042, "240"), 1);
        EXPECT_EQ(RzDialogClick(d, 1002), 1);
        EXPECT_EQ(DialogItems(d, 1010).size(), 101u);
        EXPECT_EQ(Selection(d, 1010), 99);
        EXPECT_EQ(RzDialogClick(d, 2), 1);
    });
    EXPECT_EQ(Show(), 1);
    EXPECT_EQ(Stored("Size"), 99);
    EXPECT_EQ(Stored("Size_99\\EH"), 320);
    EXPECT_EQ(Stored("Size_98\\EH"), 1280);
}

TEST_F(FormatDialogTest, ListsAndCaptionsFollowTheLanguage) {
    struct Case {
        const char* language;
        std::string gray, cancel, custom, high;
    } cases[] = {
        {"en", "Monochrome 10bit *", "Cancel", "Custom", "High(100MHz)"},
        {"ja", "白黒 12bit ※", "キャンセル", "カスタム", "高速(100MHz)"},
    };
    WriteFormatTree(kTwoPresets, 0, 2, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        setenv("REZIVE_DIALOG_LANGUAGE", c.language, 1);
        ScopedDialogHook hook([&](RzDialog d, int32_t) {
            EXPECT_EQ(DialogItems(d, 1009)[1], c.gray);
            EXPECT_EQ(DialogText(d, 2), c.cancel);
            EXPECT_EQ(DialogItems(d, 1010).back(), c.custom);
            EXPECT_EQ(DialogItems(d, 1014)[2], c.high);
            EXPECT_EQ(RzDialogEnd(d), 1);
        });
        EXPECT_EQ(Show(), 1);
        unsetenv("REZIVE_DIALOG_LANGUAGE");
    }
}

// Preview and capture stop around the dialog (the device may be switched meanwhile, which an
// acquiring camera refuses) and start again after it, with the size OK chose.
TEST_F(FormatDialogTest, AcquisitionStopsAroundTheDialogAndRestarts) {
    WriteFormatTree(kTwoPresets, 0, 2, 0);
    ASSERT_EQ(Rezive_CallBackPreview(handle_, callback_, nullptr, 0, 0), 1);
    RzMessage m;
    ASSERT_TRUE(NextFrameMessage(&m));
    ScopedDialogHook hook([this](RzDialog d, int32_t) {
        EXPECT_EQ(Rezive_SetDeviceNumber(handle_, 0), 1);
        EXPECT_EQ(RzDialogSelectItem(d, 1010, 1), 1);
        EXPECT_EQ(RzDialogClick(d, 1), 1);
    });
    EXPECT_EQ(Show(), 1);
    Drain(callback_);
    ASSERT_TRUE(NextFrameMessage(&m));
    ASSERT_TRUE(WaitFor([&] {
        return NextFrameMessage(&m) && reinterpret_cast<const RzFrameInfo*>(m.wParam)->width == 640;
    }));
    EXPECT_EQ(Rezive_SetDeviceNumber(handle_, 0), 0);  // acquiring again
    EXPECT_EQ(Rezive_StopPreview(handle_), 1);

    ASSERT_EQ(Rezive_Capture(handle_), 1);
    ScopedDialogHook again([this](RzDialog d, int32_t) {
        EXPECT_EQ(Rezive_SetDeviceNumber(handle_, 0), 1);
        EXPECT_EQ(RzDialogClick(d, 2), 1);
    });
    EXPECT_EQ(Show(), 1);
    EXPECT_EQ(Rezive_Capture(handle_), 1);
    EXPECT_EQ(Rezive_SetDeviceNumber(handle_, 0), 0);
}

// The trigger loop idles through the dialog and takes triggered frames again after it.
TEST_F(FormatDialogTest, TriggerLoopIsParkedNotEnded) {
    WriteFormatTree(kTwoPresets, 0, 2, 0);
    ASSERT_EQ(Rezive_Trigger(handle_, callback_, nullptr, 0, 0), 1);
    ScopedDialogHook hook([](RzDialog d, int32_t) { EXPECT_EQ(RzDialogClick(d, 2), 1); });
    EXPECT_EQ(Show(), 1);
    RzMessage m;
    ASSERT_TRUE(WaitFor([&] {
        RzSoftwareTrigger(handle_);
        return NextFrameMessage(&m, 500);
    }));
}

}  // namespace
}  // namespace rezive::test
