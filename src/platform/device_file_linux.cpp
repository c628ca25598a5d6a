#include "platform/device_file_linux.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/device_file.h"
#include "platform/device_problem.h"

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

// Why the driver refused an open, in words a user acts on.
DeviceProblem OpenProblem(const std::string& node, int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            return {DeviceCause::kPermission,
                    "no permission to open " + node +
                        ": install the udev rule 60-rezive-417dir-kernel-driver.rules (and log in "
                        "again) or join the group video",
                    true};
        case EBUSY: return {DeviceCause::kBusy, HeldByText(node, ""), true};
        case ENODEV:
        case ENXIO:
            return {DeviceCause::kNoDevice, "no camera behind " + node + " (unplugged?)", true};
        case ETIMEDOUT:
            return {DeviceCause::kNotResponding, "the camera behind " + node + " does not respond",
                    true};
        default:
            return {DeviceCause::kOther,
                    "cannot open " + node + ": " + std::strerror(error), true};
    }
}

std::string NodeOfSlot(int32_t slot) {
    std::string node = kDevicePathPrefix;
    node += kDeviceSlotSuffixes[slot];
    return node;
}

class CharDeviceFile final : public DeviceFile {
public:
    CharDeviceFile(int fd, std::string path)
        : fd_(fd),
          path_(std::move(path)),
          // A problem still reported (from an earlier open) goes with the next answer.
          unanswered_(DeviceProblemOf(path_).cause != DeviceCause::kNone) {}
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
        NoteAnswer(ok, req.pipe);
        // A driver never reports more than the buffer holds; do not believe one that does.
        if (bytesDone) *bytesDone = req.bytesDone <= outSize ? req.bytesDone : 0;
        return ok && req.bytesDone <= outSize;
    }

private:
    // A command or answer that times out means the camera no longer answers; saying so where
    // the failure is reported beats a bare transfer error. An image time-out is not one: in
    // trigger mode it is the normal end of a wait for a trigger.
    void NoteAnswer(bool ok, uint32_t pipe) {
        const int error = errno;
        if (pipe == 2) return;
        if (ok) {
            if (unanswered_) ClearDeviceProblem(path_, false);
            unanswered_ = false;
        } else if (error == ETIMEDOUT || error == EIO || error == EPROTO) {
            unanswered_ = true;
            ReportDeviceProblem(path_, DeviceCause::kNotResponding,
                                "the camera behind " + path_ + " does not respond: " +
                                    std::strerror(error),
                                false);
        }
    }

    int fd_;
    std::string path_;
    bool unanswered_;
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
    if (g_calls == &kReal && ::access(path, F_OK) != 0) {
        ClearDeviceProblem(path, true);
        return nullptr;
    }
    // Write access as the driver expects; close-on-exec so a forked child never holds a camera.
    const int fd = g_calls->open(path, O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT) {
            ClearDeviceProblem(path, true);
        } else {
            DeviceProblem problem = OpenProblem(path, error);
            ReportDeviceProblem(path, problem.cause, std::move(problem.reason), true);
        }
        return nullptr;
    }
    ClearDeviceProblem(path, true);
    return std::make_unique<CharDeviceFile>(fd, path);
}

void ListCharDevices(std::vector<AttachedDevice>& out) {
    for (int32_t slot = 0; slot < 32; ++slot) {
        const std::string node = NodeOfSlot(slot);
        if (g_calls == &kReal && ::access(node.c_str(), F_OK) != 0) continue;
        const int fd = g_calls->open(node.c_str(), O_RDWR | O_CLOEXEC);
        const int error = errno;
        if (fd >= 0) {
            g_calls->close(fd);
            out.push_back({slot, DeviceCause::kNone, node, ""});
            continue;
        }
        if (error == ENOENT) continue;
        const DeviceProblem problem = OpenProblem(node, error);
        out.push_back({slot, problem.cause, node, problem.reason});
    }
}

}  // namespace rezive::platform
