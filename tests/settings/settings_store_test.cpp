#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/registry_file.h"
#include "settings/settings_store.h"
#include "support/test_env.h"
#include "support/text_files.h"

namespace rezive::settings {
namespace {

using test::Crlf;

constexpr const char* kRootSection = "[HKEY_CURRENT_USER\\Software\\Ruredo\\Rezive417DIRVUDSdk";

// Each test gets a settings file of its own (the store finds it through the environment).
class SettingsStoreTest : public testing::Test {
protected:
    void SetUp() override {
        path_ = test::TempPath(".reg");
        setenv("REZIVE_SETTINGS_FILE", path_.c_str(), 1);
    }

    std::string Text() const {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void Write(const std::string& lf) const { std::ofstream(path_, std::ios::binary) << Crlf(lf); }
    std::optional<uint32_t> Stored(const char* key, const char* name) const {
        platform::RegistryReader reader(path_);
        return reader.CurrentUser().Open("Software\\Ruredo\\Rezive417DIRVUDSdk").Open(key).ReadDword(name);
    }
    bool KeyExists(const char* key) const {
        platform::RegistryReader reader(path_);
        return static_cast<bool>(reader.CurrentUser().Open("Software\\Ruredo\\Rezive417DIRVUDSdk").Open(key));
    }

    std::string path_;
};

TEST_F(SettingsStoreTest, FirstRunWritesTheStartingTreeAndReadsNothingBack) {
    CaptureGeometry geometry;
    geometry.width = 640;  // must survive: the first run reads nothing back
    EXPECT_EQ(LoadFormatAtStart(geometry, 0), 0);
    EXPECT_EQ(geometry.width, 640);
    EXPECT_EQ(Text(), Crlf("REGEDIT4\n"
                           "\n"
                           "[HKEY_CURRENT_USER\\Software\\Ruredo\\Rezive417DIRVUDSdk]\n"
                           "\n"
                           "[HKEY_CURRENT_USER\\Software\\Ruredo\\Rezive417DIRVUDSdk\\Camera_00]\n"
                           "\"Size\"=dword:00000000\n"
                           "\"Color\"=dword:00000002\n"
                           "\"SubSample\"=dword:00000000\n"
                           "\"WaitTime\"=dword:00000001\n"
                           "\"Clock\"=dword:00000002\n"
                           "\n"
                           "[HKEY_CURRENT_USER\\Software\\Ruredo\\Rezive417DIRVUDSdk\\Camera_00\\Size_00]\n"
                           "\"TH\"=dword:00000500\n"
                           "\"TV\"=dword:000002d0\n"
                           "\"EH\"=dword:00000500\n"
                           "\"EV\"=dword:000002d0\n"
                           "\"EHS\"=dword:00000000\n"
                           "\"EVS\"=dword:00000000\n"
                           "\"Buf\"=dword:00000004\n"
                           "\n"));

    FormatSettings format;
    EXPECT_EQ(LoadFormatValues(format, 0), 1);
    EXPECT_EQ(format.colorMode, 2);
    EXPECT_EQ(format.subSample, 0);
    EXPECT_EQ(format.waitTime, 1);
    EXPECT_EQ(format.clock, 2);

    // The next start finds the tree and loads preset 0.
    geometry = CaptureGeometry{0, 0, 0, 0, 9, 9, 0};
    EXPECT_EQ(LoadFormatAtStart(geometry, 0), 1);
    EXPECT_EQ(geometry.totalWidth, 1280);
    EXPECT_EQ(geometry.height, 720);
    EXPECT_EQ(geometry.xOffset, 0);
    EXPECT_EQ(geometry.bufferCount, 4);
}

TEST_F(SettingsStoreTest, RootWithoutCameraKeyCreatesNothingAndGroupsTakeTheirDefaults) {
    Write("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Ruredo\\Rezive417DIRVUDSdk]\n\n");
    const std::string before = Text();
    CaptureGeometry geometry;
    EXPECT_EQ(LoadFormatAtStart(geometry, 0), 0);
    EXPECT_EQ(Text(), before);
    EXPECT_EQ(geometry.width, 1280);
    FormatSettings format;
    EXPECT_EQ(LoadFormatValues(format, 0), 0);
    EXPECT_EQ(format.colorMode, 0);
    EXPECT_EQ(format.waitTime, 10);
    EXPECT_EQ(format.clock, 0);

    AnalogSettings analog;
    analog.globalGain = 9;
    FilterSettings filters;
    filters.autoWhiteBalance = 1;
    filters.grayOffsetB = 7;
    EXPECT_EQ(LoadFilterGroup(filters, 0), 0);
    EXPECT_EQ(LoadGrayGroup(filters, 0), 0);
    EXPECT_EQ(LoadAnalogGroup(analog, 0, 1, 0), 1);
    EXPECT_EQ(filters.gamma, 100);
    EXPECT_EQ(filters.bayerMode, 3);
    EXPECT_EQ(filters.autoWhiteBalance, 0);
    EXPECT_EQ(filters.grayGainG2, 128);
    EXPECT_EQ(filters.grayOffsetB, 0);
    EXPECT_EQ(analog.globalGain, 0);
    EXPECT_EQ(analog.exposure, 637);
    EXPECT_EQ(analog.mirrorV, 1);
    EXPECT_EQ(analog.mirrorH, 0);

    // The first teardown writes the three groups and still no format values.
    EXPECT_EQ(SaveAnalogGroup(analog, 0), 1);
    EXPECT_EQ(SaveFilterGroup(filters, 0), 1);
    EXPECT_EQ(SaveGrayGroup(filters, 0), 1);
    EXPECT_EQ(Stored("Camera_00\\Gain", "Exposure"), 637u);
    EXPECT_EQ(Stored("Camera_00\\Filter", "Gamma"), 100u);
    EXPECT_EQ(Stored("Camera_00\\Gray", "GainR1"), 128u);
    EXPECT_FALSE(Stored("Camera_00", "Color"));
    EXPECT_FALSE(Stored("Camera_00", "Size"));
}

TEST_F(SettingsStoreTest, FormatAtStartReadsTheCurrentPresetAndKeepsFieldsItLacks) {
    Write("[HKEY_CURRENT_USER\\Software\\Ruredo\\Rezive417DIRVUDSdk\\Camera_00]\n\"Size\"=dword:1\n"
          "[HKEY_CURRENT_USER\\Software\\Ruredo\\Rezive417DIRVUDSdk\\Camera_00\\Size_01]\n"
          "\"EH\"=dword:3e8\n\"EHS\"=dword:190\n");
    CaptureGeometry geometry;
    EXPECT_EQ(LoadFormatAtStart(geometry, 0), 1);
    EXPECT_EQ(geometry.width, 1000);
    EXPECT_EQ(geometry.xOffset, 400);  // 1400 > 1280: the camera's check resets this window
    EXPECT_EQ(geometry.height, 720);
    EXPECT_EQ(geometry.bufferCount, 4);

    CaptureGeometry untouched;
    EXPECT_EQ(LoadFormatAtStart(untouched, 1), 0);  // no Camera_01: nothing read, nothing made
    EXPECT_FALSE(KeyExists("Camera_01"));
}

TEST_F(SettingsStoreTest, SizePresetSearch) {
    Write("[HKEY_CURRENT_USER\\Software\\Ruredo\\Rezive417DIRVUDSdk]\n"
          // presets under the root are not where the system keeps them
          "[HKEY_CURRENT_USER\\Software\\Ruredo\\Rezive417DIRVUDSdk\\Size_00]\n"
          "\"EH\"=dword:40\n\"EV\"=dword:40\n"
          "[HKEY_CURRENT_USER\\Software\\Ruredo\\Rezive417DIRVUDSdk\\Camera_00\\Size_00]\n"
          "\"TH\"=dword:500\n\"TV\"=dword:2d0\n\"EH\"=dword:280\n\"EV\"=dword:1e0\n\"EHS\"=dword:0\n"
          "\"EVS\"=dword:0\n\"Buf\"=dword:4\n"
          "[HKEY_CURRENT_USER\\Software\\Ruredo\\Rezive417DIRVUDSdk\\Camera_00\\Size_01]\n"
          "\"EH\"=dword:280\n\"EV\"=dword:1e0\n\"EHS\"=dword:a\n\"EVS\"=dword:14\n"
          "[HKEY_CURRENT_USER\\Software\\Ruredo\\Rezive417DIRVUDSdk\\Camera_00\\size_02]\n"
          "\"EV\"=dword:100\n\"TH\"=dword:100\n"
          "[HKEY_CURRENT_USER\\Software\\Ruredo\\Rezive417DIRVUDSdk\\Camera_00\\Size_04]\n"
          "\"EH\"=dword:140\n\"EV\"=dword:f0\n"
          "[HKEY_CURRENT_USER\\Software\\Ruredo\\Rezive417DIRVUDSdk\\Camera_01\\Size_00]\n"
          "\"EH\"=dword:140\n\"EV\"=dword:f0\n\"EHS\"=dword:ffffffff\n");
    struct Case {
        const char* what;
        int32_t width, height, device;
        PresetResult result;
        int32_t xOffset, yOffset;
    } cases[] = {
        {"shared size: the lower index wins", 640, 480, 0, PresetResult::kFound, 0, 0},
        {"behind the gap at 03", 320, 240, 0, PresetResult::kNoMatch, 0, 0},
        {"a preset lacking EH never matches", 0, 256, 0, PresetResult::kNoMatch, 0, 0},
        {"only under the root", 64, 64, 0, PresetResult::kNoMatch, 0, 0},
        {"per device, signed values", 320, 240, 1, PresetResult::kFound, -1, 0},
        {"no camera key", 640, 480, 2, PresetResult::kNoMatch, 0, 0},
    };
    for (const Case& c : cases) {
        CaptureGeometry preset{1, 1, 1, 1, 5, 5, 1};
        EXPECT_EQ(FindSizePreset(c.width, c.height, c.device, &preset), c.result) << c.what;
        if (c.result != PresetResult::kFound) continue;
        EXPECT_EQ(preset.width, c.width) << c.what;
        EXPECT_EQ(preset.height, c.height) << c.what;
        EXPECT_EQ(preset.xOffset, c.xOffset) << c.what;
        EXPECT_EQ(preset.yOffset, c.yOffset) << c.what;
        EXPECT_EQ(preset.totalWidth, 1280) << c.what;  // stored, or the full-sensor default
        EXPECT_EQ(preset.bufferCount, 4) << c.what;
    }
    EXPECT_EQ(Stored("Camera_00", "Size"), std::nullopt);  // the lookup changes nothing

    setenv("REZIVE_SETTINGS_FILE", test::TempPath(".reg").c_str(), 1);
    CaptureGeometry preset;
    EXPECT_EQ(FindSizePreset(1280, 720, 0, &preset), PresetResult::kNoRoot);
}

constexpr Setting AnalogSettings::*kAnalogFields[] = {
    &AnalogSettings::globalGain, &AnalogSettings::colorGainG1, &AnalogSettings::colorGainR,
    &AnalogSettings::colorGainB, &AnalogSettings::colorGainG2, &AnalogSettings::exposure,
    &AnalogSettings::mirrorV,    &AnalogSettings::mirrorH,     &AnalogSettings::autoIris};
constexpr Setting FilterSettings::*kStoredFilterFields[] = {
    &FilterSettings::brightness,   &FilterSettings::contrast,     &FilterSettings::hue,
    &FilterSettings::saturation,   &FilterSettings::sharpness,    &FilterSettings::redGain,
    &FilterSettings::greenGain,    &FilterSettings::blueGain,     &FilterSettings::gamma,
    &FilterSettings::bayerMode,    &FilterSettings::grayMode,     &FilterSettings::grayGainR,
    &FilterSettings::grayGainG1,   &FilterSettings::grayGainG2,   &FilterSettings::grayGainB,
    &FilterSettings::grayOffsetR,  &FilterSettings::grayOffsetG1, &FilterSettings::grayOffsetG2,
    &FilterSettings::grayOffsetB};

// Distinct values for every field, the extremes of 32 bits among them.
int32_t Sample(size_t k) {
    constexpr int32_t kSamples[] = {-20, INT32_MIN, INT32_MAX, -1, 0, 255, -255, 637};
    return k < 8 ? kSamples[k] : kSamples[k % 8] / 2 - static_cast<int32_t>(k);
}

TEST_F(SettingsStoreTest, SignedValuesRoundTripInEveryGroup) {
    AnalogSettings analog;
    FilterSettings filters;
    for (size_t k = 0; k < std::size(kAnalogFields); ++k) analog.*kAnalogFields[k] = Sample(k);
    for (size_t k = 0; k < std::size(kStoredFilterFields); ++k) filters.*kStoredFilterFields[k] = Sample(k + 3);
    filters.autoWhiteBalance = 1;

    ASSERT_EQ(SaveAnalogGroup(analog, 3), 1);
    ASSERT_EQ(SaveFilterGroup(filters, 3), 1);
    ASSERT_EQ(SaveGrayGroup(filters, 3), 1);
    EXPECT_NE(Text().find("\"Global\"=dword:ffffffec\r\n"), std::string::npos);

    AnalogSettings analogBack;
    FilterSettings filtersBack;
    EXPECT_EQ(LoadAnalogGroup(analogBack, 3, 0, 0), 1);
    EXPECT_EQ(LoadFilterGroup(filtersBack, 3), 1);
    EXPECT_EQ(LoadGrayGroup(filtersBack, 3), 1);
    for (size_t k = 0; k < std::size(kAnalogFields); ++k) {
        EXPECT_EQ(analogBack.*kAnalogFields[k], Sample(k)) << k;
    }
    for (size_t k = 0; k < std::size(kStoredFilterFields); ++k) {
        EXPECT_EQ(filtersBack.*kStoredFilterFields[k], Sample(k + 3)) << k;
    }
    EXPECT_EQ(filtersBack.autoWhiteBalance, 0);  // run-time state is not stored
}

TEST_F(SettingsStoreTest, MissingAnalogValueTakesItsTableDefaultNotItsNeighbours) {
    Write("[HKEY_CURRENT_USER\\Software\\Ruredo\\Rezive417DIRVUDSdk\\Camera_00\\Gain]\n"
          "\"Global\"=dword:5\n\"V_Mirror\"=dword:1\n");
    AnalogSettings analog;
    analog.exposure = 99;
    EXPECT_EQ(LoadAnalogGroup(analog, 0, 0, 1), 1);
    EXPECT_EQ(analog.globalGain, 5);
    EXPECT_EQ(analog.colorGainG1, 0);
    EXPECT_EQ(analog.exposure, 637);
    EXPECT_EQ(analog.mirrorV, 1);
    EXPECT_EQ(analog.mirrorH, 1);  // the sensor's flag
    EXPECT_EQ(analog.autoIris, 0);

    // Filter and gray keys that lack a value leave that field as it was.
    Write("[HKEY_CURRENT_USER\\Software\\Ruredo\\Rezive417DIRVUDSdk\\Camera_00\\Filter]\n\"Hue\"=dword:ffffffff\n");
    FilterSettings filters;
    filters.gamma = 150;
    EXPECT_EQ(LoadFilterGroup(filters, 0), 1);
    EXPECT_EQ(filters.hue, -1);
    EXPECT_EQ(filters.gamma, 150);
}

TEST_F(SettingsStoreTest, GroupsAreKeptPerDeviceAndGrayNeedsTheCameraKey) {
    FilterSettings filters;
    DefaultGray(filters);
    EXPECT_EQ(SaveGrayGroup(filters, 0), 0);
    EXPECT_FALSE(std::filesystem::exists(path_));

    CaptureGeometry geometry;
    LoadFormatAtStart(geometry, 0);
    const std::string firstRun = Text();
    AnalogSettings analog;
    analog.exposure = 1234;
    ASSERT_EQ(SaveAnalogGroup(analog, 1), 1);
    ASSERT_EQ(SaveFilterGroup(filters, 1), 1);
    ASSERT_EQ(SaveGrayGroup(filters, 1), 1);
    const std::string text = Text();
    // Camera_00 and its preset come through unchanged, ahead of Camera_01.
    EXPECT_EQ(text.substr(0, firstRun.size()), firstRun);
    EXPECT_NE(text.find(std::string(kRootSection) + "\\Camera_01\\Gray]"), std::string::npos);

    AnalogSettings device0;
    LoadAnalogGroup(device0, 0, 0, 0);
    EXPECT_EQ(device0.exposure, 637);
    AnalogSettings device1;
    LoadAnalogGroup(device1, 1, 0, 0);
    EXPECT_EQ(device1.exposure, 1234);
}

TEST_F(SettingsStoreTest, TwoProcessesSavingDifferentGroupsAtOnceBothKeepTheirs) {
    constexpr int kDevices = 12;
    int start[2];
    ASSERT_EQ(pipe(start), 0);
    auto child = [&](bool analogSide) {
        char go;
        bool ok = read(start[0], &go, 1) == 1;
        for (int d = 0; d < kDevices && ok; ++d) {
            if (analogSide) {
                AnalogSettings a;
                a.exposure = 1000 + d;
                ok = SaveAnalogGroup(a, d) == 1;
            } else {
                FilterSettings f;
                f.brightness = -d;
                ok = SaveFilterGroup(f, d) == 1;
            }
        }
        _exit(ok ? 0 : 1);  // no exit handlers: they belong to the test process
    };
    const pid_t a = fork();
    if (a == 0) child(true);
    const pid_t f = fork();
    if (f == 0) child(false);
    ASSERT_GT(a, 0);
    ASSERT_GT(f, 0);
    ASSERT_EQ(write(start[1], "gg", 2), 2);  // both start together
    int statusA = 0, statusF = 0;
    ASSERT_EQ(waitpid(a, &statusA, 0), a);
    ASSERT_EQ(waitpid(f, &statusF, 0), f);
    close(start[0]);
    close(start[1]);
    EXPECT_TRUE(WIFEXITED(statusA) && WEXITSTATUS(statusA) == 0);
    EXPECT_TRUE(WIFEXITED(statusF) && WEXITSTATUS(statusF) == 0);
    for (int d = 0; d < kDevices; ++d) {
        AnalogSettings analog;
        FilterSettings filters;
        EXPECT_EQ(LoadAnalogGroup(analog, d, 0, 0), 1);
        EXPECT_EQ(analog.exposure, 1000 + d) << d;
        EXPECT_EQ(LoadFilterGroup(filters, d), 1) << d;
        EXPECT_EQ(filters.brightness, -d) << d;
    }
}

}  // namespace
}  // namespace rezive::settings
