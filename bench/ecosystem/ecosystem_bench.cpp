// Frames per second and CPU time per frame of the same virtual camera three ways, in one run:
// the C API's callback preview, rezivesrc into fakesink, and the Python package's frames()
// (in a child process). 1280 x 720, wait time 1 ms; the CPU time is the whole process's (the
// virtual camera's streaming thread included, alike for all three).
#include <ReziveSdk.h>
#include <benchmark/benchmark.h>
#include <gst/gst.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kFrames = 90;

struct Format {
    int bits;
    const char* gst;
};
constexpr Format kFormats[] = {{8, "GRAY8"}, {16, "GRAY16_LE"}, {24, "BGR"}, {32, "BGRx"}};

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void Report(benchmark::State& state, int frames, double wall, double cpu) {
    state.counters["fps"] = frames / wall;
    state.counters["cpu_ms_per_frame"] = 1000.0 * cpu / frames;
}

void BM_CCallbackPreview(benchmark::State& state) {
    const Format f = kFormats[state.range(0)];
    const RzWindow window = RzCreateMessageWindow();
    const RzHandle h = Rezive_Initialize(window);
    Rezive_SetWaitTime(h, 1);
    Rezive_SetColorMode(h, f.bits);
    std::vector<uint8_t> buffer(static_cast<size_t>((1280 * f.bits / 8 + 3) & ~3) * 720);
    std::atomic<int> frames{0};
    RzSetMessageHandler(
        window,
        [](RzWindow, const RzMessage* m, void* user) {
            if (m->message == RZ_WM_FRAME && m->lParam == RZ_FRAME_OK) ++*static_cast<std::atomic<int>*>(user);
        },
        &frames);
    for (auto _ : state) {
        frames = 0;
        Rezive_CallBackPreview(h, window, buffer.data(), static_cast<int32_t>(buffer.size()), 1);
        while (frames < 1) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const int first = frames;
        const double wall0 = Now(), cpu0 = CpuSeconds();
        const double deadline = wall0 + 120;
        while (frames < first + kFrames && Now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        Report(state, frames - first, Now() - wall0, CpuSeconds() - cpu0);
        Rezive_StopPreview(h);
    }
    RzSetMessageHandler(window, nullptr, nullptr);
    Rezive_Release(h);
    RzDestroyWindow(window);
}

void BM_Rezivesrc(benchmark::State& state) {
    const Format f = kFormats[state.range(0)];
    // One buffer more than measured: the first one includes starting the camera.
    const std::string description = "rezivesrc wait-time=1 num-buffers=" +
                                    std::to_string(kFrames + 1) + " ! video/x-raw,format=" +
                                    f.gst + " ! fakesink name=sink sync=false";
    for (auto _ : state) {
        GstElement* pipeline = gst_parse_launch(description.c_str(), nullptr);
        GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
        GstPad* pad = gst_element_get_static_pad(sink, "sink");
        struct Clock {
            int buffers = 0;
            double wall = 0, cpu = 0;
        } clock;
        gst_pad_add_probe(
            pad, GST_PAD_PROBE_TYPE_BUFFER,
            [](GstPad*, GstPadProbeInfo*, gpointer user) {
                auto* c = static_cast<Clock*>(user);
                if (c->buffers++ == 0) {
                    c->wall = Now();
                    c->cpu = CpuSeconds();
                }
                return GST_PAD_PROBE_OK;
            },
            &clock, nullptr);
        gst_element_set_state(pipeline, GST_STATE_PLAYING);
        GstBus* bus = gst_element_get_bus(pipeline);
        GstMessage* end = gst_bus_timed_pop_filtered(
            bus, 120 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        Report(state, clock.buffers - 1, Now() - clock.wall, CpuSeconds() - clock.cpu);
        if (end != nullptr) gst_message_unref(end);
        gst_object_unref(bus);
        gst_object_unref(pad);
        gst_object_unref(sink);
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
    }
}

void BM_PythonFrames(benchmark::State& state) {
    const Format f = kFormats[state.range(0)];
    const std::string script =
        "import rezive, time, sys\n"
        "with rezive.Camera() as c:\n"
        "    c.wait_time = 1\n"
        "    c.color_mode = " + std::to_string(f.bits) + "\n"
        "    it = c.frames()\n"
        "    next(it)\n"
        "    t0 = time.monotonic(); p0 = time.process_time()\n"
        "    for n, _ in enumerate(it, 1):\n"
        "        if n == " + std::to_string(kFrames) + ": break\n"
        "    print(n, time.monotonic() - t0, time.process_time() - p0)\n";
    for (auto _ : state) {
        const std::string command = std::string(REZIVE_BENCH_PYTHON) + " -c '" + script + "'";
        FILE* out = popen(command.c_str(), "r");
        int frames = 0;
        double wall = 0, cpu = 0;
        if (out == nullptr || std::fscanf(out, "%d %lf %lf", &frames, &wall, &cpu) != 3 ||
            frames == 0) {
            if (out) pclose(out);
            state.SkipWithError("the Python package did not run");
            break;
        }
        pclose(out);
        Report(state, frames, wall, cpu);
    }
}

void Formats(benchmark::internal::Benchmark* b) {
    for (int k = 0; k < 4; ++k) b->Arg(k);
    b->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_CCallbackPreview)->Apply(Formats);
BENCHMARK(BM_Rezivesrc)->Apply(Formats);
BENCHMARK(BM_PythonFrames)->Apply(Formats);

}  // namespace

int main(int argc, char** argv) {
    setenv("REZIVE_VIRTUAL_CAMERAS", "1", 1);
    setenv("REZIVE_SETTINGS_FILE", "/tmp/rezive-ecosystem-bench.reg", 1);
    setenv("REZIVE_SHARED_NAME", "/rezive-ecosystem-bench", 1);
    setenv("GST_PLUGIN_PATH", REZIVE_BENCH_PLUGIN_DIR, 1);
    setenv("REZIVE_LIBRARY", REZIVE_BENCH_LIBRARY, 1);
    setenv("PYTHONPATH", REZIVE_BENCH_PYTHONPATH, 1);
    unsetenv("DISPLAY");
    gst_init(&argc, &argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
