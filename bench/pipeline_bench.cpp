// The frame's mosaic and filter steps with every filter on, 1280 x 720: the strip pipeline on
// one thread and on every core against the pass-by-pass pipeline it replaced (kept as the
// reference, so each ratio comes from one run), and a copy of the same bytes as the floor.
// Arguments: output bits per pixel (24, 32, 48, 64) and, for the strips, threads.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <thread>

#include "acquisition/frame_pipeline.h"
#include "imaging/frame_recipe.h"

namespace {

using namespace rezive;

constexpr int kWidth = 1280, kHeight = 720;

// A smooth scene with a little noise as a phase-3 mosaic, so hue and saturation see colour runs.
struct Frame {
    CDibImage raw, output, work;
    FrameRecipe recipe;

    explicit Frame(int bits) {
        const bool wide = bits >= 48;
        raw.Create(kWidth, kHeight, wide ? 16 : 8);
        output.Create(kWidth, kHeight, static_cast<uint16_t>(bits));
        work.CreateLike(&output);
        std::mt19937 rng(1);
        std::uniform_int_distribution<int> noise(-6, 6);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const int level = ((x * 7 + y * 3) % 400 + (x / 40 % 2) * 300) % 256;
                const int s = std::clamp(level + noise(rng), 0, 255);
                if (wide) {
                    const auto v = static_cast<uint16_t>(s << 4);
                    std::memcpy(raw.Row(y) + 2 * x, &v, 2);
                } else {
                    raw.Row(y)[x] = static_cast<uint8_t>(s);
                }
            }
        recipe.colorMode = bits == 24 ? 2 : bits == 32 ? 3 : bits == 48 ? 4 : 5;
        recipe.whiteBalance = {3, 120, 100, 110};
        recipe.hue = 20;
        recipe.saturation = 30;
        recipe.gamma = 120;
        recipe.contrast = 20;
        recipe.sharpness = 10;
        recipe.brightness = 15;
    }
    FrameImages Images() { return {&raw, &output, nullptr, &work}; }
};

void BM_FramePasses(benchmark::State& state) {
    Frame f(static_cast<int>(state.range(0)));
    FilterTables tables;
    for (auto _ : state) {
        FrameRecipe r = f.recipe;
        MeasureWhiteBalance(f.raw, r.whiteBalance);  // the automatic white balance is on
        RunFramePasses(r, f.Images(), tables);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());  // items = frames
}

void BM_FrameStrips(benchmark::State& state) {
    Frame f(static_cast<int>(state.range(0)));
    platform::WorkerPool pool(static_cast<int32_t>(state.range(1)));
    platform::WorkerPool::Lease lease(pool);
    FramePipeline pipeline(pool);
    for (auto _ : state) {
        FrameRecipe r = f.recipe;
        MeasureWhiteBalance(f.raw, r.whiteBalance);
        pipeline.Run(r, f.Images());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

// The floor: reading the mosaic and writing the output once, with nothing computed.
void BM_FrameCopyFloor(benchmark::State& state) {
    Frame f(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const size_t rawRow = static_cast<size_t>(f.raw.Stride());
        const size_t outRow = static_cast<size_t>(f.output.Stride());
        for (int y = 0; y < kHeight; ++y) {
            uint8_t* d = f.output.Row(y);
            for (size_t k = 0; k < outRow; k += rawRow)
                std::memcpy(d + k, f.raw.Row(y), std::min(rawRow, outRow - k));
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

const int kCores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));

BENCHMARK(BM_FramePasses)->Arg(24)->Arg(32)->Arg(48)->Arg(64)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameStrips)
    ->ArgsProduct({{24, 32, 48, 64}, {1, kCores}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_FrameCopyFloor)->Arg(24)->Arg(32)->Arg(48)->Arg(64)->Unit(benchmark::kMillisecond);

}  // namespace
