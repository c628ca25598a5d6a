// Every tool against a camera that is attached but fails, and against no camera at all. A
// camera that is there is never replaced by the virtual camera: each tool fails, non-zero, with
// the camera's own reason. Only where nothing is attached does rezive-cam stand the virtual
// camera in, and say so. The tools run as processes of their own over the emulated bus; the
// bus's faults are made on the device side, as a real device would refuse.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <signal.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "ReziveSdk.h"

#include "tools/cli_runner.h"
#include "usb_testbed.h"

namespace rezive::test {
namespace {

constexpr int kPort = 4;
constexpr int kBackingSlot = 25;  // the camera behind the bus, never enabled in this process

virtual_camera::VirtualCamera& Backing() { return virtual_camera::CameraAt(kBackingSlot); }
UsbTestbed& Bed() { return UsbTestbed::Get(); }

struct Failure {
    const char* name;
    std::function<void()> make;  // plugs the failing device
    const char* says;            // what every tool's message carries
};

struct Tool {
    const char* name;
    std::function<std::vector<std::string>(const std::string& scratch)> command;
    bool needsUnsanitized;  // an interpreter or gst-launch cannot load a sanitized library
};

const Failure kFailures[] = {
    {"held by another program", [] { Bed().Plug(kPort, &Backing()); Bed().SetClaimErrno(kPort, EBUSY); },
     "held by"},
    {"answers no transfers", [] { Bed().Plug(kPort, nullptr); }, "does not respond"},
    {"wrong endpoint shape",
     [] { Bed().Plug(kPort, &Backing(), kTestVendor, kTestProduct, UsbShape::kTwoPipes); },
     "not a camera"},
    {"unplugged during open", [] { Bed().Plug(kPort, &Backing()); Bed().SetClaimErrno(kPort, ENODEV); },
     "unplugged while it was being opened"},
};

std::vector<Tool> Tools() {
    std::vector<Tool> tools = {
        {"rezive-cam list", [](const std::string&) { return std::vector<std::string>{REZIVE_CAM_PATH, "list"}; },
         false},
        {"rezive-cam snapshot",
         [](const std::string& scratch) {
             return std::vector<std::string>{REZIVE_CAM_PATH, "snapshot", "-o", scratch + ".png"};
         },
         false},
        {"rezive-cam record",
         [](const std::string& scratch) {
             return std::vector<std::string>{REZIVE_CAM_PATH, "record", "-o", scratch + ".avi", "--duration", "1s"};
         },
         false},
        {"rezive-cam preview",
         [](const std::string&) {
             return std::vector<std::string>{REZIVE_CAM_PATH, "preview", "--no-window", "--duration", "1s"};
         },
         false},
    };
#if defined(REZIVE_TEST_PYTHON)
    tools.push_back({"python Camera()",
                     [](const std::string&) {
                         return std::vector<std::string>{REZIVE_TEST_PYTHON, "-c",
                                                         "import rezive; rezive.Camera()"};
                     },
                     true});
#endif
#if defined(REZIVE_GST_PLUGIN_DIR)
    tools.push_back({"gst-launch rezivesrc",
                     [](const std::string&) {
                         return std::vector<std::string>{"gst-launch-1.0", "-q", "rezivesrc", "num-buffers=1", "!",
                                                         "fakesink"};
                     },
                     true});
#endif
    return tools;
}

class UsbFailingCameraTest : public ::testing::Test {
protected:
    void SetUp() override {
        REZIVE_REQUIRE_CLI();
        if (HardwareAttached()) GTEST_SKIP() << "a camera's device node exists on this machine";
        Backing().Replug();
        // As on a user's machine: no virtual camera asked for, so rezive-cam decides itself.
        env_.Set("REZIVE_VIRTUAL_CAMERAS", "");
        env_.Set("REZIVE_USB_IDS", "1234:5678");
#if defined(REZIVE_TEST_PYTHON)
        env_.Set("PYTHONPATH", REZIVE_PYTHON_SOURCE_DIR);
        env_.Set("PYTHONDONTWRITEBYTECODE", "1");
        env_.Set("REZIVE_LIBRARY", REZIVE_SHARED_LIBRARY_PATH);
#endif
#if defined(REZIVE_GST_PLUGIN_DIR)
        env_.Set("GST_PLUGIN_PATH", REZIVE_GST_PLUGIN_DIR);
        env_.Set("GST_PLUGIN_SYSTEM_PATH_1_0", "");
        env_.Set("GST_REGISTRY_1_0", TempPath(".registry"));
        env_.Set("GST_REGISTRY_FORK", "no");
#endif
    }
    void TearDown() override {
        Bed().UnplugAll();
        Bed().SetClaimErrno(kPort, 0);
    }

