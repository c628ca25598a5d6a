// The USB backend over an emulated bus (usb_testbed.h): enumeration and stable slots, frames
// identical to the in-process virtual camera, faults, and a camera plugged in again.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <future>
#include <map>
#include <sstream>
#include <thread>
#include <vector>

#include "ReziveSdk.h"
#include "camera/camera.h"
#include "platform/device_file.h"
#include "platform/usb/usb_camera_table.h"
#include "platform/usb/usb_device_file.h"
#include "support/virtual_device_fixture.h"
#include "support/wait.h"
#include "usb_testbed.h"

namespace rezive::test {
namespace {

using virtual_camera::VirtualCamera;
using namespace std::chrono_literals;

constexpr uint32_t kFrameBytes = 1280 * 720;
constexpr int kBackingSlot = 20;  // virtual cameras behind the emulated devices, never enabled

std::string PathOf(int slot) { return std::string(platform::kDevicePathPrefix) + platform::kDeviceSlotSuffixes[slot]; }

// location -> slot of the cameras the backend offers now.
std::map<std::string, int> CameraSlots() {
    std::map<std::string, int> slots;
    std::istringstream lines(platform::usb::DescribeUsbDevices(false));
    std::string line;
    while (std::getline(lines, line)) {
        const size_t at = line.find("camera in slot ");
        if (at != std::string::npos) slots[line.substr(0, line.find(' '))] = std::stoi(line.substr(at + 15));
    }
    return slots;
}

int32_t EnumCount() {
    const RzHandle h = static_cast<RzHandle>(Rezive_Initialize(0));
    char names[32][256] = {};
    const int32_t n = Rezive_EnumDevice(h, names);
    Rezive_Release(h);
    return n;
}

bool Control(platform::DeviceFile& file, uint32_t pipe, void* data, uint32_t length, uint32_t* done) {
    return file.Control(platform::kIoctlPipeTransferIn, &pipe, 4, data, length, done);
}

bool Command(platform::DeviceFile& file, std::vector<uint8_t> packet) {
    packet.resize(64);
    uint32_t done = 0;
    return Control(file, 0, packet.data(), 64, &done) && done == 64;
}

// The set-up a stream needs: full-size transfers, then the stream prepared.
void PrepareStream(platform::DeviceFile& file) {
    ASSERT_TRUE(Command(file, {0x09, static_cast<uint8_t>(kFrameBytes), static_cast<uint8_t>(kFrameBytes >> 8),
                               static_cast<uint8_t>(kFrameBytes >> 16), 0}));
    ASSERT_TRUE(Command(file, {0x01}));
}

bool ReadFrame(platform::DeviceFile& file, std::vector<uint8_t>* frame, uint32_t* done) {
    frame->assign(kFrameBytes, 0);
    if (!Command(file, {0x02})) return false;
    return Control(file, 2, frame->data(), kFrameBytes, done);
}

class UsbBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseNoCharDevices(true);
        UsbTestbed::Get();  // before libusb starts
        RegisterDeviceBackends();  // as the first camera object does
        setenv("REZIVE_USB_IDS", "1234:5678", 1);
        Enable(0);
        platform::usb::ResetUsbBackendForTesting();
    }
    void TearDown() override {
        Bed().UnplugAll();
        // Every file closed: no handle may stay open once the idle ones are closed.
        EXPECT_TRUE(WaitUntil([] { return platform::usb::ResetUsbBackendForTesting() == 0; }, 30s));
        EXPECT_TRUE(WaitUntil([] { return CameraSlots().empty(); }, 30s));
        EnableVirtualCameras(0);
        unsetenv("REZIVE_USB_IDS");
        UseNoCharDevices(false);
    }
    static UsbTestbed& Bed() { return UsbTestbed::Get(); }
    // `n` in-process cameras; every camera reset, the ones behind the bus serving frames as fast
    // as they are asked for, so that frame n carries sequence n on every camera.
    static void Enable(int n) {
        EnableVirtualCameras(n);
        for (int i = 0; i < 4; ++i) Backing(i).SetTimeScale(0);
    }
    static VirtualCamera& Backing(int i) { return virtual_camera::CameraAt(kBackingSlot + i); }
    static bool SlotsAre(const std::map<std::string, int>& want) {
        const bool ok = WaitUntil([&] { return CameraSlots() == want; }, 30s);
        if (!ok) std::fprintf(stderr, "bus:\n%s", platform::usb::DescribeUsbDevices(true).c_str());
        return ok;
    }
};

struct Plugged {
    int port;
    uint16_t product = kTestProduct;
    UsbShape shape = UsbShape::kCamera;
};

