// rezive-cam over the emulated bus, as a user runs it with a camera on USB: the tool is a process
// of its own (it inherits umockdev's preload library and the test bed), the camera is answered
// by a virtual camera in this process. list, snapshot, record and preview work end to end, and
// preview --reconnect resumes on a camera pulled out and plugged in again.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "support/avi_walker.h"
#include "support/wait.h"
#include "tools/cli_runner.h"
#include "tools/json_reader.h"
#include "usb_testbed.h"

namespace rezive::test {
namespace {

using namespace std::chrono_literals;

constexpr int kPort = 3;
constexpr int kBackingSlot = 24;  // the camera behind the bus, never enabled in this process

virtual_camera::VirtualCamera& Backing() { return virtual_camera::CameraAt(kBackingSlot); }

class UsbCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        REZIVE_REQUIRE_CLI();
        Backing().Replug();
        Bed().Plug(kPort, &Backing());
        // Only the USB camera: no virtual camera for the tool, and none to fall back to.
        env_.Set("REZIVE_VIRTUAL_CAMERAS", "0");
        env_.Set("REZIVE_USB_IDS", "1234:5678");
    }
    void TearDown() override { Bed().UnplugAll(); }
    static UsbTestbed& Bed() { return UsbTestbed::Get(); }

    std::optional<JsonValue> RunJson(std::vector<std::string> args, CliResult* result) {
        args.insert(args.begin(), "--json");
        *result = env_.Run(args);
        return JsonReader::Parse(result->out);
    }

    CliEnvironment env_;
};

TEST_F(UsbCliTest, ListSnapshotRecordAndPreviewRunOnTheUsbCamera) {
    CliResult r;
    auto listed = RunJson({"list"}, &r);
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(listed && listed->Get("cameras")) << r.out;
    ASSERT_EQ(listed->Get("cameras")->elements.size(), 1u) << r.out;
    EXPECT_FALSE(listed->Get("virtual_fallback")->boolean) << r.out;

    auto usb = RunJson({"list", "--usb"}, &r);
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(usb && usb->Get("usb_devices")) << r.out;
    ASSERT_EQ(usb->Get("usb_devices")->elements.size(), 1u) << r.out;
    EXPECT_NE(usb->Get("usb_devices")->elements[0].text.find("1-3  1234:5678"), std::string::npos) << r.out;
    EXPECT_NE(usb->Get("usb_devices")->elements[0].text.find("camera in slot 0"), std::string::npos) << r.out;

    const std::string still = TempPath(".bmp");
    r = env_.Run({"snapshot", "-o", still});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string bmp = ReadText(still);
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");

    const std::string movie = TempPath(".avi");
    auto recorded = RunJson({"record", "-o", movie, "--duration", "1s"}, &r);
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(recorded && recorded->Get("frames")) << r.out;
    const int frames = static_cast<int>(recorded->Get("frames")->number);
    EXPECT_GT(frames, 0) << r.out;
    const AviWalk avi = WalkAvi(movie);
    ASSERT_TRUE(avi.ok) << avi.error;
    EXPECT_EQ(static_cast<int>(avi.frames.size()), frames);

    auto previewed = RunJson({"preview", "--no-window", "--duration", "1s"}, &r);
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(previewed && previewed->Get("frames")) << r.out;
    EXPECT_GT(previewed->Get("frames")->number, 0) << r.out;
    EXPECT_EQ(previewed->Get("failed_frames")->number, 0) << r.out;
}

TEST_F(UsbCliTest, PreviewReconnectResumesOnTheCameraPluggedInAgainWithItsSettings) {
    ASSERT_EQ(env_.Run({"set", "--gain", "5"}).status, 0);
    std::string outPath, errPath;
    const pid_t tool = env_.Start({"--json", "preview", "--no-window", "--reconnect", "--duration", "120s"},
                                  &outPath, &errPath);
    ASSERT_GT(tool, 0);
    auto said = [&](const char* text) {
        return WaitUntil([&] { return ReadText(errPath).find(text) != std::string::npos; }, 60s);
    };
    const auto framesServed = [] { return Backing().Stats().imageRequests; };
    ASSERT_TRUE(WaitUntil([&] { return framesServed() >= 5; }, 60s)) << ReadText(errPath);

    Backing().Unplug();
    Bed().Unplug(kPort);
    EXPECT_TRUE(said("the camera went away")) << ReadText(errPath);
    Backing().Replug();
    Bed().Plug(kPort, &Backing());
    EXPECT_TRUE(said("the camera is back")) << ReadText(errPath);
    const uint64_t before = framesServed();
    EXPECT_TRUE(WaitUntil([&] { return framesServed() >= before + 5; }, 60s));
    // The camera came back with power-on registers; the tool wrote its settings again (the gain
    // register holds the index plus 2).
    EXPECT_EQ((Backing().Register(0x23) & 0x0F) - 2, 5) << "gain after the replug";

    kill(tool, SIGINT);
    EXPECT_EQ(CliEnvironment::Wait(tool), 0) << ReadText(errPath);
    const auto doc = JsonReader::Parse(ReadText(outPath));
    ASSERT_TRUE(doc && doc->Get("reconnects")) << ReadText(outPath);
    EXPECT_EQ(doc->Get("reconnects")->number, 1);
    EXPECT_GT(doc->Get("frames")->number, 0);
}

TEST_F(UsbCliTest, PreviewWithoutReconnectEndsWithTheErrorWhenTheCameraGoes) {
    std::string outPath, errPath;
    const pid_t tool = env_.Start({"preview", "--no-window", "--duration", "120s"}, &outPath, &errPath);
    ASSERT_GT(tool, 0);
    ASSERT_TRUE(WaitUntil([] { return Backing().Stats().imageRequests >= 5; }, 60s)) << ReadText(errPath);
    Backing().Unplug();
    Bed().Unplug(kPort);
    const int status = CliEnvironment::Wait(tool);
    EXPECT_NE(status, 0) << ReadText(errPath);
    EXPECT_LT(status, 64) << "an SDK error code, not a crash or a kill: " << ReadText(errPath);
}

}  // namespace
}  // namespace rezive::test
