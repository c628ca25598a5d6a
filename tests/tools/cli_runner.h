// Runs rezive-cam as a child process with its own settings file and shared-memory name, and
// collects its exit status and output. Header-only: every *_test.cpp of this folder uses it.
#pragma once

// GCC 12 at -O3 takes the string concatenations below for overlapping copies once they are
// inlined into a test (a false -Wrestrict, GCC bug 105329).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "support/test_env.h"
#include "support/text_files.h"
#include "support/wait.h"

extern char** environ;

// The build defines the tool's path; without the tool (REZIVE_BUILD_TOOLS=OFF) the tests skip.
#ifndef REZIVE_CAM_PATH
#define REZIVE_CAM_PATH ""
#endif
#define REZIVE_REQUIRE_CLI()                                                     \
    do {                                                                        \
        if (std::string(REZIVE_CAM_PATH).empty()) GTEST_SKIP() << "rezive-cam is not built"; \
    } while (0)

namespace rezive::test {

struct CliResult {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
};

// One camera "machine": a settings file and a shared-memory name that no other test uses.
class CliEnvironment {
public:
    CliEnvironment() {
        static int counter = 0;
        settingsFile_ = TempPath(".reg");
        sharedName_ = "/rezive-cli-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        vars_["REZIVE_SETTINGS_FILE"] = settingsFile_;
        vars_["REZIVE_SHARED_NAME"] = sharedName_;
        vars_["REZIVE_VIRTUAL_CAMERAS"] = "1";
        // The name carries this process's pid: a region of that name was left by a killed test
        // process that had the same pid, with claims that would read as held.
        shm_unlink(sharedName_.c_str());
    }
    ~CliEnvironment() { shm_unlink(sharedName_.c_str()); }
    CliEnvironment(const CliEnvironment&) = delete;
    CliEnvironment& operator=(const CliEnvironment&) = delete;

    const std::string& SettingsFile() const { return settingsFile_; }
    // Sets a variable for the child; an empty value removes it from the child's environment.
    void Set(const std::string& name, const std::string& value) { vars_[name] = value; }

    // Starts rezive-cam with the arguments; stdout and stderr go to files.
    pid_t Start(const std::vector<std::string>& args, std::string* outPath, std::string* errPath) const {
        std::vector<std::string> argv = {REZIVE_CAM_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        return StartProgram(argv, outPath, errPath);
    }

    // Starts any program (argv[0] a path) in this environment, as Start does rezive-cam.
    pid_t StartProgram(std::vector<std::string> argv, std::string* outPath,
                       std::string* errPath) const {
        *outPath = TempPath(".out");
        *errPath = TempPath(".err");
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            const std::string name = entry.substr(0, entry.find('='));
            if (vars_.count(name) == 0) env.push_back(entry);
        }
        for (const auto& [name, value] : vars_) {
            if (!value.empty()) env.push_back(name + "=" + value);
        }
        std::vector<char*> argvPtrs, envPtrs;
        for (auto& a : argv) argvPtrs.push_back(a.data());
        argvPtrs.push_back(nullptr);
        for (auto& e : env) envPtrs.push_back(e.data());
        envPtrs.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath->c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath->c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t pid = -1;
        if (posix_spawnp(&pid, argvPtrs[0], &actions, nullptr, argvPtrs.data(), envPtrs.data()) != 0) {
            pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }

    // Waits for the child with a generous deadline (a loaded machine is slow), killing it after.
    static int Wait(pid_t pid, std::chrono::seconds limit = std::chrono::seconds(180)) {
        if (pid <= 0) return -1;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        int status = 0;
        for (;;) {
            const pid_t waited = waitpid(pid, &status, WNOHANG);
            if (waited == pid) break;
            // A wait that fails says nothing about how the child ended: never a success.
            if (waited < 0 && errno != EINTR) return -1;
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                return -2;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (WIFEXITED(status)) return WEXITSTATUS(status);
        if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
        return -1;
    }

    CliResult Run(const std::vector<std::string>& args) const {
        std::vector<std::string> argv = {REZIVE_CAM_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunProgram(argv);
    }

    CliResult RunProgram(const std::vector<std::string>& argv) const {
        std::string outPath, errPath;
        CliResult result;
        result.status = Wait(StartProgram(argv, &outPath, &errPath));
        result.out = ReadText(outPath);
        result.err = ReadText(errPath);
        return result;
    }

private:
    std::string settingsFile_;
    std::string sharedName_;
    std::map<std::string, std::string> vars_;
};

// True when a camera's device file exists: the tests of the no-camera paths then cannot run.
inline bool HardwareAttached() {
    const char suffixes[] = "0123456789ABCDEFGHIJKLNMOPQRSTUVWXYZ";
    for (const char* s = suffixes; *s != '\0'; ++s) {
        if (access((std::string("/dev/Daro417DIRVUD-") + *s).c_str(), F_OK) == 0) return true;
    }
    return false;
}

}  // namespace rezive::test

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
