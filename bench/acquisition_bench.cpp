// Acquisition figures: frames delivered by the callback preview against the virtual camera's own
// rate, the latency from a frame leaving the camera to its frame message, and the CPU time of the
// frame pipeline per colour mode with every filter off and on.
#include <benchmark/benchmark.h>

#include <ReziveSdk.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "acquisition/frame_pipeline.h"
#include "device/rezive417dir_sdk.h"
#include "virtual_camera/virtual_camera.h"
#include "virtual_camera/virtual_device_file.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int32_t kBits[] = {8, 16, 24, 32, 48, 64};

void SetEnvironment() {
    setenv("REZIVE_VIRTUAL_CAMERAS", "1", 1);
    setenv("REZIVE_SETTINGS_FILE", "/tmp/rezive-bench-settings.reg", 1);
    setenv("REZIVE_SHARED_NAME", "rezive-bench", 1);
    // Some benchmarks build a model without a camera object, which is what registers it.
    rezive::virtual_camera::RegisterBackend();
}

void SetFilters(RzHandle h, bool on) {
    Rezive_SetBrightness(h, on ? 20 : 0);
    Rezive_SetContrast(h, on ? 20 : 0);
    Rezive_SetHue(h, on ? 30 : 0);
    Rezive_SetSaturation(h, on ? 40 : 0);
    Rezive_SetSharpness(h, on ? 10 : 0);
    Rezive_SetGamma(h, on ? 120 : 100);
}

// Delivered frames per second at wait time 1 ms, 1280 x 720, against the camera's frame rate.
void BM_CallbackPreview(benchmark::State& state) {
    SetEnvironment();
    const int32_t bits = kBits[state.range(0)];
    const bool filters = state.range(1) != 0;
    auto& camera = rezive::virtual_camera::CameraAt(0);
    camera.Reset();
    const RzWindow window = RzCreateMessageWindow();
    const RzHandle h = Rezive_Initialize(0);
    Rezive_SetWaitTime(h, 1);
    Rezive_SetColorMode(h, bits);
    Rezive_SetPreviewWindow(h, 0, 0, 0, 0, 0);
    SetFilters(h, filters);
    std::vector<uint8_t> buffer(static_cast<size_t>(1280) * 720 * (bits / 8));
    double delivered = 0, seconds = 0;
    std::vector<double> latencies;
    for (auto _ : state) {
        std::atomic<bool> stop{false};
        // Time each frame leaves the camera, by watching its sequence number.
        std::vector<Clock::time_point> servedAt(1 << 16);
        std::thread watcher([&] {
            uint32_t last = camera.Stats().lastSequence;
            while (!stop) {
                const uint32_t s = camera.Stats().lastSequence;
                if (s != last) servedAt[s & 0xFFFF] = Clock::now();
                last = s;
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            }
        });
        Rezive_CallBackPreview(h, window, buffer.data(), static_cast<int32_t>(buffer.size()), 1);
        const auto start = Clock::now();
        int frames = 0;
        while (Clock::now() - start < std::chrono::seconds(3)) {
            RzMessage m;
            if (RzWaitMessage(window, &m, 100) != 1 || m.wParam == 0) continue;
            ++frames;
            const uint32_t seq = camera.Stats().lastSequence;
            latencies.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - servedAt[seq & 0xFFFF]).count());
        }
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
        delivered += frames;
        Rezive_StopPreview(h);
        stop = true;
        watcher.join();
    }
    std::sort(latencies.begin(), latencies.end());
    state.counters["delivered_fps"] = delivered / seconds;
    state.counters["camera_fps"] = 1000.0 / camera.FramePeriodMs();
    state.counters["median_latency_ms"] = latencies.empty() ? 0 : latencies[latencies.size() / 2];
    Rezive_Release(h);
    RzDestroyWindow(window);
}
BENCHMARK(BM_CallbackPreview)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5}, {0, 1}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A 10 s recording at 1280 x 720: frames in the file against frames the camera delivered to the
// preview meanwhile (the recorder polls, so it may skip frames that come faster than its polling).
void BM_Recording(benchmark::State& state) {
    SetEnvironment();
    const int32_t bits = kBits[state.range(0)];
    auto& camera = rezive::virtual_camera::CameraAt(0);
    camera.Reset();
    const RzHandle h = Rezive_Initialize(0);
    Rezive_SetWaitTime(h, 1);
    Rezive_SetColorMode(h, bits);
    Rezive_SetPreviewWindow(h, 0, 0, 0, 0, 0);
    const char* path = "/tmp/rezive-bench-recording.avi";
    double recorded = 0, served = 0;
    for (auto _ : state) {
        camera.ResetStats();
        Rezive_Record(h, path, 10000, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(10500));
        served = static_cast<double>(camera.Stats().framesServed);
        Rezive_StopPreview(h);
        if (FILE* f = std::fopen(path, "rb")) {
            uint8_t header[52] = {};
            if (std::fread(header, 1, sizeof header, f) == sizeof header)
                recorded = header[48] | header[49] << 8 | header[50] << 16 | header[51] << 24;
            std::fclose(f);
        }
    }
    state.counters["recorded_frames"] = recorded;
    state.counters["camera_frames"] = served;
    Rezive_Release(h);
    std::remove(path);
}
BENCHMARK(BM_Recording)->Arg(0)->Arg(2)->Arg(4)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// CPU time of the frame pipeline (mosaic processing and filters) per 1280 x 720 frame.
void BM_FramePipeline(benchmark::State& state) {
    SetEnvironment();
    const int32_t mode = static_cast<int32_t>(state.range(0));
    const bool filters = state.range(1) != 0;
    rezive::CDibImage images[rezive::kImageSlots];
    rezive::CDibImage* slots[rezive::kImageSlots];
    for (int i = 0; i < rezive::kImageSlots; ++i) slots[i] = &images[i];
    const bool sixteen = mode == 1 || mode == 4 || mode == 5;
    images[sixteen ? 1 : 0].Create(1280, 720, sixteen ? 16 : 8);
    images[mode].Create(1280, 720, static_cast<uint16_t>(kBits[mode]));
    images[rezive::kSlotWork].CreateLike(&images[mode]);
    for (size_t i = 0; i < images[sixteen ? 1 : 0].SizeBytes(); ++i)
        images[sixteen ? 1 : 0].Bits()[i] = static_cast<uint8_t>(i * 2654435761u >> 24) & (sixteen && i % 2 ? 0x0F : 0xFF);
    rezive::FilterSettings f;
    rezive::AnalogSettings a;
    rezive::FormatSettings fmt;
    rezive::CaptureGeometry g;
    rezive::Setting defects;
    f.redGain = f.greenGain = f.blueGain = 100;
    f.gamma = filters ? 120 : 100;
    f.bayerMode = 3;
    f.grayGainR = f.grayGainG1 = f.grayGainG2 = f.grayGainB = 128;
    if (filters) {
        f.brightness = 20;
        f.contrast = 20;
        f.hue = 30;
        f.saturation = 40;
        f.sharpness = 10;
    }
    rezive::CameraSettings settings{f, a, fmt, g, defects};
    rezive::FramePipeline pipeline;
    rezive::DefectList list;
    rezive::CRezive417DIRVUDSdk model;  // auto iris is off: the model is not touched
    for (auto _ : state) {
        pipeline.Process(mode, slots, settings, model, list);
        benchmark::ClobberMemory();
    }
    state.counters["frames_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                        benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FramePipeline)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
