#include "platform/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <thread>
#include <utility>

namespace rezive::platform {
namespace {

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

std::string ParentOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void MakeFolders(const std::string& folder) {
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string prefix = folder.substr(0, slash);
        if (!prefix.empty()) mkdir(prefix.c_str(), 0700);
        if (slash == std::string::npos) break;
    }
}

void SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

// A copy for folders that refuse hard links; O_EXCL keeps an existing file safe.
enum class CopyResult { kDone, kExists, kFailed };
CopyResult CopyExclusive(const std::string& from, const std::string& to) {
    const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) return errno == EEXIST ? CopyResult::kExists : CopyResult::kFailed;
    const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    bool ok = in >= 0;
    char buffer[65536];
    while (ok) {
        const ssize_t n = read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        ok = WriteAll(out, buffer, static_cast<size_t>(n));
    }
    if (in >= 0) close(in);
    ok = ok && fsync(out) == 0;
    ok = close(out) == 0 && ok;
    if (!ok) unlink(to.c_str());
    return ok ? CopyResult::kDone : CopyResult::kFailed;
}

// Temporary files exist only while a writer holds the lock, so one found by the lock holder was
// left by a writer that died before its rename.
void RemoveStaleTemporaries(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = ParentOf(path);
    const std::string prefix = path.substr(slash == std::string::npos ? 0 : slash + 1) + ".tmp.";
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.size() == prefix.size() + 6 && name.substr(0, prefix.size()) == prefix) {
            unlinkat(dirfd(dir), entry->d_name, 0);
        }
    }
    closedir(dir);
}

}  // namespace

ReadStatus ReadWholeFile(const std::string& path, size_t limit, std::string* text, uint32_t* mode) {
    text->clear();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT ? ReadStatus::kMissing : ReadStatus::kFailed;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return ReadStatus::kFailed;
    }
    if (mode) *mode = st.st_mode & 07777;
    char buffer[65536];
    while (text->size() <= limit) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            close(fd);
            return ReadStatus::kFailed;
        }
        if (n == 0) break;
        text->append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return ReadStatus::kRead;
}

void MakeParentFolders(const std::string& path) { MakeFolders(ParentOf(path)); }

FileLock::FileLock(const std::string& path, std::chrono::milliseconds patience) {
    const std::string lockPath = path + ".lock";
    const int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return;
    const auto deadline = std::chrono::steady_clock::now() + patience;
    auto pause = std::chrono::milliseconds(1);
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() > deadline) {
            close(fd);
            return;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
    fd_ = fd;
}

FileLock::~FileLock() {
    if (fd_ >= 0) close(fd_);  // closing the only descriptor releases the flock
}

FileLock::FileLock(FileLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

bool KeepBackup(const std::string& path, int maxBackups) {
    for (int n = 0; n < maxBackups; ++n) {
        const std::string name = path + (n == 0 ? ".bak" : ".bak." + std::to_string(n));
        if (link(path.c_str(), name.c_str()) == 0) return true;
        if (errno == EEXIST) continue;
        switch (CopyExclusive(path, name)) {
            case CopyResult::kDone: return true;
            case CopyResult::kExists: continue;
            case CopyResult::kFailed: return false;
        }
    }
    return false;
}

bool ReplaceAtomically(const std::string& path, std::string_view text, uint32_t mode) {
    RemoveStaleTemporaries(path);
    std::string temp = path + ".tmp.XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = fchmod(fd, static_cast<mode_t>(mode)) == 0 && WriteAll(fd, text.data(), text.size()) &&
              fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    SyncFolder(ParentOf(path));
    return true;
}

}  // namespace rezive::platform
