// Save time of one 1280 x 720 frame per file type at 8, 24 and 48 bits per pixel, and the cost of
// turning a frame into an AVI chunk.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "imaging/conversions.h"
#include "imaging/dib_image.h"
#include "output/avi_frame.h"
#include "output/avi_writer.h"
#include "output/still_writers.h"

namespace {

using rezive::CDibImage;

constexpr int32_t kWidth = 1280;
constexpr int32_t kHeight = 720;

std::string TempFile(const char* suffix) {
    static const std::string dir = [] {
        char templ[] = "/tmp/rezive-bench-XXXXXX";
        const char* made = ::mkdtemp(templ);
        return std::string(made ? made : "/tmp");
    }();
    return dir + "/frame" + suffix;
}

// A camera-like picture: smooth gradients with sensor noise; 16-bit samples carry 12 bits.
void Fill(CDibImage& image) {
    const int bpp = image.BitsPerPixel();
    const bool wide = bpp == 48 || bpp == 16 || bpp == 64;
    uint32_t seed = 12345;
    for (int32_t y = 0; y < image.Height(); ++y) {
        uint8_t* row = image.Row(y);
        const int samples = image.Width() * (wide ? bpp / 16 : bpp / 8);
        for (int i = 0; i < samples; ++i) {
            seed = seed * 1664525u + 1013904223u;
            const uint32_t noise = seed >> 29;
            const uint32_t base = static_cast<uint32_t>((i / 3 + y) % 1024);
            if (wide) {
                const uint16_t v = static_cast<uint16_t>((base * 4 + noise * 8) & 0xFFF);
                row[2 * i] = static_cast<uint8_t>(v);
                row[2 * i + 1] = static_cast<uint8_t>(v >> 8);
            } else {
                row[i] = static_cast<uint8_t>(base / 4 + noise);
            }
        }
    }
}

// The size of the last file saved, as the file_MB counter.
void ReportFileSizeAndRemove(benchmark::State& state, const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f != nullptr) {
        std::fseek(f, 0, SEEK_END);
        state.counters["file_MB"] = static_cast<double>(std::ftell(f)) / 1e6;
        std::fclose(f);
    }
    ::unlink(path.c_str());
}

// Saves a filled bpp frame as format (PNG files at pngLevel) on every iteration.
void RunSave(benchmark::State& state, uint16_t bpp, int32_t format, int32_t pngLevel) {
    CDibImage image;
    image.Create(kWidth, kHeight, bpp);
    Fill(image);
    const std::string path = TempFile(".out");
    for (auto _ : state) {
        if (rezive::SaveImageFile(path.c_str(), &image, format, pngLevel) != 1) {
            state.SkipWithError("save failed");
            break;
        }
    }
    ReportFileSizeAndRemove(state, path);
}

void BM_SaveImage(benchmark::State& state) {
    RunSave(state, static_cast<uint16_t>(state.range(0)), static_cast<int32_t>(state.range(1)),
            rezive::kPngLevelDefault);
}

const char* const kFormatNames[] = {"bmp", "raw", "jpeg100", "jpeg70", "jpeg20", "png", "tiff"};

void SaveArgs(benchmark::internal::Benchmark* b) {
    b->ArgNames({"bpp", "format"});
    for (int bpp : {8, 24, 48})
        for (int format = 0; format <= 6; ++format) b->Args({bpp, format});
}
BENCHMARK(BM_SaveImage)->Apply(SaveArgs)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AviFrame(benchmark::State& state) {
    const auto bpp = static_cast<uint16_t>(state.range(0));
    CDibImage image;
    image.Create(kWidth, kHeight, bpp);
    Fill(image);
    rezive::AviFrameBuffers work;
    work.Prepare(kWidth, kHeight);
    for (auto _ : state) {
        auto frame = rezive::ConvertFrameForAvi(image, work);
        benchmark::DoNotOptimize(frame.data());
    }
}
BENCHMARK(BM_AviFrame)->ArgName("bpp")->Arg(8)->Arg(16)->Arg(24)->Arg(32)->Arg(48)->Arg(64)
    ->Unit(benchmark::kMillisecond);

// The two passes the 8 and 16-bit recording frames took before their table kernels, as the
// reference of BM_AviFrame/bpp:8 and bpp:16 (BM_AviFrame/bpp:24, a flipped copy of the same
// output bytes, is the floor).
void BM_AviFrameTwoPass(benchmark::State& state) {
    const auto bpp = static_cast<uint16_t>(state.range(0));
    CDibImage image, mid, frame;
    image.Create(kWidth, kHeight, bpp);
    Fill(image);
    mid.Create(kWidth, kHeight, bpp == 8 ? 24 : 8);
    frame.Create(kWidth, kHeight, 24);
    for (auto _ : state) {
        if (bpp == 8) {
            mid.Blit(&image, nullptr, 0, 0);
            frame.Transfer(rezive::Color8To24Flipped, &mid, nullptr, 0, 0, nullptr);
        } else {
            mid.Transfer(rezive::Mono12To8Flipped, &image, nullptr, 0, 0, nullptr);
            frame.Blit(&mid, nullptr, 0, 0);
        }
        benchmark::DoNotOptimize(frame.Bits());
    }
}
BENCHMARK(BM_AviFrameTwoPass)->ArgName("bpp")->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond);

// PNG save time and size of a 1280 x 720 frame at zlib levels 1, 6 (libpng's default) and 9.
void BM_SavePngLevel(benchmark::State& state) {
    RunSave(state, static_cast<uint16_t>(state.range(0)), rezive::FILETYPE_PNG,
            static_cast<int32_t>(state.range(1)));
}
BENCHMARK(BM_SavePngLevel)
    ->ArgNames({"bpp", "level"})
    ->ArgsProduct({{24, 48}, {1, 6, 9}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Conversion plus the chunk write, as the recording thread does per frame (page cache, no sync).
void BM_AviRecordFrame(benchmark::State& state) {
    CDibImage image;
    image.Create(kWidth, kHeight, 24);
    Fill(image);
    rezive::AviFrameBuffers work;
    work.Prepare(kWidth, kHeight);
    const std::string path = TempFile(".avi");
    rezive::AviWriter writer;
    writer.Begin(path.c_str(), kWidth, kHeight, 24);
    uint32_t frames = 0;
    for (auto _ : state) {
        if (++frames % 200 == 0) {  // keep the file small
            state.PauseTiming();
            writer.Finish(3000);
            writer.Begin(path.c_str(), kWidth, kHeight, 24);
            state.ResumeTiming();
        }
        auto frame = rezive::ConvertFrameForAvi(image, work);
        writer.WriteFrame(frame.data(), frame.size());
    }
    writer.Finish(3000);
    ::unlink(path.c_str());
}
BENCHMARK(BM_AviRecordFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
