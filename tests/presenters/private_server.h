// A virtual X server of a test's own, so that it can be stopped or killed under a presenter.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>


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
    // Empty on success, else why not. The server picks its own display number and writes it to
    // a pipe once it accepts clients: test processes running side by side that each picked a
    // free number themselves could pick the same one, and the loser, seeing the winner's socket
    // appear, would take the other test's server for its own.
    std::string Start() {
        int ready[2];
        if (pipe2(ready, O_CLOEXEC) != 0) return "pipe failed";
        pid_ = fork();
        if (pid_ < 0) {
            close(ready[0]);
            close(ready[1]);
            return "fork failed";
        }
        if (pid_ == 0) {
            if (std::freopen("/dev/null", "w", stderr) == nullptr) _exit(126);
            const int fd = dup(ready[1]);  // without close-on-exec: the server writes to it
            if (fd < 0) _exit(126);
            const std::string fdText = std::to_string(fd);
            execlp("Xvfb", "Xvfb", "-displayfd", fdText.c_str(), "-screen", "0", "1280x720x24",
                   "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(ready[1]);
        std::string number;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (number.find('\n') == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{ready[0], POLLIN, 0};
            if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
            char chunk[16];
            const ssize_t n = read(ready[0], chunk, sizeof chunk);
            if (n <= 0) break;  // the server exited without a display
            number.append(chunk, static_cast<size_t>(n));
        }
        close(ready[0]);
        if (number.find('\n') == std::string::npos)
            return Exited() ? "Xvfb exited before it accepted clients" : "Xvfb did not come up";
        const int n = std::atoi(number.c_str());
        const DisplayFiles files = DisplayFilesOf(n);
        socket_ = files.socket;
        lock_ = files.lock;
        name_ = DisplayName(n);
        return {};
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
