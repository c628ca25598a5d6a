#include "support/test_env.h"

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>

namespace rezive::test {
namespace {

std::string g_sharedName;

void Cleanup() {
    if (!g_sharedName.empty()) shm_unlink(g_sharedName.c_str());
    std::error_code ec;
    std::filesystem::remove_all(TempDir(), ec);
}

}  // namespace

const std::string& TempDir() {
    static const std::string dir = [] {
        std::string templ = (std::filesystem::temp_directory_path() / "rezive-test-XXXXXX").string();
        char* made = mkdtemp(templ.data());
        return std::string(made ? made : "/tmp");
    }();
    return dir;
}

std::string TempPath(const std::string& suffix) {
    static std::atomic<int> counter{0};
    return TempDir() + "/f" + std::to_string(counter++) + suffix;
}

void IsolateProcess() {
    const std::string pid = std::to_string(getpid());
    g_sharedName = "/rezive-test-" + pid;
    // Pids come round again, and a test process that was killed (a time-out, a sanitizer's halt)
    // left its region behind, claims and all. A claim recorded under this pid reads as held by a
    // living process, this one, so the first preparation would find its own camera taken. No
    // other process can own a region named after this pid: whatever is there is such a leftover.
    shm_unlink(g_sharedName.c_str());
    setenv("REZIVE_SHARED_NAME", g_sharedName.c_str(), 1);
    setenv("REZIVE_SETTINGS_FILE", (TempDir() + "/settings.reg").c_str(), 1);
    // Preview windows stay in memory unless a test asks for the display (TestDisplay()): a
    // developer's desktop must neither fill with windows nor change what a test sees.
    if (const char* display = std::getenv("DISPLAY")) setenv("REZIVE_TEST_DISPLAY", display, 1);
    unsetenv("DISPLAY");
    std::atexit(Cleanup);
}

std::string TestDisplay() {
    const char* display = std::getenv("REZIVE_TEST_DISPLAY");
    return display ? display : "";
}

}  // namespace rezive::test
