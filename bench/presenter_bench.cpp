// The X11 preview presenter, on the display in DISPLAY (run under
// `xvfb-run -a -s "-screen 0 1600x900x24" build/release/bench/presenter_bench`; skipped without
// a display). Present: one 1280 x 720 frame from the worker's hand-off until the server has
// processed it, through shared memory and through put-image; worker_us is what the worker itself
// spends. Preview: CPU time of this process per delivered frame and delivered frames per second
// with the window shown, against the headless presenter in the same run and the camera's rate.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <ReziveSdk.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/presenter_loader.h"
#include "platform/window_system.h"
#include "virtual_camera/virtual_camera.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace platform = rezive::platform;

std::shared_ptr<platform::Presenter> X11(bool sharedMemory) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr) return nullptr;
    setenv("REZIVE_X11_SHM", sharedMemory ? "1" : "0", 1);
    std::string note;
    auto presenter = platform::LoadX11Presenter(display, &note);
    unsetenv("REZIVE_X11_SHM");
    return presenter;
}

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void BM_Present1280x720(benchmark::State& state) {
    const bool shm = state.range(0) != 0;
    auto presenter = X11(shm);
    if (!presenter) {
        state.SkipWithError("no display");
        return;
    }
    platform::SetPresenter(presenter);
    platform::RegisterWindowClass("PresenterBench");
    platform::WindowInfo info;
    info.className = "PresenterBench";
    info.title = "Active Window";
    info.width = 1280;
    info.height = 720;
    const platform::WindowId w = platform::CreatePreviewWindow(info);
    uint8_t seed = 0;
    double workerSeconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        platform::DrawToClient(w, [&](uint8_t* p, int32_t, int32_t h, int32_t stride) {
            std::memset(p, seed++, static_cast<size_t>(h) * stride);
        });
        workerSeconds += std::chrono::duration<double>(Clock::now() - start).count();
        presenter->Sync(10000);
    }
    const platform::PresenterStats stats = presenter->Stats();
    state.counters["worker_us"] = workerSeconds / static_cast<double>(state.iterations()) * 1e6;
    state.counters["shared_memory"] = stats.sharedMemory ? 1 : 0;
    state.counters["dropped"] = static_cast<double>(stats.dropped);
    platform::DestroyWindow(w);
    platform::UnregisterWindowClass("PresenterBench");
    platform::SetPresenter(nullptr);
}
BENCHMARK(BM_Present1280x720)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// Arg: 0 headless, 1 X11 through shared memory, 2 X11 through put-image.
void BM_PreviewShown(benchmark::State& state) {
    setenv("REZIVE_VIRTUAL_CAMERAS", "1", 1);
    setenv("REZIVE_SETTINGS_FILE", "/tmp/rezive-bench-settings.reg", 1);
    setenv("REZIVE_SHARED_NAME", "rezive-bench", 1);
    std::shared_ptr<platform::Presenter> presenter;
    if (state.range(0) != 0) {
        presenter = X11(state.range(0) == 1);
        if (!presenter) {
            state.SkipWithError("no display");
            return;
        }
    }
    platform::SetPresenter(presenter);
    auto& camera = rezive::virtual_camera::CameraAt(0);
    camera.Reset();
    const RzWindow window = RzCreateMessageWindow();
    const RzHandle h = Rezive_Initialize(0);
    Rezive_SetWaitTime(h, 1);
    Rezive_SetColorMode(h, 24);
    std::vector<uint8_t> buffer(static_cast<size_t>(1280) * 720 * 3);
    double frames = 0, seconds = 0, cpu = 0;
    for (auto _ : state) {
        Rezive_CallBackPreview(h, window, buffer.data(), static_cast<int32_t>(buffer.size()), 1);
        const auto start = Clock::now();
        const double cpuStart = CpuSeconds();
        while (Clock::now() - start < std::chrono::seconds(5)) {
            RzMessage m;
            if (RzWaitMessage(window, &m, 100) == 1 && m.message == RZ_WM_FRAME && m.wParam != 0) ++frames;
        }
        cpu += CpuSeconds() - cpuStart;
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
        Rezive_StopPreview(h);
    }
    state.counters["delivered_fps"] = frames / seconds;
    state.counters["camera_fps"] = 1000.0 / camera.FramePeriodMs();
    state.counters["cpu_ms_per_frame"] = frames > 0 ? cpu / frames * 1000 : 0;
    if (presenter) {
        const platform::PresenterStats stats = presenter->Stats();
        state.counters["drawn"] = static_cast<double>(stats.drawn);
        state.counters["dropped"] = static_cast<double>(stats.dropped);
    }
    Rezive_Close(h);
    Rezive_Release(h);
    RzDestroyWindow(window);
    platform::SetPresenter(nullptr);
}
BENCHMARK(BM_PreviewShown)->Arg(0)->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
