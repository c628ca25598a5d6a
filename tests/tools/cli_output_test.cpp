// rezive-cam end to end: --json gives one parseable document for every subcommand, failures
// print "error N: meaning" and exit non-zero, and the virtual-camera fallback says so.
#include <gtest/gtest.h>

#include "tools/cli_runner.h"
#include "tools/json_reader.h"

namespace rezive::test {
namespace {

struct JsonCase {
    const char* label;
    std::vector<std::string> args;  // after --json; "@" is replaced by a fresh file path
    const char* member;             // a member the document must have
};

class CliJson : public testing::TestWithParam<JsonCase> {};

TEST_P(CliJson, EverySubcommandPrintsOneParseableDocument) {
    REZIVE_REQUIRE_CLI();
    const JsonCase& c = GetParam();
    CliEnvironment env;
    std::vector<std::string> args = {"--json"};
    for (const auto& a : c.args) args.push_back(a == "@" ? TempPath(".png") : a);
    const CliResult r = env.Run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto doc = JsonReader::Parse(r.out);
    ASSERT_TRUE(doc) << "not JSON: " << r.out;
    ASSERT_EQ(doc->type, JsonValue::Type::kObject);
    EXPECT_TRUE(doc->Get(c.member)) << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliJson,
    testing::Values(JsonCase{"list", {"list"}, "cameras"}, JsonCase{"info", {"info"}, "settings"},
                    JsonCase{"get", {"get"}, "gamma"},
                    JsonCase{"set", {"set", "--hue", "-20"}, "settings"},
                    JsonCase{"snapshot", {"snapshot", "-o", "@"}, "files"},
                    JsonCase{"trigger", {"trigger", "-o", "@"}, "files"},
                    JsonCase{"preview", {"preview", "--duration", "1s", "--no-window"}, "frames"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(CliJson, FileNamesWithQuotesAndBackslashesStayReadable) {
    REZIVE_REQUIRE_CLI();
    CliEnvironment env;
    const std::string path = TempPath(" we\"ird\\name \xC3\xA9.png");
    const CliResult r = env.Run({"--json", "snapshot", "-o", path});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto doc = JsonReader::Parse(r.out);
    ASSERT_TRUE(doc) << r.out;
    EXPECT_EQ(doc->Get("files")->elements.at(0).Get("path")->text, path);
}

TEST(CliJson, ListAndInfoDescribeTheCamera) {
    REZIVE_REQUIRE_CLI();
    CliEnvironment env;
    const auto list = JsonReader::Parse(env.Run({"--json", "list"}).out);
    ASSERT_TRUE(list);
    const JsonValue* cameras = list->Get("cameras");
    ASSERT_TRUE(cameras);
    ASSERT_EQ(cameras->elements.size(), 1u);
    EXPECT_EQ(cameras->elements[0].Get("slot")->number, 0);
    EXPECT_FALSE(cameras->elements[0].Get("name")->text.empty());

    const auto info = JsonReader::Parse(env.Run({"--json", "info"}).out);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->Get("camera")->Get("sensor_width")->number, 1280);
    EXPECT_EQ(info->Get("camera")->Get("gain_max")->number, 11);
    EXPECT_EQ(info->Get("version")->Get("library")->number, 28378399);
}

TEST(CliJson, PreviewCountsDeliveredFrames) {
    REZIVE_REQUIRE_CLI();
    CliEnvironment env;
    const CliResult r = env.Run({"--json", "preview", "--duration", "2s", "--no-window"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto doc = JsonReader::Parse(r.out);
    ASSERT_TRUE(doc) << r.out;
    EXPECT_GT(doc->Get("frames")->number, 1);
    EXPECT_GT(doc->Get("delivered_fps")->number, 0);
    EXPECT_EQ(doc->Get("failed_frames")->number, 0);
}

TEST(CliFallback, WithNoCameraTheToolUsesOneVirtualCameraAndSaysSo) {
    REZIVE_REQUIRE_CLI();
    if (HardwareAttached()) GTEST_SKIP() << "a camera is attached";
    CliEnvironment env;
    env.Set("REZIVE_VIRTUAL_CAMERAS", "");  // unset: the tool decides
    const CliResult r = env.Run({"--json", "list"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("no camera found; using a virtual camera"), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "one line: " << r.err;
    const auto doc = JsonReader::Parse(r.out);
    ASSERT_TRUE(doc) << r.out;
    EXPECT_TRUE(doc->Get("virtual_fallback")->boolean);
    EXPECT_EQ(doc->Get("cameras")->elements.size(), 1u);
}

struct FailureCase {
    const char* label;
    std::vector<std::string> args;
    const char* virtualCameras;  // REZIVE_VIRTUAL_CAMERAS for the run
    int status;                  // expected exit status
    const char* message;         // expected on stderr
};

class CliFailures : public testing::TestWithParam<FailureCase> {};

TEST_P(CliFailures, PrintTheErrorAndExitNonZero) {
    REZIVE_REQUIRE_CLI();
    const FailureCase& c = GetParam();
    if (std::string(c.virtualCameras) == "0" && HardwareAttached()) GTEST_SKIP() << "a camera is attached";
    CliEnvironment env;
    env.Set("REZIVE_VIRTUAL_CAMERAS", c.virtualCameras);
    std::vector<std::string> args;
    for (const auto& a : c.args) args.push_back(a == "@" ? TempPath("") : a);
    const CliResult r = env.Run(args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliFailures,
    testing::Values(
        FailureCase{"no_camera", {"snapshot", "-o", "/tmp/x.png"}, "0", 2, "error 2: device not present"},
        FailureCase{"no_such_device", {"--device", "4", "info"}, "1", 2, "error 2:"},
        FailureCase{"gain_out_of_range", {"set", "--gain", "12"}, "1", 9, "error 9: argument out of range"},
        FailureCase{"colour_filter_phase", {"set", "--bayer-mode", "4"}, "1", 9, "error 9:"},
        FailureCase{"window_outside_sensor", {"snapshot", "-o", "/tmp/y.png", "--window", "1000", "10", "600", "100"},
                    "1", 7, "error 7: capture window invalid"},
        FailureCase{"unwritable_folder", {"snapshot", "-o", "/nonexistent-folder/a.png"}, "1", 65, "error: cannot write"},
        FailureCase{"unknown_format", {"snapshot", "-o", "image.xyz"}, "1", 64, "cannot tell the image format"},
        FailureCase{"missing_defect_file", {"load-defects", "/nonexistent.def"}, "1", 65, "error: cannot read defect file"},
        FailureCase{"unknown_setting", {"get", "shutter"}, "1", 64, "unknown setting shutter"},
        FailureCase{"bad_value", {"set", "--mirror-h", "sideways"}, "1", 64, "cannot read 'sideways'"},
        FailureCase{"bad_duration", {"record", "-o", "@", "--duration", "soon"}, "1", 64, "--duration"},
        FailureCase{"no_subcommand", {}, "1", 64, ""}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(CliFailures, JsonModeAlsoPrintsTheErrorAsADocument) {
    REZIVE_REQUIRE_CLI();
    CliEnvironment env;
    const CliResult r = env.Run({"--json", "set", "--gain", "12"});
    EXPECT_EQ(r.status, 9);
    const auto doc = JsonReader::Parse(r.out);
    ASSERT_TRUE(doc) << r.out;
    EXPECT_EQ(doc->Get("error")->Get("code")->number, 9);
}

TEST(CliHelp, EverySubcommandHasHelp) {
    REZIVE_REQUIRE_CLI();
    CliEnvironment env;
    for (const char* command : {"list", "info", "snapshot", "record", "preview", "trigger", "get",
                                "set", "load-defects"}) {
        const CliResult r = env.Run({command, "--help"});
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_NE(r.out.find("Usage"), std::string::npos) << command << ": " << r.out;
    }
}

}  // namespace
}  // namespace rezive::test
