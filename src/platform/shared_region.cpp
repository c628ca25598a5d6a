#include "platform/shared_region.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace rezive::platform {

std::string SharedRegionName() {
    const char* override = std::getenv("REZIVE_SHARED_NAME");
    std::string name = (override && *override) ? override : kSharedRegionName;
    if (name.front() != '/') name.insert(name.begin(), '/');
    return name;
}

SharedRegion::~SharedRegion() { Close(); }

bool SharedRegion::Open() {
    if (view_) return true;
    const std::string name = SharedRegionName();
    int fd = shm_open(name.c_str(), O_RDWR, 0600);
    if (fd < 0 && errno == ENOENT) {
        fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
        if (fd < 0 && errno == EEXIST) fd = shm_open(name.c_str(), O_RDWR, 0600);
    }
    if (fd < 0) return false;
    // A region another process has just created may not have its size yet; growing it to the
    // agreed size is idempotent and new bytes read as zero, so mapping never runs past its end.
    struct stat st {};
    if (fstat(fd, &st) != 0 ||
        (static_cast<size_t>(st.st_size) < kSharedRegionSize &&
         ftruncate(fd, static_cast<off_t>(kSharedRegionSize)) != 0)) {
        close(fd);
        return false;
    }
    void* view = mmap(nullptr, kSharedRegionSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (view == MAP_FAILED) return false;
    view_ = static_cast<uint8_t*>(view);
    return true;
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
