// The Linux character-device backend, driven through a fake descriptor layer.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/device_file.h"
#include "platform/device_file_linux.h"
#include "platform/device_problem.h"

namespace rezive::platform {
namespace {

struct FakeDriver {
    std::string openedPath;
    int openFlags = 0;
    int closes = 0;
    std::vector<unsigned long> requests;
    RzPipeRequest lastPipe{};
    RzTimeoutRecord lastTimeout{};
    uint32_t reportBytes = 0;
    int result = 0;
};
FakeDriver* g_driver = nullptr;

int FakeOpen(const char* path, int flags) {
    g_driver->openedPath = path;
    g_driver->openFlags = flags;
    if (std::string(path).find("missing") != std::string::npos) {
        errno = ENOENT;
        return -1;
    }
    return 42;
}

int FakeIoctl(int fd, unsigned long request, void* argument) {
    EXPECT_EQ(fd, 42);
    g_driver->requests.push_back(request);
    if (request == LinuxRequestFor(kIoctlSetTimeout)) {
        std::memcpy(&g_driver->lastTimeout, argument, sizeof(RzTimeoutRecord));
    } else {
        auto* req = static_cast<RzPipeRequest*>(argument);
        g_driver->lastPipe = *req;
        // The driver fills what it moved into the caller's buffer.
        std::memset(reinterpret_cast<void*>(static_cast<uintptr_t>(req->buffer)), 0xAB,
                    std::min(req->length, g_driver->reportBytes));
        req->bytesDone = g_driver->reportBytes;
    }
    return g_driver->result;
}

int FakeClose(int fd) {
    EXPECT_EQ(fd, 42);
    ++g_driver->closes;
    return 0;
}

class CharDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_driver = &driver_;
        SetCharDeviceSyscallsForTesting(&calls_);
    }
    void TearDown() override {
        SetCharDeviceSyscallsForTesting(nullptr);
        g_driver = nullptr;
    }
    FakeDriver driver_;
    CharDeviceSyscalls calls_{FakeOpen, FakeIoctl, FakeClose};
};

TEST_F(CharDeviceTest, RequestNumbersAreDistinctAndCarryTheirArgumentSize) {
    const uint32_t codes[] = {kIoctlPipeTransfer, kIoctlPipeTransferIn, kIoctlLargeTransferIn,
                              kIoctlSetTimeout};
    std::vector<unsigned long> seen;
    for (uint32_t code : codes) {
        const unsigned long r = LinuxRequestFor(code);
        ASSERT_NE(r, 0u);
        EXPECT_EQ(_IOC_TYPE(r), 'R');
        EXPECT_EQ(_IOC_NR(r), code & 0xFF);  // low byte of the function number
        EXPECT_EQ(_IOC_SIZE(r), code == kIoctlSetTimeout ? 44u : 24u);
        for (unsigned long other : seen) EXPECT_NE(r, other);
        seen.push_back(r);
    }
    EXPECT_EQ(LinuxRequestFor(0x222000), 0u);
}

TEST_F(CharDeviceTest, PipeRequestMarshalling) {
    auto file = OpenCharDevice("/dev/Daro417DIRVUD-0");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(driver_.openedPath, "/dev/Daro417DIRVUD-0");
    EXPECT_TRUE(driver_.openFlags & O_CLOEXEC);
    std::vector<uint8_t> buffer(4096, 0);
    const uint8_t pipe[4] = {2, 0, 0, 0};
    uint32_t done = 0;
    driver_.reportBytes = 4096;
    EXPECT_TRUE(file->Control(kIoctlLargeTransferIn, pipe, 4, buffer.data(), 4096, &done));
    EXPECT_EQ(done, 4096u);
    EXPECT_EQ(driver_.requests.back(), LinuxRequestFor(kIoctlLargeTransferIn));
    EXPECT_EQ(driver_.lastPipe.pipe, 2u);
    EXPECT_EQ(driver_.lastPipe.length, 4096u);
    EXPECT_EQ(driver_.lastPipe.buffer, reinterpret_cast<uintptr_t>(buffer.data()));
    EXPECT_EQ(buffer[4095], 0xAB);

    // Failure keeps the driver's count; a count beyond the buffer is not believed.
    driver_.result = -1;
    driver_.reportBytes = 10;
    EXPECT_FALSE(file->Control(kIoctlPipeTransfer, pipe, 4, buffer.data(), 64, &done));
    EXPECT_EQ(done, 10u);
    driver_.result = 0;
    driver_.reportBytes = 65;
    EXPECT_FALSE(file->Control(kIoctlPipeTransfer, pipe, 4, buffer.data(), 64, &done));
    EXPECT_EQ(done, 0u);
    EXPECT_FALSE(file->Control(kIoctlPipeTransfer, nullptr, 0, buffer.data(), 64, &done));
    EXPECT_FALSE(file->Control(0x1234, pipe, 4, buffer.data(), 64, &done));
    file.reset();
    EXPECT_EQ(driver_.closes, 1);
}

