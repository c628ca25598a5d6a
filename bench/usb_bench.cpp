// Frames over the emulated USB bus (umockdev, tests/usb/usb_testbed.h) against the in-process
// virtual camera: frames per second and the process's CPU time per frame, full 1280 x 720 8-bit
// frames served as fast as requested. Run it under umockdev's preload library:
//   tests/usb/run_on_emulated_bus.sh build/release/bench/usb_bench
// (without it the USB case is skipped).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "camera/camera.h"
#include "platform/device_file.h"
#include "platform/usb/usb_device_file.h"
#include "support/virtual_device_fixture.h"
#include "support/wait.h"
#include "usb/usb_testbed.h"

namespace {

using namespace rezive;
constexpr uint32_t kFrameBytes = 1280 * 720;

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

bool Send(platform::DeviceFile& file, std::vector<uint8_t> packet) {
    packet.resize(64);
    uint32_t pipe = 0, done = 0;
    return file.Control(platform::kIoctlPipeTransferIn, &pipe, 4, packet.data(), 64, &done) && done == 64;
}

void StreamFrames(benchmark::State& state, int slot) {
    const std::string path = std::string(platform::kDevicePathPrefix) + platform::kDeviceSlotSuffixes[slot];
    auto file = platform::OpenDeviceFile(path.c_str());
    if (!file) {
        state.SkipWithError("no camera (run the USB case under umockdev-wrapper)");
        return;
    }
    Send(*file, {0x09, static_cast<uint8_t>(kFrameBytes), static_cast<uint8_t>(kFrameBytes >> 8),
                 static_cast<uint8_t>(kFrameBytes >> 16), 0});
    Send(*file, {0x01});
    std::vector<uint8_t> frame(kFrameBytes);
    const double cpuStart = ProcessCpuSeconds();
    int64_t frames = 0;
    for (auto _ : state) {
        uint32_t pipe = 2, done = 0;
        if (!Send(*file, {0x02}) ||
            !file->Control(platform::kIoctlPipeTransferIn, &pipe, 4, frame.data(), kFrameBytes, &done) ||
            done != kFrameBytes) {
            state.SkipWithError(("frame transfer failed after " + std::to_string(frames) + " frames, " + std::to_string(done) + " bytes").c_str());
            return;
        }
        ++frames;
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.counters["cpu_ms_per_frame"] = (ProcessCpuSeconds() - cpuStart) * 1e3 / static_cast<double>(frames);
    state.SetBytesProcessed(frames * kFrameBytes);
}

bool OnEmulatedBus() {
    const char* preload = std::getenv("LD_PRELOAD");
    return preload != nullptr && std::string(preload).find("umockdev") != std::string::npos;
}

// The emulated bus must exist before libusb starts, which registering the backends does.
void StartBackends() {
    if (OnEmulatedBus()) test::UsbTestbed::Get();
    RegisterDeviceBackends();
}

void BM_FramesInProcess(benchmark::State& state) {
    StartBackends();
    test::EnableVirtualCameras(1);
    virtual_camera::CameraAt(0).SetTimeScale(0);
    StreamFrames(state, 0);
    test::EnableVirtualCameras(0);
}

void BM_FramesOverEmulatedUsb(benchmark::State& state) {
    if (!OnEmulatedBus()) {
        state.SkipWithError("run under umockdev-wrapper");
        return;
    }
    // Benchmark runs the case more than once: the set-up is made once and the device stays
    // plugged in between (resetting the virtual cameras again would leave the device's open
    // file on the camera of a former power-up).
    static const bool plugged = [] {
        StartBackends();
        test::UseNoCharDevices(true);
        setenv("REZIVE_USB_IDS", "1234:5678", 1);
        test::EnableVirtualCameras(0);
        virtual_camera::VirtualCamera& camera = virtual_camera::CameraAt(20);
        camera.Replug();  // powered up, as a camera plugged into the port is
        camera.SetTimeScale(0);
        test::UsbTestbed::Get().Plug(1, &camera);
        return test::WaitUntil([] { return platform::OpenDeviceFile("/dev/Daro417DIRVUD-0") != nullptr; });
    }();
    if (!plugged) {
        state.SkipWithError(platform::usb::DescribeUsbDevices(true).c_str());
        return;
    }
    StreamFrames(state, 0);
}

BENCHMARK(BM_FramesInProcess)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FramesOverEmulatedUsb)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