    CliEnvironment env_;
};

TEST_F(UsbFailingCameraTest, APresentCameraThatFailsIsAnErrorWithItsReasonInEveryTool) {
    for (const Failure& failure : kFailures) {
        failure.make();
        for (const Tool& tool : Tools()) {
            SCOPED_TRACE(std::string(failure.name) + " x " + tool.name);
            const std::string scratch = TempPath("");
            const CliResult r = env_.RunProgram(tool.command(scratch));
            // A documented failure, not a crash (gst-launch-1.0 exits with -1).
            EXPECT_TRUE((r.status > 0 && r.status < 64) || r.status == 255) << r.status << " " << r.err;
            EXPECT_NE(r.err.find(failure.says), std::string::npos) << r.err;
            EXPECT_EQ(r.err.find("virtual camera ("), std::string::npos) << "no stand-in: " << r.err;
            EXPECT_NE(access((scratch + ".png").c_str(), F_OK), 0) << "no test pattern saved";
            EXPECT_NE(access((scratch + ".avi").c_str(), F_OK), 0) << "no test pattern recorded";
        }
        Bed().UnplugAll();
        Bed().SetClaimErrno(kPort, 0);
    }
}

TEST_F(UsbFailingCameraTest, TheCliSaysWhatFailedAndHowToUseTheVirtualCameraOnPurpose) {
    kFailures[0].make();
    CliResult r = env_.Run({"snapshot", "-o", TempPath(".png")});
    EXPECT_EQ(r.status, RZ_ERR_DEVICE_UNAVAILABLE) << r.err;
    EXPECT_NE(r.err.find("error 2: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("  cause: USB camera 1-4 (1234:5678, /dev/bus/usb/001/"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("  hint: rezive-cam --virtual"), std::string::npos) << r.err;
    // The same camera, with the virtual camera asked for: the user's own choice.
    const std::string still = TempPath(".png");
    r = env_.Run({"--virtual", "snapshot", "-o", still});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(access(still.c_str(), F_OK), 0);
}

// Nothing attached: rezive-cam stands the virtual camera in and says so once; the library's
// other clients have no stand-in and say the slot is empty.
TEST_F(UsbFailingCameraTest, WithNoCameraAtAllOnlyRezivecamStandsTheVirtualCameraIn) {
    for (const Tool& tool : Tools()) {
        SCOPED_TRACE(tool.name);
        const std::string scratch = TempPath("");
        const CliResult r = env_.RunProgram(tool.command(scratch));
        if (std::string(tool.name).rfind("rezive-cam", 0) == 0) {
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_NE(r.err.find("no camera found; using a virtual camera"), std::string::npos) << r.err;
        } else {
            EXPECT_NE(r.status, 0) << r.err;
            EXPECT_NE(r.err.find("o camera in device slot 0"), std::string::npos) << r.err;
        }
    }
}

}  // namespace
}  // namespace rezive::test

namespace rezive::test {
namespace {

// Makes what a second user's process needs of this test's files reachable to it: the emulated
// bus (umockdev's folder) and the scratch folder.
bool OpenToOtherUsers() {
    const char* bus = std::getenv("UMOCKDEV_DIR");
    if (bus == nullptr || geteuid() != 0) return false;
    const std::string command = std::string("chmod -R a+rwX '") + bus + "' '" + TempDir() + "'";
    return std::system(command.c_str()) == 0;
}

// One user streams from the camera; a second — another user where the test runs as root, so
// that the device itself must refuse, not a claim region the two share — asks for the same
// camera: the documented error with who holds it, at once; once the first lets go, the second
// takes it.
TEST_F(UsbFailingCameraTest, TwoUsersOnOneCameraTheSecondIsToldWhoHoldsItThenTakesIt) {
    Bed().Plug(kPort, &Backing());
    Backing().SetTimeScale(0.5);
    std::string outPath, errPath;
    const pid_t first = env_.Start({"preview", "--no-window", "--duration", "120s"}, &outPath, &errPath);
    ASSERT_GT(first, 0);
    ASSERT_TRUE(WaitUntil([] { return Backing().Stats().imageRequests >= 3; }, std::chrono::seconds(60)))
        << ReadText(errPath);

    CliEnvironment second;  // a claim region of its own, as every user has
    second.Set("REZIVE_VIRTUAL_CAMERAS", "");
    second.Set("REZIVE_USB_IDS", "1234:5678");
    std::vector<std::string> prefix;
    if (OpenToOtherUsers()) prefix = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
    const auto asSecondUser = [&](std::vector<std::string> args) {
        std::vector<std::string> argv = prefix;
        argv.push_back(REZIVE_CAM_PATH);
        argv.insert(argv.end(), args.begin(), args.end());
        return second.RunProgram(argv);
    };
    const std::string still = TempPath(".bmp");
    CliResult r = asSecondUser({"snapshot", "-o", still});
    EXPECT_EQ(r.status, RZ_ERR_DEVICE_UNAVAILABLE) << r.err;
    EXPECT_NE(r.err.find("held by"), std::string::npos) << r.err;
    EXPECT_NE(access(still.c_str(), F_OK), 0);

    kill(first, SIGINT);
    EXPECT_EQ(CliEnvironment::Wait(first), 0) << ReadText(errPath);
    r = asSecondUser({"snapshot", "-o", still});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(access(still.c_str(), F_OK), 0);
}

}  // namespace
}  // namespace rezive::test