TEST_F(UsbBusTest, CamerasTakeStableSlotsInPortOrderAfterTheVirtualOnes) {
    const struct {
        const char* name;
        int virtualCameras;
        std::vector<Plugged> plugged;  // in plugging order
        std::map<std::string, int> slots;
    } cases[] = {
        {"no camera", 0, {}, {}},
        {"one camera", 0, {{2}}, {{"1-2", 0}}},
        {"three cameras, other ids and shapes ignored", 0,
         {{3}, {4, 0x2222}, {1}, {5, kTestProduct, UsbShape::kTwoPipes}, {2},
          {6, kTestProduct, UsbShape::kInFirst}},
         {{"1-1", 0}, {"1-2", 1}, {"1-3", 2}}},
        {"after two virtual cameras", 2, {{2}, {1}}, {{"1-1", 2}, {"1-2", 3}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Enable(c.virtualCameras);
        for (int round = 0; round < 2; ++round) {
            // The second round plugs in the opposite order: slots follow ports, not plugging.
            auto order = c.plugged;
            if (round == 1) std::reverse(order.begin(), order.end());
            for (size_t i = 0; i < order.size(); ++i) {
                Bed().Plug(order[i].port, &Backing(static_cast<int>(i % 4)), kTestVendor, order[i].product,
                           order[i].shape);
            }
            ASSERT_TRUE(SlotsAre(c.slots));
            EXPECT_EQ(EnumCount(), static_cast<int32_t>(c.virtualCameras + c.slots.size()));
            Bed().UnplugAll();
            ASSERT_TRUE(SlotsAre({}));
        }
        Enable(0);
    }
}

TEST_F(UsbBusTest, DevicesOfAnotherShapeSayWhy) {
    Bed().Plug(1, &Backing(0), kTestVendor, kTestProduct, UsbShape::kTwoPipes);
    Bed().Plug(2, &Backing(1), kTestVendor, kTestProduct, UsbShape::kInFirst);
    Bed().Plug(3, &Backing(2), kTestVendor, 0x4444);
    ASSERT_TRUE(WaitUntil([] { return platform::usb::DescribeUsbDevices(true).find("1-3") != std::string::npos; }));
    const std::string all = platform::usb::DescribeUsbDevices(true);
    EXPECT_NE(all.find("1-1  1234:5678  /dev/bus/usb/001/"), std::string::npos) << all;
    EXPECT_NE(all.find("has 2 endpoints"), std::string::npos) << all;
    EXPECT_NE(all.find("endpoint 1 (0x81) is not bulk OUT"), std::string::npos) << all;
    EXPECT_NE(all.find("add 1234:4444 to the id table"), std::string::npos) << all;
}

TEST_F(UsbBusTest, FramesAreBitIdenticalToTheInProcessCamera) {
    Enable(1);
    VirtualCamera& local = virtual_camera::CameraAt(0);
    local.SetTimeScale(0);
    Bed().Plug(1, &Backing(0));
    ASSERT_TRUE(SlotsAre({{"1-1", 1}}));
    auto inProcess = platform::OpenDeviceFile(PathOf(0).c_str());
    auto overUsb = platform::OpenDeviceFile(PathOf(1).c_str());
    ASSERT_TRUE(inProcess && overUsb);
    PrepareStream(*inProcess);
    PrepareStream(*overUsb);
    std::vector<uint8_t> a, b;
    for (int frame = 0; frame < 100; ++frame) {
        uint32_t doneA = 0, doneB = 0;
        ASSERT_TRUE(ReadFrame(*inProcess, &a, &doneA));
        ASSERT_TRUE(ReadFrame(*overUsb, &b, &doneB)) << "frame " << frame;
        ASSERT_EQ(doneA, kFrameBytes);
        ASSERT_EQ(doneB, kFrameBytes);
        ASSERT_TRUE(a == b) << "frame " << frame;
    }
    EXPECT_EQ(Backing(0).Stats().framesServed, 100u);
    // The open's status request, the set-up, then a start packet and a frame each.
    EXPECT_EQ(Bed().SubmittedUrbs(1), 203u);
}

TEST_F(UsbBusTest, SnapshotMatchesTheInProcessCamera) {
    const auto snapshot = [](std::vector<uint8_t>* image) {
        const RzHandle h = static_cast<RzHandle>(Rezive_Initialize(0));
        image->assign(1280 * 720 * 4, 0);
        const int32_t ok = Rezive_SnapShot(h, image->data(), static_cast<int32_t>(image->size()), 0);
        Rezive_Release(h);
        return ok;
    };
    std::vector<uint8_t> local, usb;
    Enable(1);
    virtual_camera::CameraAt(0).SetTimeScale(0);
    ASSERT_EQ(snapshot(&local), 1);
    Enable(0);
    Bed().Plug(1, &Backing(0));
    ASSERT_TRUE(SlotsAre({{"1-1", 0}}));
    ASSERT_EQ(snapshot(&usb), 1);
    EXPECT_TRUE(local == usb);
    EXPECT_GT(Backing(0).Stats().framesServed, 0u);
}

TEST_F(UsbBusTest, OneClaimServesEveryFileOfTheCamera) {
    Bed().Plug(1, &Backing(0));
    ASSERT_TRUE(SlotsAre({{"1-1", 0}}));
    auto stream = platform::OpenDeviceFile(PathOf(0).c_str());
    ASSERT_TRUE(stream);
    for (int i = 0; i < 20; ++i) {  // control exchanges open and close a file each
        auto file = platform::OpenDeviceFile(PathOf(0).c_str());
        ASSERT_TRUE(file);
        ASSERT_TRUE(Command(*file, {0x25, 3, static_cast<uint8_t>(i)}));
    }
    EXPECT_EQ(Bed().Claims(1), 1u);
    EXPECT_EQ(Backing(0).Port(3), 19);
    EXPECT_EQ(platform::usb::ResetUsbBackendForTesting(), 1u);  // the stream's handle stays
}

TEST_F(UsbBusTest, TransferFaultsFailTheTransferAndTheNextFrameComes) {
    const struct {
        const char* name;
        std::function<void(VirtualCamera&, platform::DeviceFile&)> inject;
        bool ok;
        uint32_t done;
    } cases[] = {
        {"stalled camera", [](VirtualCamera& c, platform::DeviceFile&) {
             c.SetStalled(true);
             c.SetTimeoutLimitMs(200);
         }, false, 0},
        {"short frame", [](VirtualCamera& c, platform::DeviceFile&) { c.ShortNextTransfers(1); }, true,
         kFrameBytes / 2},
        {"failed frame", [](VirtualCamera& c, platform::DeviceFile&) { c.FailNextTransfers(1); }, false, 0},
        {"host time-out", [](VirtualCamera& c, platform::DeviceFile& file) {
             c.SetStalled(true);  // the camera waits for its own 3 s; the host gives up first
             const uint32_t record[11] = {1, 300};
             uint32_t done = 0;
             ASSERT_TRUE(file.Control(platform::kIoctlSetTimeout, record, 44, nullptr, 0, &done));
         }, false, 0},
    };
    Bed().Plug(1, &Backing(0));
    ASSERT_TRUE(SlotsAre({{"1-1", 0}}));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualCamera& cam = Backing(0);
        auto file = platform::OpenDeviceFile(PathOf(0).c_str());
        ASSERT_TRUE(file);
        PrepareStream(*file);
        c.inject(cam, *file);
        std::vector<uint8_t> frame;
        uint32_t done = 12345;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(ReadFrame(*file, &frame, &done), c.ok);
        EXPECT_EQ(done, c.done);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2500ms);
        cam.SetStalled(false);
        cam.SetTimeoutLimitMs(-1);
        const uint32_t record[11] = {1, 3000};
        ASSERT_TRUE(file->Control(platform::kIoctlSetTimeout, record, 44, nullptr, 0, &done));
        // A frame the emulated camera still owed to a cancelled request may come first.
        bool good = false;
        for (int attempt = 0; attempt < 3 && !good; ++attempt) good = ReadFrame(*file, &frame, &done) && done == kFrameBytes;
        EXPECT_TRUE(good);
    }
}

