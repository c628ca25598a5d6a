// REZIVE_FORCE_BASELINE selects the baseline build for a whole process, decided once.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "imaging/cpu_dispatch.h"
#include "support/test_env.h"
#include "support/text_files.h"

extern char** environ;

namespace rezive {
namespace {

bool CpuHasWideBuild() {
#if REZIVE_HAVE_WIDE_BUILD
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

// Runs the probe with REZIVE_FORCE_BASELINE set to value (unset when empty optional) and
// returns what it printed, or "" when it failed.
std::string RunProbe(const std::optional<std::string>& value) {
    std::vector<std::string> vars;
    for (char** e = environ; *e != nullptr; ++e)
        if (std::string(*e).rfind("REZIVE_FORCE_BASELINE=", 0) != 0) vars.emplace_back(*e);
    if (value) vars.push_back("REZIVE_FORCE_BASELINE=" + *value);
    std::vector<char*> envp;
    for (std::string& v : vars) envp.push_back(v.data());
    envp.push_back(nullptr);

    const std::string outPath = test::TempPath(".out");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    // The launcher's words (an emulator in a cross build), then the probe.
    std::vector<std::string> words;
    const std::string launcher = REZIVE_DISPATCH_PROBE_LAUNCHER;
    for (size_t at = 0; !launcher.empty() && at != std::string::npos;) {
        const size_t bar = launcher.find('|', at);
        words.push_back(launcher.substr(at, bar == std::string::npos ? bar : bar - at));
        at = bar == std::string::npos ? bar : bar + 1;
    }
    words.push_back(REZIVE_DISPATCH_PROBE_PATH);
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned =
        posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return "";
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "";
    return test::ReadText(outPath);
}

TEST(CpuDispatch, ForceBaselineVariableChoosesTheBuildOnceForTheProcess) {
    const std::string natural = CpuHasWideBuild() ? "wide" : "baseline";
    struct Case {
        std::optional<std::string> value;
        std::string printed;  // at the first dispatch, then after the variable changed
    };
    const Case cases[] = {
        {std::nullopt, natural + " " + natural},
        {"1", "baseline baseline"},
        {"yes", "baseline baseline"},
        {"0", natural + " " + natural},
        {"", natural + " " + natural},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RunProbe(c.value), c.printed + "\n")
            << "REZIVE_FORCE_BASELINE " << (c.value ? "= '" + *c.value + "'" : "unset");
}

// The test hook forces the baseline on top of the environment's choice and gives it back; in
// the run on the baseline kernels, this process really is on them.
TEST(CpuDispatch, TestHookForcesTheBaselineAndRestoresTheProcessChoice) {
    const dispatch::Level chosen = dispatch::ActiveLevel();
    const char* forced = std::getenv("REZIVE_FORCE_BASELINE");
    if (forced != nullptr && std::string(forced) == "1") {
        EXPECT_EQ(chosen, dispatch::Level::kBaseline);
    }
    dispatch::ForceBaseline(true);
    EXPECT_EQ(dispatch::ActiveLevel(), dispatch::Level::kBaseline);
    dispatch::ForceBaseline(false);
    EXPECT_EQ(dispatch::ActiveLevel(), chosen);
}

}  // namespace
}  // namespace rezive
