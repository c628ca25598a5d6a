#include "platform/device_file_linux.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/device_file.h"

namespace rezive::platform {
namespace {

int RealOpen(const char* path, int flags) { return ::open(path, flags); }
int RealIoctl(int fd, unsigned long request, void* argument) {
    int result;
    do {
        result = ::ioctl(fd, request, argument);
    } while (result < 0 && errno == EINTR);
    return result;
}
int RealClose(int fd) { return ::close(fd); }

const CharDeviceSyscalls kReal{RealOpen, RealIoctl, RealClose};
const CharDeviceSyscalls* g_calls = &kReal;

class CharDeviceFile final : public DeviceFile {
public:
    explicit CharDeviceFile(int fd) : fd_(fd) {}
    ~CharDeviceFile() override { g_calls->close(fd_); }

    bool Control(uint32_t code, const void* in, uint32_t inSize, void* out, uint32_t outSize,
                 uint32_t* bytesDone) override {
        if (bytesDone) *bytesDone = 0;
        const unsigned long request = LinuxRequestFor(code);
        if (request == 0) return false;
        if (code == kIoctlSetTimeout) {
            RzTimeoutRecord record{};
            if (in != nullptr) std::memcpy(record.bytes, in, inSize < 44 ? inSize : 44);
            return g_calls->ioctl(fd_, request, &record) == 0;
        }
        if (in == nullptr || inSize < 4) return false;
        RzPipeRequest req{};
        std::memcpy(&req.pipe, in, 4);  // little-endian host
        req.length = outSize;
        req.buffer = reinterpret_cast<uintptr_t>(out);
        const bool ok = g_calls->ioctl(fd_, request, &req) == 0;
        // A driver never reports more than the buffer holds; do not believe one that does.
        if (bytesDone) *bytesDone = req.bytesDone <= outSize ? req.bytesDone : 0;
        return ok && req.bytesDone <= outSize;
    }

private:
    int fd_;
};

}  // namespace

unsigned long LinuxRequestFor(uint32_t code) {
    switch (code) {
        case kIoctlPipeTransfer: return _IOWR('R', 0x4E, RzPipeRequest);
        case kIoctlPipeTransferIn: return _IOWR('R', 0x51, RzPipeRequest);
        case kIoctlLargeTransferIn: return _IOWR('R', 0xA9, RzPipeRequest);
        case kIoctlSetTimeout: return _IOW('R', 0xA0, RzTimeoutRecord);
        default: return 0;
    }
}

const CharDeviceSyscalls& RealCharDeviceSyscalls() { return kReal; }

void SetCharDeviceSyscallsForTesting(const CharDeviceSyscalls* calls) {
    g_calls = calls ? calls : &kReal;
}

std::unique_ptr<DeviceFile> OpenCharDevice(const char* path) {
    if (path == nullptr) return nullptr;
    // Where no kernel driver is installed (the common case, as USB cameras need none) the probe
    // of every slot would be a run of failed opens; a node that is not there is not opened. (The
    // emulated USB bus of the tests also counts every failed open of a /dev path against a
    // small table of its own.)
    if (g_calls == &kReal && ::access(path, F_OK) != 0) return nullptr;
    // Write access as the driver expects; close-on-exec so a forked child never holds a camera.
    const int fd = g_calls->open(path, O_RDWR | O_CLOEXEC);
    if (fd < 0) return nullptr;
    return std::make_unique<CharDeviceFile>(fd);
}

}  // namespace rezive::platform