TEST_F(CharDeviceTest, TimeoutRecordAndMissingDevice) {
    auto file = OpenCharDevice("/dev/Daro417DIRVUD-1");
    ASSERT_NE(file, nullptr);
    uint8_t record[44] = {1, 0, 0, 0, 0x60, 0xEA, 0, 0};
    uint32_t done = 0;
    EXPECT_TRUE(file->Control(kIoctlSetTimeout, record, 44, nullptr, 0, &done));
    EXPECT_EQ(std::memcmp(driver_.lastTimeout.bytes, record, 44), 0);
    EXPECT_EQ(OpenCharDevice("/dev/Daro417DIRVUD-missing"), nullptr);
    EXPECT_EQ(OpenCharDevice(nullptr), nullptr);
}

// A node the driver refuses: the open says why in words a user acts on, the attached list
// shows the node with that cause, and a camera that stops answering is reported until it
// answers again.
int g_refusal = 0;
int RefusingOpen(const char* path, int) {
    if (std::string(path) != "/dev/Daro417DIRVUD-3") {
        errno = ENOENT;
        return -1;
    }
    if (g_refusal != 0) {
        errno = g_refusal;
        return -1;
    }
    return 42;
}
int g_ioctlErrno = 0;
int FailingIoctl(int, unsigned long, void* argument) {
    static_cast<RzPipeRequest*>(argument)->bytesDone = 0;
    errno = g_ioctlErrno;
    return g_ioctlErrno == 0 ? 0 : -1;
}
int QuietClose(int) { return 0; }

TEST(CharDeviceRefusal, EachRefusalNamesItsCauseAndTheNodeIsListedWithIt) {
    const CharDeviceSyscalls calls{RefusingOpen, FailingIoctl, QuietClose};
    SetCharDeviceSyscallsForTesting(&calls);
    const std::string node = "/dev/Daro417DIRVUD-3";
    const struct {
        int error;
        DeviceCause cause;
        const char* says;
    } cases[] = {
        {EACCES, DeviceCause::kPermission, "60-rezive-417dir-kernel-driver.rules"},
        {EPERM, DeviceCause::kPermission, "join the group video"},
        {EBUSY, DeviceCause::kBusy, "held by"},
        {ENXIO, DeviceCause::kNoDevice, "no camera behind /dev/Daro417DIRVUD-3"},
        {ETIMEDOUT, DeviceCause::kNotResponding, "does not respond"},
        {EIO, DeviceCause::kOther, "Input/output error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        g_refusal = c.error;
        EXPECT_EQ(OpenCharDevice(node.c_str()), nullptr);
        const DeviceProblem problem = DeviceProblemOf(node);
        EXPECT_EQ(problem.cause, c.cause);
        EXPECT_NE(problem.reason.find(c.says), std::string::npos) << problem.reason;
        std::vector<AttachedDevice> attached;
        ListCharDevices(attached);
        ASSERT_EQ(attached.size(), 1u);
        EXPECT_EQ(attached[0].slot, 3);
        EXPECT_EQ(attached[0].cause, c.cause);
        EXPECT_EQ(attached[0].location, node);
    }
    g_refusal = 0;
    auto file = OpenCharDevice(node.c_str());
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(DeviceProblemOf(node).cause, DeviceCause::kNone) << "an open that works clears it";

    uint8_t packet[64] = {};
    const uint32_t command = 0;
    g_ioctlErrno = ETIMEDOUT;
    EXPECT_FALSE(file->Control(kIoctlPipeTransferIn, &command, 4, packet, 64, nullptr));
    EXPECT_EQ(DeviceProblemOf(node).cause, DeviceCause::kNotResponding);
    const uint32_t image = 2;
    EXPECT_FALSE(file->Control(kIoctlLargeTransferIn, &image, 4, packet, 64, nullptr));
    EXPECT_EQ(DeviceProblemOf(node).cause, DeviceCause::kNotResponding)
        << "an image time-out (a trigger wait) neither reports nor clears";
    g_ioctlErrno = 0;
    EXPECT_TRUE(file->Control(kIoctlPipeTransferIn, &command, 4, packet, 64, nullptr));
    EXPECT_EQ(DeviceProblemOf(node).cause, DeviceCause::kNone);
    file.reset();
    SetCharDeviceSyscallsForTesting(nullptr);
}

}  // namespace
}  // namespace rezive::platform
