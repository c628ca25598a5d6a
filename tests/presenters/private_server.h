// A virtual X server of a test's own, so that it can be stopped or killed under a presenter.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "support/wait.h"

namespace rezive::test {

// The files by which an X server on display n shows it is there.
struct DisplayFiles {
    std::string socket;
    std::string lock;
};
inline DisplayFiles DisplayFilesOf(int n) {
    char socket[64], lock[64];
    std::snprintf(socket, sizeof socket, "/tmp/.X11-unix/X%d", n);
    std::snprintf(lock, sizeof lock, "/tmp/.X%d-lock", n);
    return {socket, lock};
}
inline std::string DisplayName(int n) {
    char name[16];
    std::snprintf(name, sizeof name, ":%d", n);
    return name;
}

// The first display number in [from, to) with neither the socket nor the lock of a server;
// -1 when there is none.
inline int FreeDisplayNumber(int from, int to) {
    for (int n = from; n < to; ++n) {
        const DisplayFiles files = DisplayFilesOf(n);
        if (!std::filesystem::exists(files.socket) && !std::filesystem::exists(files.lock))
            return n;
    }
    return -1;
}

class PrivateServer {
public:
    // Empty on success, else why not.
    std::string Start() {
        for (int n = 420; n < 600; ++n) {
            n = FreeDisplayNumber(n, 600);
            if (n < 0) break;
            const DisplayFiles files = DisplayFilesOf(n);
            const std::string name = DisplayName(n);
            socket_ = files.socket;
            lock_ = files.lock;
            pid_ = fork();
            if (pid_ < 0) return "fork failed";
            if (pid_ == 0) {
                if (std::freopen("/dev/null", "w", stderr) == nullptr) _exit(126);
                execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", "1280x720x24", "-nolisten", "tcp",
                       "-noreset", static_cast<char*>(nullptr));
                _exit(127);
            }
            if (WaitUntil([&] { return std::filesystem::exists(socket_) || Exited(); },
                          std::chrono::seconds(30)) && !Exited()) {
                name_ = name;
                return {};
            }
            if (!Exited()) return std::string("Xvfb did not come up on ") + name;
            // Lost a race for the display number (or Xvfb is missing): try the next one.
        }
        return "no free display number";
    }
    ~PrivateServer() {
        if (pid_ <= 0) return;
        kill(pid_, SIGCONT);
        kill(pid_, SIGKILL);
        if (!reaped_) waitpid(pid_, nullptr, 0);
        // Killed, it leaves its socket and lock behind.
        std::error_code ignored;
        if (!name_.empty()) {
            std::filesystem::remove(socket_, ignored);
            std::filesystem::remove(lock_, ignored);
        }
    }
    const std::string& Name() const { return name_; }
    void Signal(int sig) const { kill(pid_, sig); }

private:
    bool Exited() {
        if (!reaped_ && waitpid(pid_, nullptr, WNOHANG) == pid_) reaped_ = true;
        return reaped_;
    }
    pid_t pid_ = -1;
    bool reaped_ = false;
    std::string name_, socket_, lock_;
};

}  // namespace rezive::test