TEST_F(UsbBusTest, UnplugInTheMiddleOfAFrameFailsItAndTheSlotGoes) {
    Bed().Plug(1, &Backing(0));
    ASSERT_TRUE(SlotsAre({{"1-1", 0}}));
    Backing(0).SetTimeScale(1000);  // the frame is due long after the unplug
    auto file = platform::OpenDeviceFile(PathOf(0).c_str());
    ASSERT_TRUE(file);
    PrepareStream(*file);
    auto reading = std::async(std::launch::async, [&] {
        std::vector<uint8_t> frame;
        uint32_t done = 0;
        return ReadFrame(*file, &frame, &done);
    });
    ASSERT_TRUE(WaitUntil([] { return Backing(0).Stats().imageRequests >= 1; }));
    Backing(0).Unplug();
    Bed().Unplug(1);
    ASSERT_EQ(reading.wait_for(30s), std::future_status::ready);
    EXPECT_FALSE(reading.get());
    uint8_t packet[64] = {0x25, 3, 1};
    uint32_t done = 0;
    EXPECT_FALSE(Control(*file, 0, packet, 64, &done));
    EXPECT_TRUE(WaitUntil([] { return platform::OpenDeviceFile(PathOf(0).c_str()) == nullptr; }));
    file.reset();
    Backing(0).Replug();
}

