// The device layer against the virtual camera: frames per second that the streaming thread
// delivers compared with the camera's own frame rate, and the CPU time the library's transport
// spends per frame and per control exchange.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "device/protocol.h"
#include "device/rezive417dir_sdk.h"
#include "device/transport.h"
#include "virtual_camera/virtual_camera.h"
#include "virtual_camera/virtual_device_file.h"

namespace {

using namespace rezive;

virtual_camera::VirtualCamera& Camera() {
    setenv("REZIVE_VIRTUAL_CAMERAS", "1", 1);
    // The models below are built without a camera object, which is what registers the backend.
    virtual_camera::RegisterBackend();
    auto& cam = virtual_camera::CameraAt(0);
    cam.Reset();
    return cam;
}

// Args: width, height, sixteen-bit, clock code. Streams for two seconds of real time.
void BM_StreamingRate(benchmark::State& state) {
    auto& cam = Camera();
    cam.SetTimeScale(0.0);
    CRezive417DIRVUDSdk model;
    model.SetExposure(637);
    model.SetSampleWidth(state.range(2) != 0);
    model.SetWindow(0, 0, static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)), 0);
    model.SetExposure(637);
    model.SetClock(static_cast<int32_t>(state.range(3)));
    cam.SetTimeScale(1.0);
    const double cameraFps = 1000.0 / cam.FramePeriodMs();
    double fps = 0;
    for (auto _ : state) {
        model.StartStreaming();
        // Let the run settle, then count frames over a fixed span.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const int32_t before = model.Block().frames.load();
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(2));
        const int32_t after = model.Block().frames.load();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        model.StopStreaming();
        fps = (after - before) / seconds;
    }
    state.counters["delivered_fps"] = fps;
    state.counters["camera_fps"] = cameraFps;
    state.counters["ratio"] = fps / cameraFps;
}
BENCHMARK(BM_StreamingRate)
    ->ArgNames({"w", "h", "16bit", "clock"})
    ->Args({1280, 720, 0, 0})
    ->Args({1280, 720, 1, 0})
    ->Args({1280, 720, 0, 2})
    ->Args({1280, 720, 1, 2})
    ->Args({320, 240, 0, 2})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

// One streaming frame's transport on the caller's thread: the start packet and the image
// request, with the camera serving instantly and without filling the frame, so what is left
// is the library's transport plus the virtual driver's bookkeeping.
void BM_TransportPerFrame(benchmark::State& state) {
    auto& cam = Camera();
    cam.SetTimeScale(0.0);
    CRezive417DIRVUDSdk model;
    model.SetSampleWidth(state.range(0) != 0);
    model.SetWindow(0, 0, 1280, 720, 0);
    cam.SetSkipContent(true);
    device::DeviceHandle handle;
    device::OpenDevice(model.DevicePath().c_str(), handle);
    const uint32_t length = static_cast<uint32_t>(model.TransferSize()) * (state.range(0) ? 2u : 1u);
    std::vector<uint8_t> buffer(length);
    for (auto _ : state) {
        uint8_t start[device::kPacketSize] = {device::kCmdStartFrame};
        uint32_t done = 0;
        device::PipeTransfer(handle.get(), device::kPipeCommand, device::kPacketSize, start, &done, 0);
        device::PipeTransfer(handle.get(), device::kPipeImage, length, buffer.data(), &done, 1);
        benchmark::DoNotOptimize(done);
    }
    cam.SetSkipContent(false);
}
BENCHMARK(BM_TransportPerFrame)->ArgName("16bit")->Arg(0)->Arg(1);

// The virtual camera filling one frame (its cost, paid on the streaming thread).
void BM_VirtualReadout(benchmark::State& state) {
    auto& cam = Camera();
    cam.SetTimeScale(0.0);
    CRezive417DIRVUDSdk model;
    model.SetSampleWidth(state.range(0) != 0);
    model.SetWindow(0, 0, 1280, 720, 0);
    device::DeviceHandle handle;
    device::OpenDevice(model.DevicePath().c_str(), handle);
    const uint32_t length = static_cast<uint32_t>(model.TransferSize()) * (state.range(0) ? 2u : 1u);
    std::vector<uint8_t> buffer(length);
    for (auto _ : state) {
        uint32_t done = 0;
        device::PipeTransfer(handle.get(), device::kPipeImage, length, buffer.data(), &done, 1);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * length);
}
BENCHMARK(BM_VirtualReadout)->ArgName("16bit")->Arg(0)->Arg(1);

// Open-exchange-close control operations.
void BM_ControlExchange(benchmark::State& state) {
    Camera();
    CRezive417DIRVUDSdk model;
    int32_t value = 0;
    for (auto _ : state) {
        if (state.range(0) == 0) {
            model.WriteSensorRegister(0x0F, 637);
        } else {
            model.ReadSensorRegister(0x0F, &value);
        }
    }
    benchmark::DoNotOptimize(value);
}
BENCHMARK(BM_ControlExchange)->ArgName("read")->Arg(0)->Arg(1);

}  // namespace
