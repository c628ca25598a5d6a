// The library's error texts and settings table: every entry true to the exports it names, to a
// new camera's values and to what the library keeps between runs.
#include <gtest/gtest.h>

#include <ReziveSdk.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "support/api_camera_fixture.h"
#include "support/dynamic_symbols.h"
#include "support/test_env.h"

namespace rezive::test {
namespace {

constexpr int32_t kCodes[] = {0,
                              RZ_ERR_NO_DEVICE,
                              RZ_ERR_DEVICE_UNAVAILABLE,
                              RZ_ERR_THREAD,
                              RZ_ERR_WINDOW,
                              RZ_ERR_BUFFER,
                              RZ_ERR_REGISTER,
                              RZ_ERR_CAPTURE_WINDOW,
                              RZ_ERR_TRANSFER,
                              RZ_ERR_ARGUMENT,
                              RZ_ERR_UNSUPPORTED,
                              RZ_ERR_FILE,
                              RZ_ERR_NO_FRAME};

// Whether text is well-formed UTF-8 with at least one character beyond ASCII.
bool Utf8BeyondAscii(const std::string& text) {
    bool beyond = false;
    for (size_t k = 0; k < text.size();) {
        const auto c = static_cast<unsigned char>(text[k]);
        const size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (length == 0 || k + length > text.size()) return false;
        for (size_t j = 1; j < length; ++j) {
            if ((static_cast<unsigned char>(text[k + j]) >> 6) != 2) return false;
        }
        beyond = beyond || length > 1;
        k += length;
    }
    return beyond;
}

TEST(ErrorTexts, EveryCodeHasItsOwnTextInEnglishAndJapanese) {
    std::set<std::string> english, japanese;
    for (int32_t code : kCodes) {
        SCOPED_TRACE(code);
        const std::string en = RzGetErrorText(code, "en");
        const std::string ja = RzGetErrorText(code, "ja");
        EXPECT_FALSE(en.empty());
        EXPECT_TRUE(Utf8BeyondAscii(ja)) << ja;
        EXPECT_EQ(ja, RzGetErrorText(code, "ja_JP.UTF-8"));
        EXPECT_EQ(en, RzGetErrorText(code, "de_DE"));  // a language without texts: English
        english.insert(en);
        japanese.insert(ja);
    }
    EXPECT_EQ(english.size(), std::size(kCodes)) << "two codes share an English text";
    EXPECT_EQ(japanese.size(), std::size(kCodes)) << "two codes share a Japanese text";

    const std::string unknown = RzGetErrorText(10, "en");
    for (int32_t code : {-1, 14, 99, INT32_MIN}) EXPECT_EQ(unknown, RzGetErrorText(code, "en"));
    EXPECT_EQ(english.count(unknown), 0u);
}

TEST(ErrorTexts, WithoutALanguageTheDialogsLanguageIsUsed) {
    struct Case {
        const char* forced;
        const char* lang;
        const char* expected;
    };
    const Case cases[] = {{"ja", "C", "ja"}, {"en", "ja_JP.UTF-8", "en"}, {nullptr, "ja_JP.UTF-8", "ja"},
                          {nullptr, "C.UTF-8", "en"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.forced ? c.forced : "-") + " " + c.lang);
        if (c.forced) setenv("REZIVE_DIALOG_LANGUAGE", c.forced, 1);
        else unsetenv("REZIVE_DIALOG_LANGUAGE");
        setenv("LC_ALL", c.lang, 1);
        EXPECT_STREQ(RzGetErrorText(RZ_ERR_ARGUMENT, nullptr), RzGetErrorText(RZ_ERR_ARGUMENT, c.expected));
    }
    unsetenv("REZIVE_DIALOG_LANGUAGE");
    unsetenv("LC_ALL");
}

std::vector<RzSettingInfo> Table() {
    std::vector<RzSettingInfo> table;
    for (int32_t k = 0; k < RzGetSettingCount(); ++k) {
        RzSettingInfo info{};
        info.size = sizeof info;
        EXPECT_EQ(RzGetSettingInfo(k, nullptr, &info), 1) << k;
        table.push_back(info);
    }
    return table;
}

bool Takes(const RzSettingInfo& s, int32_t value) {
    if (value < s.minimum || value > s.maximum) return false;
    if (s.values == nullptr) return true;
    for (int32_t k = 0; k < s.valueCount; ++k) {
        if (s.values[k] == value) return true;
    }
    return false;
}

TEST(SettingsTable, EveryEntryIsWholeAndNamesRealExports) {
    // The exports it names are those of the shared library programs load.
    const std::set<std::string> exports = DefinedDynamicSymbols(REZIVE_SHARED_LIBRARY_PATH);
    ASSERT_FALSE(exports.empty()) << "could not read " << REZIVE_SHARED_LIBRARY_PATH;
    const std::vector<RzSettingInfo> table = Table();
    ASSERT_GE(table.size(), 29u);
    std::set<std::string> names;
    for (const RzSettingInfo& s : table) {
        SCOPED_TRACE(s.name);
        EXPECT_TRUE(names.insert(s.name).second) << "named twice";
        EXPECT_NE(std::strlen(s.description), 0u);
        ASSERT_NE(s.unit, nullptr);
        EXPECT_EQ(exports.count(s.setter), 1u) << s.setter;
        EXPECT_EQ(exports.count(s.getter), 1u) << s.getter;
        EXPECT_LE(s.minimum, s.maximum);
        EXPECT_TRUE(s.name == std::string("exposure-ms") || Takes(s, s.defaultValue))
            << "default " << s.defaultValue << " out of range";
        EXPECT_TRUE(s.persistence == RZ_SETTING_KEPT || s.persistence == RZ_SETTING_NOT_KEPT);
        switch (s.kind) {
            case RZ_SETTING_SWITCH:
                EXPECT_EQ(s.minimum, 0);
                EXPECT_EQ(s.maximum, 1);
                [[fallthrough]];
            case RZ_SETTING_CHOICE:
                ASSERT_NE(s.valueNames, nullptr);
                EXPECT_EQ(s.valueCount, s.maximum - s.minimum + 1);
                EXPECT_EQ(s.values, nullptr);
                break;
            case RZ_SETTING_NUMBER:
                EXPECT_EQ(s.valueNames, nullptr);
                EXPECT_EQ(s.values == nullptr, s.valueCount == 0);
                break;
            default: ADD_FAILURE() << "kind " << s.kind;
        }
        RzSettingInfo byName{};
        byName.size = sizeof byName;
        ASSERT_EQ(RzGetSettingInfo(-1, s.name, &byName), 1);
        EXPECT_STREQ(byName.setter, s.setter);
    }

    RzSettingInfo info{};
    info.size = sizeof info;
    const int32_t count = RzGetSettingCount();
    for (int32_t index : {count, -2, INT32_MIN}) EXPECT_EQ(RzGetSettingInfo(index, "gain", &info), 0);
    EXPECT_EQ(RzGetSettingInfo(-1, "no-such-setting", &info), 0);
    EXPECT_EQ(RzGetSettingInfo(-1, nullptr, &info), 0);
    EXPECT_EQ(RzGetSettingInfo(0, nullptr, nullptr), 0);
    info.size = sizeof info - 1;
    EXPECT_EQ(RzGetSettingInfo(0, nullptr, &info), 0);
}

class SettingsTableCamera : public ApiCameraTest {
protected:
    void SetUp() override {
        // A new camera: no settings file yet.
        setenv("REZIVE_SETTINGS_FILE", TempPath(".reg").c_str(), 1);
        ApiCameraTest::SetUp();
    }
    int32_t Read(const RzSettingInfo& s) {
        int32_t value = INT32_MIN;
        EXPECT_EQ(RzGetSettingValue(handle_, s.name, &value), 1) << s.name;
        return value;
    }
    int32_t LastError() {
        int32_t newest = 0;
        for (int32_t code; (code = Rezive_GetLastError(handle_)) != 0;) newest = newest ? newest : code;
        return newest;
    }
};

// A value of the setting that is not its default, to show what the library keeps.
int32_t OtherThanDefault(const RzSettingInfo& s) {
    if (s.values != nullptr) return s.values[0] != s.defaultValue ? s.values[0] : s.values[1];
    return s.defaultValue != s.minimum ? s.minimum : s.minimum + 1;
}

TEST_F(SettingsTableCamera, ANewCameraHasTheDefaultsAndEachSettingTakesItsRangeOnly) {
    for (const RzSettingInfo& s : Table()) {
        SCOPED_TRACE(s.name);
        // Its range and default follow the sensor's line length: a view of exposure.
        if (s.name == std::string("exposure-ms")) continue;
        EXPECT_EQ(Read(s), s.defaultValue);
        if (s.filter != 0) {
            int32_t ok = 0;
            EXPECT_EQ(Rezive_GetFilterValue(handle_, s.filter, &ok), s.defaultValue);
        }
        std::vector<int32_t> good, bad;
        if (s.values != nullptr) {
            good.assign(s.values, s.values + s.valueCount);
            bad = {s.minimum - 1, s.values[0] + 1, s.maximum + 1};
        } else {
            good = {s.minimum, s.maximum == INT32_MAX ? s.minimum + 1000 : s.maximum};
            if (s.minimum > INT32_MIN) bad.push_back(s.minimum - 1);
            if (s.maximum < INT32_MAX) bad.push_back(s.maximum + 1);
        }
        for (int32_t v : good) {
            // Defect correction is switched on only with a defect list loaded.
            if (s.name == std::string("defect-correction") && v == 1) continue;
            EXPECT_EQ(RzSetSettingValue(handle_, s.name, v), 1) << v << ": error " << LastError();
            EXPECT_EQ(Read(s), v);
        }
        // A switch takes any value, as C does: nonzero is on.
        if (s.kind == RZ_SETTING_SWITCH) bad.clear();
        for (int32_t v : bad) {
            EXPECT_EQ(RzSetSettingValue(handle_, s.name, v), 0) << v;
            // Automatic exposure only posts its refusal, and the wait time refuses without a
            // code: the history holds a bad argument or nothing.
            const int32_t code = LastError();
            EXPECT_TRUE(code == RZ_ERR_ARGUMENT || code == 0) << v << ": error " << code;
        }
        ASSERT_EQ(RzSetSettingValue(handle_, s.name, s.defaultValue), 1);
    }
}

TEST_F(SettingsTableCamera, KeptSettingsOutliveTheCameraObjectAndTheOthersDoNot) {
    std::vector<RzSettingInfo> changed;
    for (const RzSettingInfo& s : Table()) {
        if (s.name == std::string("exposure-ms") || s.name == std::string("defect-correction"))
            continue;
        ASSERT_EQ(RzSetSettingValue(handle_, s.name, OtherThanDefault(s)), 1) << s.name;
        changed.push_back(s);
    }
    ASSERT_EQ(Rezive_Release(handle_), 1);
    handle_ = static_cast<RzHandle>(Rezive_Initialize(app_));
    ASSERT_NE(handle_, 0u);
    for (const RzSettingInfo& s : changed) {
        SCOPED_TRACE(s.name);
        EXPECT_EQ(Read(s), s.persistence == RZ_SETTING_KEPT ? OtherThanDefault(s) : s.defaultValue);
    }
}

TEST_F(SettingsTableCamera, UnknownNamesAndMissingOutputAreRefusedAsBadArguments) {
    int32_t value = 0;
    struct Case {
        const char* what;
        int32_t result;
    };
    const Case cases[] = {
        {"set of an unknown name", RzSetSettingValue(handle_, "no-such-setting", 1)},
        {"set of a NULL name", RzSetSettingValue(handle_, nullptr, 1)},
        {"get of an unknown name", RzGetSettingValue(handle_, "Gain", &value)},
        {"get into NULL", RzGetSettingValue(handle_, "gain", nullptr)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.result, 0) << c.what;
    }
    for (size_t k = 0; k < std::size(cases); ++k) EXPECT_EQ(Rezive_GetLastError(handle_), RZ_ERR_ARGUMENT);
    // An unknown handle fails for every setting, also where the export behind it answers an
    // unknown handle with a plain 0 that reads like a stored value.
    for (const RzSettingInfo& s : Table()) {
        EXPECT_EQ(RzSetSettingValue(handle_ + 1000, s.name, s.defaultValue), 0) << s.name;
        EXPECT_EQ(RzGetSettingValue(handle_ + 1000, s.name, &value), 0) << s.name;
    }
}

}  // namespace
}  // namespace rezive::test