TEST_F(UsbBusTest, ACameraPluggedInAgainIsFoundAgainAndWorks) {
    Bed().Plug(2, &Backing(0));
    ASSERT_TRUE(SlotsAre({{"1-2", 0}}));
    const RzHandle h = static_cast<RzHandle>(Rezive_Initialize(0));
    char names[32][256] = {};
    ASSERT_EQ(Rezive_EnumDevice(h, names), 1);
    Backing(0).Unplug();
    Bed().Unplug(2);
    EXPECT_TRUE(WaitUntil([&] { return Rezive_EnumDevice(h, names) == 0; }));
    Backing(0).Replug();
    Backing(0).SetTimeScale(0);
    Bed().Plug(2, &Backing(0));
    EXPECT_TRUE(WaitUntil([&] { return Rezive_EnumDevice(h, names) == 1; }));
    std::vector<uint8_t> image(1280 * 720 * 4);
    EXPECT_TRUE(WaitUntil([&] {
        return Rezive_SnapShot(h, image.data(), static_cast<int32_t>(image.size()), 0) == 1;
    }));
    Rezive_Release(h);
}

// A camera that cannot be opened says why, in words that tell the user what to do, at every
// layer an application sees: the bus listing, the attached-camera list (with its cause), and
// the documented error 2 with RzGetErrorDetail. Once the cause is gone it opens. A busy
// interface and an unplugging mid-open are the device's own answers on the bus; a refusal for
// permission is brought about in the backend (umockdev's preload library connects every open
// of an emulated node to its emulation, and the tests run as root).
struct RefusalCase {
    const char* name;
    int32_t cause;
    const char* says;
    std::function<void(bool)> refuse;  // on, then off again
};

TEST_F(UsbBusTest, ACameraThatCannotBeOpenedSaysWhyAndOpensOnceTheCauseIsGone) {
    const RefusalCase cases[] = {
        {"busy", RZ_CAUSE_BUSY, "held by another program",
         [](bool on) { Bed().SetClaimErrno(1, on ? EBUSY : 0); }},
        {"no permission", RZ_CAUSE_PERMISSION, "no permission: install the udev rule 70-rezive-usb.rules",
         [](bool on) { platform::usb::SetOpenFaultForTesting(on ? LIBUSB_ERROR_ACCESS : LIBUSB_SUCCESS); }},
        {"unplugged while opening", RZ_CAUSE_NO_DEVICE, "unplugged while it was being opened",
         [](bool on) { Bed().SetClaimErrno(1, on ? ENODEV : 0); }},
        {"refused by the system", RZ_CAUSE_OTHER, "see the system log",
         [](bool on) { Bed().SetClaimErrno(1, on ? EPROTO : 0); }},
    };
    Bed().Plug(1, &Backing(0));
    ASSERT_TRUE(SlotsAre({{"1-1", 0}}));
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.name);
        platform::usb::ResetUsbBackendForTesting();
        c.refuse(true);
        EXPECT_EQ(platform::OpenDeviceFile(PathOf(0).c_str()), nullptr);
        const std::string listed = platform::usb::DescribeUsbDevices(false);
        EXPECT_NE(listed.find("1-1  1234:5678  /dev/bus/usb/001/"), std::string::npos) << listed;
        EXPECT_NE(listed.find(c.says), std::string::npos) << listed;

        RzAttachedCamera attached[2];
        for (auto& a : attached) a.size = sizeof a;
        ASSERT_EQ(RzListAttachedCameras(attached, 2), 1);
        EXPECT_EQ(attached[0].slot, 0);
        EXPECT_EQ(attached[0].cause, c.cause);
        EXPECT_EQ(attached[0].error, RZ_ERR_DEVICE_UNAVAILABLE);
        EXPECT_NE(std::string(attached[0].location).find("USB camera 1-1 (1234:5678"), std::string::npos);
        EXPECT_NE(std::string(attached[0].reason).find(c.says), std::string::npos) << attached[0].reason;

        const RzHandle h = static_cast<RzHandle>(Rezive_Initialize(0));
        char name[64];
        EXPECT_EQ(Rezive_GetDeviceName(h, 0, name, sizeof name), 0);
        EXPECT_EQ(Rezive_GetLastError(h), 2);
        char detail[512] = {};
        EXPECT_GT(RzGetErrorDetail(h, detail, sizeof detail), 0);
        EXPECT_NE(std::string(detail).find(c.says), std::string::npos) << detail;
        Rezive_Release(h);
        c.refuse(false);
        platform::usb::ResetUsbBackendForTesting();  // forgets the refusal it remembers
        EXPECT_NE(platform::OpenDeviceFile(PathOf(0).c_str()), nullptr);
        ASSERT_EQ(RzListAttachedCameras(attached, 2), 1);
        EXPECT_EQ(attached[0].cause, RZ_CAUSE_NONE);
        EXPECT_STREQ(attached[0].reason, "");
    }
}

