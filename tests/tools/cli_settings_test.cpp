// rezive-cam end to end: settings set in one run are there in the next (through the library's
// own settings store), a rejected value changes nothing, and get reads what set wrote.
#include <gtest/gtest.h>

#include "tools/cli_runner.h"
#include "tools/json_reader.h"

namespace rezive::test {
namespace {

struct SettingCase {
    const char* name;
    const char* value;     // as typed
    const char* shownAs;   // as get prints it
};

class CliSettingPersistence : public testing::TestWithParam<SettingCase> {};

TEST_P(CliSettingPersistence, SetInOneRunIsReadInTheNext) {
    REZIVE_REQUIRE_CLI();
    const SettingCase& c = GetParam();
    CliEnvironment env;
    const CliResult set = env.Run({"set", std::string("--") + c.name, c.value});
    ASSERT_EQ(set.status, 0) << set.err;
    const CliResult get = env.Run({"get", c.name});
    ASSERT_EQ(get.status, 0) << get.err;
    ASSERT_EQ(get.out.rfind(c.name, 0), 0u) << get.out;
    std::string shown = get.out.substr(std::string(c.name).size());
    shown.erase(0, shown.find_first_not_of(' '));
    shown.erase(shown.find_last_not_of(" \n") + 1);
    EXPECT_EQ(shown, c.shownAs);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliSettingPersistence,
    testing::Values(SettingCase{"gain", "7", "7"}, SettingCase{"exposure", "321", "321"},
                    SettingCase{"mirror-h", "on", "on"}, SettingCase{"mirror-v", "1", "on"},
                    SettingCase{"auto-iris", "gain", "gain"},
                    SettingCase{"brightness", "-40", "-40"}, SettingCase{"contrast", "12", "12"},
                    SettingCase{"hue", "-90", "-90"}, SettingCase{"saturation", "30", "30"},
                    SettingCase{"sharpness", "5", "5"}, SettingCase{"gamma", "150", "150"},
                    SettingCase{"wb-red", "300", "300"}, SettingCase{"wb-blue", "20", "20"},
                    SettingCase{"bayer-mode", "2", "2"},
                    SettingCase{"gray-mode", "gain-offset", "gain-offset"},
                    SettingCase{"gray-gain-g2", "200", "200"},
                    SettingCase{"gray-offset-b", "-7", "-7"}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (auto& ch : n) ch = ch == '-' ? '_' : ch;
        return n;
    });

TEST(CliSettings, SettingsFileIsWhereTheEnvironmentSays) {
    REZIVE_REQUIRE_CLI();
    CliEnvironment env;
    ASSERT_EQ(env.Run({"set", "--gamma", "120"}).status, 0);
    EXPECT_NE(ReadText(env.SettingsFile()).find("REGEDIT4"), std::string::npos);
}

TEST(CliSettings, RejectedValueLeavesEveryOtherSettingOfTheCommandUnchanged) {
    REZIVE_REQUIRE_CLI();
    CliEnvironment env;
    ASSERT_EQ(env.Run({"set", "--brightness", "10", "--gain", "3"}).status, 0);
    // brightness comes before gain; gain 99 is out of the sensor's range.
    const CliResult bad = env.Run({"set", "--brightness", "50", "--gain", "99"});
    EXPECT_EQ(bad.status, 9) << bad.err;
    EXPECT_NE(bad.err.find("error 9: argument out of range"), std::string::npos) << bad.err;
    const CliResult get = env.Run({"--json", "get", "brightness", "gain"});
    ASSERT_EQ(get.status, 0) << get.err;
    const auto doc = JsonReader::Parse(get.out);
    ASSERT_TRUE(doc) << get.out;
    EXPECT_EQ(doc->Get("brightness")->number, 10);
    EXPECT_EQ(doc->Get("gain")->number, 3);
}

TEST(CliSettings, RealExposureTimeIsKeptAsLines) {
    REZIVE_REQUIRE_CLI();
    // The time and the lines are two views of one setting: doubling the time doubles the lines.
    CliEnvironment env;
    // Times are whole milliseconds, about 14 lines of the virtual sensor: long enough exposures
    // keep that rounding small.
    // Every step reports what the tool said, so that a failure shows which run went wrong.
    const CliResult lines = env.Run({"set", "--exposure", "3000"});
    ASSERT_EQ(lines.status, 0) << lines.err;
    const CliResult getTime = env.Run({"--json", "get", "exposure-ms"});
    ASSERT_EQ(getTime.status, 0) << getTime.err;
    const auto before = JsonReader::Parse(getTime.out);
    ASSERT_TRUE(before && before->Get("exposure-ms")) << getTime.out;
    const int time = static_cast<int>(before->Get("exposure-ms")->number);
    ASSERT_GT(time, 0) << getTime.out;
    const CliResult set = env.Run({"set", "--exposure-ms", std::to_string(2 * time)});
    ASSERT_EQ(set.status, 0) << set.err;
    const CliResult getLines = env.Run({"--json", "get", "exposure"});
    ASSERT_EQ(getLines.status, 0) << getLines.err;
    const auto after = JsonReader::Parse(getLines.out);
    ASSERT_TRUE(after && after->Get("exposure")) << getLines.out;
    EXPECT_NEAR(after->Get("exposure")->number, 6000, 60) << "from " << time << " ms";
}

TEST(CliSettings, RunOnlySettingsAreNamedAsSuch) {
    REZIVE_REQUIRE_CLI();
    CliEnvironment env;
    const CliResult r = env.Run({"--json", "set", "--wait-time", "25", "--gain", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("does not keep wait-time"), std::string::npos) << r.err;
    const auto doc = JsonReader::Parse(r.out);
    ASSERT_TRUE(doc) << r.out;
    const JsonValue* notKept = doc->Get("not_kept");
    ASSERT_TRUE(notKept);
    ASSERT_EQ(notKept->elements.size(), 1u);
    EXPECT_EQ(notKept->elements[0].text, "wait-time");
}

TEST(CliSettings, WhiteBalanceOnceStoresMeasuredGainsAndLeavesAutoOff) {
    REZIVE_REQUIRE_CLI();
    CliEnvironment env;
    ASSERT_EQ(env.Run({"set", "--wb-red", "0", "--wb-green", "0", "--wb-blue", "0"}).status, 0);
    const CliResult r = env.Run({"set", "--auto-wb", "once"});
    ASSERT_EQ(r.status, 0) << r.err;
    const CliResult get = env.Run({"--json", "get", "wb-red", "wb-green", "wb-blue", "auto-wb"});
    const auto doc = JsonReader::Parse(get.out);
    ASSERT_TRUE(doc) << get.out;
    EXPECT_GT(doc->Get("wb-red")->number + doc->Get("wb-green")->number +
                  doc->Get("wb-blue")->number, 0);
    EXPECT_FALSE(doc->Get("auto-wb")->boolean);
}

TEST(CliSettings, LoadDefectsReadsTheFileAndCountsItsEntries) {
    REZIVE_REQUIRE_CLI();
    CliEnvironment env;
    const std::string path = TempPath(".def");
    {
        std::ofstream out(path, std::ios::binary);
        const int32_t entries[] = {10, 20, 30, 40, 500, 600};
        out.write(reinterpret_cast<const char*>(entries), sizeof entries);
    }
    const CliResult r = env.Run({"--json", "load-defects", path});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto doc = JsonReader::Parse(r.out);
    ASSERT_TRUE(doc) << r.out;
    EXPECT_EQ(doc->Get("entries")->number, 3);
    // And a snapshot can use it.
    EXPECT_EQ(env.Run({"snapshot", "-o", TempPath(".png"), "--defects", path}).status, 0);
}

}  // namespace
}  // namespace rezive::test

namespace rezive::test {
namespace {

// set takes the names get prints, as words beside the options; every spelling lands the same
// values, and a malformed line is refused before the camera is touched.
struct WordsCase {
    const char* label;
    std::vector<std::string> args;  // after "set"
    int status;
    int brightness;  // as get reads it afterwards (0 when refused: nothing changed)
    int gamma;
};

class CliSetWords : public testing::TestWithParam<WordsCase> {};

TEST_P(CliSetWords, SetsWhatGetReads) {
    REZIVE_REQUIRE_CLI();
    const WordsCase& c = GetParam();
    CliEnvironment env;
    std::vector<std::string> args = {"set"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliResult set = env.Run(args);
    ASSERT_EQ(set.status, c.status) << set.err;
    const CliResult get = env.Run({"--json", "get", "brightness", "gamma"});
    ASSERT_EQ(get.status, 0) << get.err;
    const auto doc = JsonReader::Parse(get.out);
    ASSERT_TRUE(doc) << get.out;
    EXPECT_EQ(doc->Get("brightness")->number, c.brightness);
    EXPECT_EQ(doc->Get("gamma")->number, c.gamma);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliSetWords,
    testing::Values(
        WordsCase{"name_then_negative_value", {"brightness", "-20"}, 0, -20, 100},
        WordsCase{"name_equals_value", {"brightness=-20"}, 0, -20, 100},
        WordsCase{"mixed_with_options", {"--gamma", "120", "brightness", "-20"}, 0, -20, 120},
        WordsCase{"several_words", {"gamma=130", "brightness", "7"}, 0, 7, 130},
        WordsCase{"name_without_value", {"gamma=120", "brightness"}, 64, 0, 100},
        WordsCase{"unknown_name", {"brightnes=3"}, 64, 0, 100},
        WordsCase{"named_twice", {"--brightness", "3", "brightness=4"}, 64, 0, 100},
        WordsCase{"value_out_of_range", {"brightness", "999"}, 9, 0, 100}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace rezive::test
