// The analog dialog end to end: it opens on the sensor, writes gain, exposure and mirrors live,
// and Cancel puts sensor and settings back.
#include <cstdio>
#include <string>

#include "device/protocol.h"
#include "platform/registry_file.h"
#include "support/api_camera_fixture.h"
#include "support/dialog_script.h"

namespace rezive::test {
namespace {

class AnalogDialogTest : public FreshCameraTest {
protected:
    int32_t Show() { return Rezive_SetAnalogDlg(handle_, app_); }
    int32_t SensorExposure() const { return camera_->Register(device::kRegExposure); }
    int32_t SensorGain() const { return std::max(0, (camera_->Register(device::kRegGainA) & 0x0F) - 2); }
    bool SensorMirrorV() const { return (camera_->Register(device::kRegMirror) & 1) == 0; }
    int32_t RecordExposure() { return Rezive_GetExposureTime(handle_, nullptr); }
    // The exposure record as the release saves it.
    int64_t SavedExposure() {
        Rezive_Release(handle_);
        handle_ = 0;
        platform::RegistryReader reader(platform::SettingsFilePath());
        const std::optional<uint32_t> v = reader.CurrentUser()
            .Open("Software\\Ruredo\\Rezive417DIRVUDSdk\\Camera_00\\Gain").ReadDword("Exposure");
        return v ? static_cast<int32_t>(*v) : -1;
    }
};

TEST_F(AnalogDialogTest, OpensOnTheSensorWithColourRowsDisabled) {
    ASSERT_EQ(Rezive_SetGlobalGain(handle_, 2), 1);
    ASSERT_EQ(Rezive_WriteRegister(handle_, device::kRegGainA, 0x17 * 257), 1);  // gain step 5
    ScopedDialogHook hook([](RzDialog d, int32_t kind) {
        EXPECT_EQ(kind, RZ_DIALOG_ANALOG);
        EXPECT_EQ(DialogText(d, 1015), "5");
        EXPECT_EQ(Position(d, 1013), 5);
        for (int32_t id : {1018, 1019, 1039, 1020, 1021, 1040, 1022, 1023, 1041, 1024, 1025, 1042}) {
            EXPECT_EQ(Enabled(d, id), 0) << id;
        }
        EXPECT_EQ(DialogText(d, 1019), "0");
        EXPECT_EQ(Enabled(d, 1026), 1);
        EXPECT_EQ(DialogItems(d, 1001), std::vector<std::string>{"Analog Gain"});
        EXPECT_EQ(RzDialogSetPosition(d, 1018, 3), 0);  // disabled: no user could move it
        EXPECT_EQ(RzDialogClick(d, 1), 1);
    });
    EXPECT_EQ(Show(), 1);
    EXPECT_EQ(Rezive_GetGlobalGain(handle_, nullptr), 5);
}

TEST_F(AnalogDialogTest, ExposureGoesLiveAndCancelRestoresSensorAndRecord) {
    ASSERT_EQ(Rezive_SetExposureTime(handle_, 700), 1);
    ScopedDialogHook hook([this](RzDialog d, int32_t) {
        EXPECT_EQ(DialogText(d, 1049), "=0.00ms");  // no conversion made yet
        EXPECT_EQ(RzDialogSetPosition(d, 1026, 2000), 1);
        EXPECT_EQ(DialogText(d, 1027), "2000");
        EXPECT_EQ(Position(d, 1043), 2000);
        EXPECT_EQ(SensorExposure(), 2000);
        EXPECT_EQ(RzDialogClick(d, 1028), 1);  // mirror V
        EXPECT_TRUE(SensorMirrorV());
        EXPECT_EQ(RzDialogSetText(d, 1015, "7"), 1);
        EXPECT_EQ(SensorGain(), 7);
        EXPECT_EQ(RzDialogEnd(d), 1);
    });
    EXPECT_EQ(Show(), 1);
    EXPECT_EQ(SensorExposure(), 700);
    EXPECT_EQ(SensorGain(), 0);
    EXPECT_FALSE(SensorMirrorV());
    EXPECT_EQ(RecordExposure(), 700);
    EXPECT_EQ(Rezive_GetMirrorV(handle_), 0);
}

// Typed values are kept as typed; the sensor write clamps what the sensor cannot take.
TEST_F(AnalogDialogTest, OkKeepsTypedValuesAndTheSensorClamps) {
    struct Case {
        const char* typed;
        int32_t sensor, trackbar;
    } cases[] = {{"1500", 1500, 1500}, {"40000", 32767, 32767}, {"0", 1, 1}, {"12abc", 1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        ScopedDialogHook hook([&](RzDialog d, int32_t) {
            EXPECT_EQ(RzDialogSetText(d, 1027, c.typed), 1);
            EXPECT_EQ(Position(d, 1026), c.trackbar);
            EXPECT_EQ(RzDialogClick(d, 1), 1);
        });
        EXPECT_EQ(Show(), 1);
        EXPECT_EQ(SensorExposure(), c.sensor);
    }
    EXPECT_EQ(SavedExposure(), 0);  // "12abc" reads as 0 and is kept so
}

TEST_F(AnalogDialogTest, DefaultResetsGainAndExposureOnlyAndCancelUndoesIt) {
    ASSERT_EQ(Rezive_SetGlobalGain(handle_, 4), 1);
    ASSERT_EQ(Rezive_SetExposureTime(handle_, 900), 1);
    ASSERT_EQ(Rezive_SetMirrorH(handle_, 1), 1);
    ScopedDialogHook hook([this](RzDialog d, int32_t) {
        EXPECT_EQ(RzDialogClick(d, 3), 1);
        EXPECT_EQ(DialogText(d, 1015), "0");
        EXPECT_EQ(DialogText(d, 1027), "637");
        EXPECT_EQ(Position(d, 1026), 637);
        EXPECT_EQ(SensorGain(), 0);
        EXPECT_EQ(SensorExposure(), 637);
        EXPECT_EQ(Checked(d, 1029), 1);
        EXPECT_EQ(RzDialogClick(d, 2), 1);
    });
    EXPECT_EQ(Show(), 1);
    EXPECT_EQ(SensorGain(), 4);
    EXPECT_EQ(SensorExposure(), 900);
    EXPECT_EQ(Rezive_GetMirrorH(handle_), 1);
}

TEST_F(AnalogDialogTest, AutoIrisBoxesExcludeEachOther) {
    struct Step {
        int32_t click, gainChecked, exposureChecked, mode;
    } steps[] = {{1037, 0, 1, 1}, {1036, 1, 0, 2}, {1036, 0, 0, 0}, {1037, 0, 1, 1}, {1037, 0, 0, 0}};
    ScopedDialogHook hook([&](RzDialog d, int32_t) {
        for (const Step& s : steps) {
            SCOPED_TRACE(s.click);
            EXPECT_EQ(RzDialogClick(d, s.click), 1);
            EXPECT_EQ(Checked(d, 1036), s.gainChecked);
            EXPECT_EQ(Checked(d, 1037), s.exposureChecked);
            EXPECT_EQ(Rezive_GetAutoIris(handle_, nullptr), s.mode);
        }
        EXPECT_EQ(RzDialogCheck(d, 1036, 1), 1);
        EXPECT_EQ(RzDialogClick(d, 1), 1);
    });
    EXPECT_EQ(Show(), 1);
    EXPECT_EQ(Rezive_GetAutoIris(handle_, nullptr), 2);
}

// After a start the exposure text follows the line length the start read from the sensor.
TEST_F(AnalogDialogTest, ExposureTextUsesTheConversionOfTheLastStart) {
    ASSERT_EQ(Rezive_StartPreview(handle_), 1);
    ASSERT_EQ(Rezive_StopPreview(handle_), 1);
    const int32_t lineLength = Rezive_ReadRegister(handle_, device::kRegLineLength, nullptr) + 6;
    ScopedDialogHook hook([&](RzDialog d, int32_t) {
        EXPECT_EQ(RzDialogSetText(d, 1027, "637"), 1);
        char expected[32];
        std::snprintf(expected, sizeof expected, "=%.2fms",
                      637.0 * lineLength * static_cast<double>(1e-5f));
        EXPECT_EQ(DialogText(d, 1049), expected);
        EXPECT_EQ(RzDialogClick(d, 2), 1);
    });
    EXPECT_EQ(Show(), 1);
}

// Automatic exposure on the worker shows its values in edit 1027 while the dialog is open.
TEST_F(AnalogDialogTest, AutoExposureWritesIntoTheOpenDialog) {
    ASSERT_EQ(Rezive_CallBackPreview(handle_, callback_, nullptr, 0, 0), 1);
    ScopedDialogHook hook([&](RzDialog d, int32_t) {
        EXPECT_EQ(RzDialogSetText(d, 1027, "20"), 1);  // dark: the control raises it
        EXPECT_EQ(RzDialogCheck(d, 1037, 1), 1);
        EXPECT_TRUE(WaitFor([&] { return DialogText(d, 1027) != "20"; }));
        const int32_t shown = std::stoi(DialogText(d, 1027));
        EXPECT_GT(shown, 20);
        EXPECT_EQ(Position(d, 1026), shown);
        EXPECT_EQ(RzDialogClick(d, 2), 1);
    });
    EXPECT_EQ(Show(), 1);
    EXPECT_EQ(Rezive_GetAutoIris(handle_, nullptr), 0);
    Rezive_StopPreview(handle_);
}

}  // namespace
}  // namespace rezive::test
