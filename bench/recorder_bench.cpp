// Recorder figures: frames recorded against frames processed for a 10 s recording through the
// public interface (1280 x 720 at 8, 24 and 48 bits, and a 320 x 240 window at its top rate), the
// recorder's disk throughput and its CPU time per recorded frame. Run it on an idle machine and
// beside two busy processes (`yes > /dev/null &` twice) to see where frames go under load.
#include <benchmark/benchmark.h>

#include <ReziveSdk.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "imaging/dib_image.h"
#include "output/avi_recorder.h"
#include "virtual_camera/virtual_camera.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string ScratchFile(const char* name) {
    const char* dir = std::getenv("REZIVE_BENCH_DIR");
    return std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/" + name;
}

double ProcessCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

RzStreamStats Stats(RzHandle h) {
    RzStreamStats s{};
    s.size = sizeof s;
    RzGetStreamStats(h, &s);
    return s;
}

// A 10 s recording at the camera's real timing: where every frame went.
void BM_Record10s(benchmark::State& state) {
    setenv("REZIVE_VIRTUAL_CAMERAS", "1", 1);
    setenv("REZIVE_SETTINGS_FILE", "/tmp/rezive-bench-settings.reg", 1);
    setenv("REZIVE_SHARED_NAME", "rezive-bench-rec", 1);
    const int32_t bits = static_cast<int32_t>(state.range(0));
    const bool window = state.range(1) != 0;
    auto& camera = rezive::virtual_camera::CameraAt(0);
    camera.Reset();
    const RzHandle h = Rezive_Initialize(0);
    Rezive_SetWaitTime(h, 1);
    Rezive_SetColorMode(h, bits);
    if (window) Rezive_SetCaptureWindowEx(h, 1280, 480, 320, 720, 240, 240);
    Rezive_SetPreviewWindow(h, 0, 0, 0, 0, 0);
    const std::string path = ScratchFile("rezive-bench-record.avi");
    RzStreamStats s{};
    double cpu = 0;
    for (auto _ : state) {
        const double cpu0 = ProcessCpuSeconds();
        if (Rezive_Record(h, path.c_str(), 10000, 0) != 1) {
            state.SkipWithError("recording did not start");
            break;
        }
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        while (Stats(h).recording != 0 && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        s = Stats(h);
        Rezive_StopPreview(h);
        cpu = ProcessCpuSeconds() - cpu0;
    }
    state.counters["transferred"] = static_cast<double>(s.transferred);
    state.counters["skipped"] = static_cast<double>(s.skipped);
    state.counters["processed"] = static_cast<double>(s.processed);
    state.counters["recorded"] = static_cast<double>(s.recorded);
    state.counters["dropped"] = static_cast<double>(s.recorderDropped);
    // The whole process: camera emulation, processing and recording together.
    state.counters["cpu_ms_per_recorded"] = s.recorded != 0 ? cpu * 1e3 / s.recorded : 0;
    Rezive_Release(h);
    std::remove(path.c_str());
}
BENCHMARK(BM_Record10s)
    ->Args({8, 0})->Args({24, 0})->Args({48, 0})->Args({8, 1})
    ->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The recorder alone: a producer hands it 1280 x 720 frames as fast as it takes them; the disk
// throughput of its writes and its CPU time per written frame (conversion and write).
class StillSource : public rezive::RecordingSource {
public:
    explicit StillSource(uint16_t bits) { image.Create(1280, 720, bits); }
    void WithCurrentImage(const std::function<void(const rezive::CDibImage*)>& body) override {
        body(&image);
    }
    rezive::CDibImage image;
};

void BM_RecorderThroughput(benchmark::State& state) {
    const auto bits = static_cast<uint16_t>(state.range(0));
    StillSource source(bits);
    if (bits == 8) source.image.SetPalette(0, nullptr, 0, 256);
    const std::string path = ScratchFile("rezive-bench-throughput.avi");
    rezive::AviRecorder recorder(source);
    recorder.SetQueueDepth(4);
    uint64_t frames = 0;
    double seconds = 0, cpu = 0;
    for (auto _ : state) {
        recorder.Start(path.c_str(), 3600000);
        const double cpu0 = ProcessCpuSeconds();
        const auto start = Clock::now();
        // Hand over a frame whenever a slot is free, for 3 s.
        while (Clock::now() - start < std::chrono::seconds(3)) {
            const uint64_t before = recorder.Counts().dropped;
            recorder.NotifyNewFrame(source.image);
            if (recorder.Counts().dropped != before)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        recorder.Stop();
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
        cpu += ProcessCpuSeconds() - cpu0;
        frames += recorder.Counts().recorded;
    }
    const double bytes = static_cast<double>(frames) * (1280 * 720 * 3 + 8);
    state.counters["MB_per_s"] = bytes / seconds / 1e6;
    state.counters["frames_per_s"] = frames / seconds;
    state.counters["cpu_ms_per_frame"] = frames != 0 ? cpu * 1e3 / frames : 0;
    std::remove(path.c_str());
}
BENCHMARK(BM_RecorderThroughput)
    ->Arg(8)->Arg(24)->Arg(48)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
