#include "platform/device_problem.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <utility>

#include "platform/mutex.h"

namespace rezive::platform {
namespace {

struct Problems {
    Mutex mutex;
    std::map<std::string, DeviceProblem> byPath RZ_GUARDED_BY(mutex);
};

// Never destroyed: backends report from threads that may outlive static destruction.
Problems& TheProblems() {
    static Problems* problems = new Problems;
    return *problems;
}

std::string CommandOf(const std::string& pid) {
    std::ifstream comm("/proc/" + pid + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

bool AllDigits(const char* text) {
    if (*text == '\0') return false;
    for (; *text; ++text) {
        if (*text < '0' || *text > '9') return false;
    }
    return true;
}

}  // namespace

void ReportDeviceProblem(const std::string& path, DeviceCause cause, std::string reason,
                         bool fromOpen) {
    Problems& problems = TheProblems();
    MutexLock lock(problems.mutex);
    if (cause == DeviceCause::kNone) {
        problems.byPath.erase(path);
        return;
    }
    problems.byPath[path] = DeviceProblem{cause, std::move(reason), fromOpen};
}

void ClearDeviceProblem(const std::string& path, bool openOnly) {
    Problems& problems = TheProblems();
    MutexLock lock(problems.mutex);
    const auto it = problems.byPath.find(path);
    if (it == problems.byPath.end()) return;
    if (!openOnly || it->second.fromOpen) problems.byPath.erase(it);
}

DeviceProblem DeviceProblemOf(const std::string& path) {
    Problems& problems = TheProblems();
    MutexLock lock(problems.mutex);
    const auto it = problems.byPath.find(path);
    return it == problems.byPath.end() ? DeviceProblem{} : it->second;
}

std::vector<std::string> ProblemsOutsideSlots() {
    std::vector<std::string> reasons;
    Problems& problems = TheProblems();
    MutexLock lock(problems.mutex);
    for (const auto& [key, problem] : problems.byPath) {
        if (key.rfind("/dev/", 0) != 0) reasons.push_back(problem.reason);
    }
    return reasons;
}

void ClearDeviceProblemsWithPrefix(const std::string& prefix) {
    Problems& problems = TheProblems();
    MutexLock lock(problems.mutex);
    for (auto it = problems.byPath.begin(); it != problems.byPath.end();) {
        it = it->first.rfind(prefix, 0) == 0 ? problems.byPath.erase(it) : std::next(it);
    }
}

std::string ProcessesHolding(const std::string& node) {
    std::string holders;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) return holders;
    const std::string self = std::to_string(::getpid());
    while (const dirent* entry = ::readdir(proc)) {
        if (!AllDigits(entry->d_name) || self == entry->d_name) continue;
        const std::string fdDir = std::string("/proc/") + entry->d_name + "/fd";
        DIR* fds = ::opendir(fdDir.c_str());
        if (fds == nullptr) continue;  // another user's process, or gone meanwhile
        bool holds = false;
        while (const dirent* fd = ::readdir(fds)) {
            if (!AllDigits(fd->d_name)) continue;
            char target[512];
            const ssize_t n =
                ::readlink((fdDir + "/" + fd->d_name).c_str(), target, sizeof target - 1);
            if (n <= 0) continue;
            target[n] = '\0';
            if (node == target) {
                holds = true;
                break;
            }
        }
        ::closedir(fds);
        if (!holds) continue;
        if (!holders.empty()) holders += ", ";
        holders += std::string("process ") + entry->d_name;
        if (const std::string name = CommandOf(entry->d_name); !name.empty()) {
            holders += " (" + name + ")";
        }
    }
    ::closedir(proc);
    return holders;
}

std::string HeldByText(const std::string& node, const std::string& kernelDriver) {
    if (!kernelDriver.empty()) {
        return "held by the kernel driver " + kernelDriver + " (bound to the camera's interface)";
    }
    const std::string holders = ProcessesHolding(node);
    if (!holders.empty()) return "held by " + holders;
    return "held by another program (of this or another user): close it, then try again";
}

}  // namespace rezive::platform
