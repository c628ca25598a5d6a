// rezive-cam dialog, driven by scripts without a display: how each dialog ended and what it
// changed, what the next run sees, and scripts the tool or the dialog refuses.
#include <gtest/gtest.h>

#include "tools/cli_runner.h"

namespace rezive::test {
namespace {

struct DialogCase {
    const char* name;
    const char* kind;
    const char* script;
    int status;
    std::vector<std::string> printed;  // lines expected in the output
    const char* setting;               // read in a second run ("" for none)
    const char* stored;
};

class CliDialog : public testing::TestWithParam<DialogCase> {};

TEST_P(CliDialog, RunsTheScriptAndReportsTheEnd) {
    REZIVE_REQUIRE_CLI();
    const DialogCase& c = GetParam();
    CliEnvironment env;
    const std::string script = TempPath(".txt");
    WriteText(script, c.script);
    const CliResult run = env.Run({"dialog", c.kind, "--script", script});
    EXPECT_EQ(run.status, c.status) << run.err;
    for (const std::string& line : c.printed) {
        EXPECT_NE((run.out + run.err).find(line), std::string::npos) << line << "\n" << run.out << run.err;
    }
    if (*c.setting == '\0') return;
    const CliResult get = env.Run({"get", c.setting});
    ASSERT_EQ(get.status, 0) << get.err;
    EXPECT_NE(get.out.find(c.stored), std::string::npos) << get.out;
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliDialog,
    testing::Values(
        DialogCase{"analog_ok", "analog", "# live exposure\nslide 1026 2000\nclick 1028\nok\n", 0,
                   {"analog dialog: OK", "exposure: 637 -> 2000", "mirror-v: off -> on"},
                   "exposure", "2000"},
        DialogCase{"analog_cancel", "analog", "set 1027 1500\ncancel\n", 0,
                   {"analog dialog: Cancel", "nothing changed"}, "exposure", "637"},
        DialogCase{"image_left_open", "image", "slide 2001 -50\n", 0,
                   {"image dialog: Cancel", "nothing changed"}, "brightness", "0"},
        DialogCase{"format_ok", "format", "select 1009 0\r\nset 1045 5\r\nok\r\n", 0,
                   {"format dialog: OK", "color: 24 -> 8"}, "wait-time", "5"},
        DialogCase{"unknown_step", "analog", "jump 3\n", 64, {"script line 1: unknown step"}, "", ""},
        DialogCase{"missing_number", "analog", "\nslide 1026\n", 64, {"script line 2"}, "", ""},
        DialogCase{"refused_step", "image", "tab 1\n", 65, {"script line 1: the dialog refused"},
                   "", ""}),
    [](const testing::TestParamInfo<DialogCase>& info) { return std::string(info.param.name); });

TEST(CliDialogs, WithoutADisplayAScriptIsNeeded) {
    REZIVE_REQUIRE_CLI();
    CliEnvironment env;
    env.Set("DISPLAY", "");
    const CliResult run = env.Run({"dialog", "analog"});
    EXPECT_EQ(run.status, 64);
    EXPECT_NE(run.err.find("--script"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace rezive::test