// A camera that opens but no longer answers its command packets: the failure the application
// gets names the camera and says it does not respond, and an answer clears it again.
TEST_F(UsbBusTest, ACameraThatStopsAnsweringIsReportedAsNotResponding) {
    Bed().Plug(1, &Backing(0));
    ASSERT_TRUE(SlotsAre({{"1-1", 0}}));
    const RzHandle h = static_cast<RzHandle>(Rezive_Initialize(0));
    std::vector<uint8_t> image(1280 * 720 * 3);
    ASSERT_EQ(Rezive_SnapShot(h, image.data(), static_cast<int32_t>(image.size()), 0), 1);
    Bed().SetSilent(1, true);
    EXPECT_EQ(Rezive_SnapShot(h, image.data(), static_cast<int32_t>(image.size()), 0), 0);
    std::vector<int32_t> codes;
    for (int32_t code; (code = Rezive_GetLastError(h)) != 0;) codes.push_back(code);
    ASSERT_FALSE(codes.empty());
    char detail[512] = {};
    RzGetErrorDetail(h, detail, sizeof detail);
    EXPECT_NE(std::string(detail).find("USB camera 1-1 (1234:5678"), std::string::npos) << detail;
    EXPECT_NE(std::string(detail).find("does not respond"), std::string::npos) << detail;
    // A new open asks the device for its status first: one that answers nothing is refused.
    Rezive_Release(h);
    platform::usb::ResetUsbBackendForTesting();
    RzAttachedCamera attached;
    attached.size = sizeof attached;
    ASSERT_EQ(RzListAttachedCameras(&attached, 1), 1);
    EXPECT_EQ(attached.cause, RZ_CAUSE_NOT_RESPONDING) << attached.reason;
    Bed().SetSilent(1, false);
    const RzHandle again = static_cast<RzHandle>(Rezive_Initialize(0));
    EXPECT_TRUE(WaitUntil([&] {
        return Rezive_SnapShot(again, image.data(), static_cast<int32_t>(image.size()), 0) == 1;
    }));
    EXPECT_EQ(platform::DeviceProblemOf(PathOf(0)).cause, platform::DeviceCause::kNone);
    Rezive_Release(again);
}

// The backend's shared state under threads, for the sanitizers: files of one camera opened,
// used and closed on several threads while the idle handles are closed and the camera is
// pulled out and plugged in again (hot-plug events, a handle that goes, a new one after it).
// Every thread ends, nothing stays open, and the camera works once it is back.
TEST_F(UsbBusTest, FilesOnManyThreadsSurviveUnplugReplugAndIdleClosing) {
    Bed().Plug(1, &Backing(0));
    ASSERT_TRUE(SlotsAre({{"1-1", 0}}));
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> answered{0};
    std::vector<std::thread> users;
    for (int t = 0; t < 3; ++t) {
        users.emplace_back([&, t] {
            for (int i = 0; !stop.load(); ++i) {
                auto file = platform::OpenDeviceFile(PathOf(0).c_str());
                if (file && Command(*file, {0x25, 3, static_cast<uint8_t>(t * 64 + i % 64)})) ++answered;
                if (i % 8 == 0) platform::usb::CloseIdleCameras(false);
                (void)RzListAttachedCameras(nullptr, 0);
            }
        });
    }
    for (int round = 0; round < 20; ++round) {
        EXPECT_TRUE(WaitUntil([&, want = answered.load() + 10] { return answered.load() >= want; }, 60s));
        Backing(0).Unplug();
        Bed().Unplug(1);
        std::this_thread::yield();
        Backing(0).Replug();
        Backing(0).SetTimeScale(0);
        Bed().Plug(1, &Backing(0));
    }
    stop = true;
    for (auto& user : users) user.join();
    ASSERT_TRUE(SlotsAre({{"1-1", 0}}));
    EXPECT_TRUE(WaitUntil([] {
        auto file = platform::OpenDeviceFile(PathOf(0).c_str());
        return file && Command(*file, {0x25, 3, 7});
    }));
}

}  // namespace
}  // namespace rezive::test
