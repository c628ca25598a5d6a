// Displays that cannot be used: the library stays headless, says so once, and never hangs.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/presenter_loader.h"
#include "presenters/private_server.h"

namespace rezive::test {
namespace {

// A display number with no server: neither a socket nor a lock file of one.
std::string DeadDisplay() {
    const int n = FreeDisplayNumber(150, 400);
    return DisplayName(n < 0 ? 399 : n);
}

// A TCP "display" that accepts connections (the kernel does, from the backlog) and never
// answers the setup request: what a stalled or firewalled remote server looks like.
class SilentDisplay {
public:
    SilentDisplay() {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        for (int n = 150; n < 400 && fd_ >= 0; ++n) {
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(static_cast<uint16_t>(6000 + n));
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(fd_, 4) == 0) {
                char name[32];
                std::snprintf(name, sizeof name, "127.0.0.1:%d", n);
                name_ = name;
                break;
            }
        }
    }
    ~SilentDisplay() {
        if (fd_ >= 0) close(fd_);
    }
    const std::string& Name() const { return name_; }

private:
    int fd_ = -1;
    std::string name_;
};

TEST(X11DisplayFaults, AnUnusableDisplayFallsBackToHeadlessWithOneNote) {
    SilentDisplay silent;
    ASSERT_FALSE(silent.Name().empty());
    struct Case {
        const char* what;
        std::string display;
        bool note;
    };
    const Case cases[] = {
        {"no display configured", "", false},
        {"no server behind the display", DeadDisplay(), true},
        {"a server that never answers", silent.Name(), true},
    };
    setenv("REZIVE_X11_CONNECT_TIMEOUT_MS", "500", 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.display.empty()) unsetenv("DISPLAY"); else setenv("DISPLAY", c.display.c_str(), 1);
        testing::internal::CaptureStderr();
        const auto start = std::chrono::steady_clock::now();
        const auto presenter = platform::LoadDisplayPresenter();
        const auto took = std::chrono::steady_clock::now() - start;
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(presenter, nullptr);
        EXPECT_LT(took, std::chrono::seconds(10)) << "the attempt is bounded";
        if (c.note) {
            EXPECT_EQ(err.rfind("ReziveSdk: ", 0), 0u) << err;
            EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        } else {
            EXPECT_EQ(err, "");
        }
    }
    unsetenv("DISPLAY");
    unsetenv("REZIVE_X11_CONNECT_TIMEOUT_MS");
}

TEST(X11DisplayFaults, HeadlessCanBeChosenWhileADisplayIsThere) {
    setenv("DISPLAY", ":0", 1);
    setenv("REZIVE_PRESENTER", "headless", 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(platform::LoadDisplayPresenter(), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    unsetenv("REZIVE_PRESENTER");
    unsetenv("DISPLAY");
}

}  // namespace
}  // namespace rezive::test
