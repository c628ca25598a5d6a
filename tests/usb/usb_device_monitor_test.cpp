// The plugin's device provider over the emulated bus: gst-device-monitor-1.0 --follow, a process
// of its own as a user runs it, sees a USB camera appear when it is plugged in and disappear
// when it is pulled out, round after round, beside a virtual camera that stays.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <string>

#include "support/text_files.h"
#include "support/wait.h"
#include "tools/cli_runner.h"
#include "usb_testbed.h"

namespace rezive::test {
namespace {

using namespace std::chrono_literals;

constexpr int kPort = 5;
constexpr int kBackingSlot = 26;  // the camera behind the bus, never enabled in this process
constexpr auto kDeadline = 30s;   // a loaded machine; the monitor looks once a second

// Where `what` occurs in the monitor's output at or after `from`, waiting for it to be written.
[[maybe_unused]] size_t WaitFor(const std::string& path, const std::string& what, size_t from) {
    size_t at = std::string::npos;
    WaitUntil([&] { return (at = ReadText(path).find(what, from)) != std::string::npos; }, kDeadline);
    return at;
}

class UsbDeviceMonitor : public ::testing::Test {
protected:
    void TearDown() override {
        if (monitor_ > 0) {
            kill(monitor_, SIGTERM);
            CliEnvironment::Wait(monitor_, 60s);
        }
        UsbTestbed::Get().UnplugAll();
    }
    CliEnvironment env_;  // one virtual camera (slot 0), as CliEnvironment sets up
    std::string out_, err_;
    pid_t monitor_ = -1;
};

TEST_F(UsbDeviceMonitor, AUsbCameraComesAndGoesWhileTheMonitorRuns) {
#if !defined(REZIVE_GST_PLUGIN_DIR)
    GTEST_SKIP() << "the plugin is not built, or the build is sanitized";
#else
    virtual_camera::VirtualCamera& backing = virtual_camera::CameraAt(kBackingSlot);
    backing.Replug();
    UsbTestbed& bed = UsbTestbed::Get();
    bed.UnplugAll();
    env_.Set("REZIVE_USB_IDS", "1234:5678");
    env_.Set("GST_PLUGIN_PATH", REZIVE_GST_PLUGIN_DIR);
    env_.Set("GST_PLUGIN_SYSTEM_PATH_1_0", "");
    env_.Set("GST_REGISTRY_1_0", TempPath(".registry"));
    env_.Set("GST_REGISTRY_FORK", "no");
    const std::string& out = out_;
    const std::string& err = err_;
    monitor_ = env_.StartProgram({"gst-device-monitor-1.0", "-f", "Video/Source"}, &out_, &err_);
    if (monitor_ <= 0) GTEST_SKIP() << "gst-device-monitor-1.0 is not installed";

    size_t seen = WaitFor(out, "417DIR virtual camera (slot 0)", 0);
    EXPECT_NE(seen, std::string::npos) << ReadText(out) << ReadText(err);
    for (int round = 0; round < 2 && seen != std::string::npos; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        bed.Plug(kPort, &backing);
        // The monitor tells of an added device as of one found at its start.
        seen = WaitFor(out, "Device found:", seen + 1);
        ASSERT_NE(seen, std::string::npos) << ReadText(out) << ReadText(err);
        // The camera takes the slot after the virtual one; its name says where it is plugged.
        seen = WaitFor(out, "417DIR camera (slot 1): USB camera 1-5 (1234:5678", seen);
        ASSERT_NE(seen, std::string::npos) << ReadText(out);
        EXPECT_NE(WaitFor(out, "rezivesrc device=1", seen), std::string::npos) << ReadText(out);
        bed.Unplug(kPort);
        seen = WaitFor(out, "Device removed:", seen);
        ASSERT_NE(seen, std::string::npos) << ReadText(out) << ReadText(err);
        seen = WaitFor(out, "417DIR camera (slot 1)", seen);
        ASSERT_NE(seen, std::string::npos) << ReadText(out);
    }
    // The virtual camera was never removed.
    EXPECT_EQ(ReadText(out).find("virtual camera (slot 0)", ReadText(out).find("Device removed:")),
              std::string::npos)
        << ReadText(out);
#endif
}

}  // namespace
}  // namespace rezive::test
