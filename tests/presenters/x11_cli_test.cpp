// rezive-cam on a display: --show opens the window, and the user closing it ends the command as
// Ctrl-C would, with success.
#include <gtest/gtest.h>

#include "tools/cli_runner.h"
#include "support/text_files.h"
#include "x_client.h"

namespace rezive::test {
namespace {

TEST(X11Cli, ClosingTheShownWindowEndsTheCommandWithSuccess) {
    REZIVE_REQUIRE_CLI();
    if (TestDisplay().empty()) GTEST_SKIP() << "no display";
    XClient x(TestDisplay());
    ASSERT_TRUE(x.Ok());
    const std::string avi = TempPath(".avi");
    struct Case {
        const char* what;
        std::vector<std::string> args;
    };
    const Case cases[] = {
        {"preview", {"preview", "--show"}},
        {"record", {"record", "--show", "-o", avi, "--duration", "60s", "--window", "320", "240"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CliEnvironment env;
        env.Set("DISPLAY", TestDisplay());
        std::string out, err;
        const pid_t pid = env.Start(c.args, &out, &err);
        ASSERT_GT(pid, 0);
        xcb_window_t window = 0;
        const bool shown = Eventually([&] { return (window = x.FindTopLevel("Active Window")) != 0; }, 60000);
        if (shown) x.SendDelete(window);
        const int status = CliEnvironment::Wait(pid, std::chrono::seconds(shown ? 60 : 1));
        ASSERT_TRUE(shown) << ReadText(err);
        EXPECT_EQ(status, 0) << ReadText(err);
        EXPECT_EQ(x.FindTopLevel("Active Window"), 0u) << "the window is gone with the command";
    }
    // The recording was finished as a file when its window closed.
    EXPECT_EQ(ReadText(avi).rfind("RIFF", 0), 0u);
}

}  // namespace
}  // namespace rezive::test
