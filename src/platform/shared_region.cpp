#include "platform/shared_region.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace rezive::platform {

std::string SharedRegionName() {
    const char* override = std::getenv("REZIVE_SHARED_NAME");
    std::string name = (override && *override)
                           ? std::string(override)
                           : std::string(kSharedRegionName) + "." + std::to_string(geteuid());
    if (name.front() != '/') name.insert(name.begin(), '/');
    return name;
}

SharedRegion::~SharedRegion() { Close(); }

namespace {

// The reason of a failed step, as the user reads it: glibc keeps POSIX shm in /dev/shm.
std::string Failure(const std::string& name, int error) {
    return "cannot open the camera claim region /dev/shm" + name + ": " + std::strerror(error);
}

}  // namespace

bool SharedRegion::Open(std::string* why) {
    if (view_) return true;
    const std::string name = SharedRegionName();
    std::string reason;
    const bool opened = [&] {
        int fd = shm_open(name.c_str(), O_RDWR, 0600);
        if (fd < 0 && errno == ENOENT) {
            fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
            if (fd < 0 && errno == EEXIST) fd = shm_open(name.c_str(), O_RDWR, 0600);
        }
        if (fd < 0) {
            reason = Failure(name, errno);
            return false;
        }
        struct stat st {};
        if (fstat(fd, &st) != 0) {
            reason = Failure(name, errno);
            close(fd);
            return false;
        }
        if (st.st_uid != geteuid()) {
            reason = "cannot open the camera claim region /dev/shm" + name +
                     ": it belongs to another user (uid " + std::to_string(st.st_uid) + ")";
            close(fd);
            return false;
        }
        // A region another process has just created may not have its size yet; growing it to
        // the agreed size is idempotent and new bytes read as zero. The memory is reserved
        // here, so a full /dev/shm fails now instead of faulting on the first claim written.
        int error = 0;
        if (static_cast<size_t>(st.st_size) < kSharedRegionSize &&
            ftruncate(fd, static_cast<off_t>(kSharedRegionSize)) != 0)
            error = errno;
        // fallocate itself, not posix_fallocate: where the file system cannot reserve, the
        // library emulation would write zeros into a region other processes are using.
        if (error == 0 && fallocate(fd, 0, 0, static_cast<off_t>(kSharedRegionSize)) != 0 &&
            errno != EOPNOTSUPP)
            error = errno;
        void* view = error == 0 ? mmap(nullptr, kSharedRegionSize, PROT_READ | PROT_WRITE,
                                       MAP_SHARED, fd, 0)
                                : MAP_FAILED;
        if (error == 0 && view == MAP_FAILED) error = errno;
        close(fd);
        if (error != 0) {
            reason = Failure(name, error);
            return false;
        }
        view_ = static_cast<uint8_t*>(view);
        return true;
    }();
    if (!opened && why) *why = reason;
    return opened;
}

void SharedRegion::Close() {
    if (view_) munmap(view_, kSharedRegionSize);
    view_ = nullptr;
}

uint32_t CurrentProcessId() { return static_cast<uint32_t>(getpid()); }

bool ProcessAlive(uint32_t pid) {
    if (pid == 0) return true;
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace rezive::platform
