// Imaging kernels on 1280 x 720 frames, one thread. With OpenCV available its counterparts run
// in the same binary (names ending in _OpenCV), so each ratio comes from one run.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>

#include "imaging/conversions.h"
#include "imaging/cpu_dispatch.h"
#include "imaging/dib_image.h"
#include "imaging/filters.h"
#include "imaging/mosaic.h"

#ifdef REZIVE_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

using namespace rezive;

constexpr int kWidth = 1280, kHeight = 720;

// REZIVE_BENCH_BASELINE=1 measures the baseline (x86-64 SSE2) build of the dispatched kernels.
const bool g_baseline = [] {
    const char* v = std::getenv("REZIVE_BENCH_BASELINE");
    const bool on = v != nullptr && v[0] == '1';
    dispatch::ForceBaseline(on);
    return on;
}();

// A smooth colour scene with a little noise, laid out as a phase-3 mosaic: the data a camera
// delivers (branchy kernels such as hue/saturation see realistic colour runs, not noise).
void FillScene(CDibImage& mosaic, int phase) {
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> noise(-6, 6);
    const bool wide = mosaic.BitsPerPixel() == 16;
    for (int y = 0; y < mosaic.Height(); ++y) {
        for (int x = 0; x < mosaic.Width(); ++x) {
            const int rp = (y + (phase & 1)) & 1, cp = (x + (phase >> 1)) & 1;
            const double fx = x / static_cast<double>(kWidth),
                         fy = y / static_cast<double>(kHeight);
            double v;
            if (rp == cp)
                v = 0.5 + 0.4 * std::sin(6 * fx + 3 * fy);
            else if (rp == 0)
                v = 0.5 + 0.45 * std::cos(9 * fy - 2 * fx);
            else
                v = 0.5 + 0.45 * std::sin(4 * fx * fy + 5 * fx);
            int s = static_cast<int>(v * (wide ? 4095 : 255)) + noise(rng) * (wide ? 16 : 1);
            s = std::clamp(s, 0, wide ? 4095 : 255);
            if (wide) {
                const auto w = static_cast<uint16_t>(s);
                std::memcpy(mosaic.Row(y) + 2 * x, &w, 2);
            } else {
                mosaic.Row(y)[x] = static_cast<uint8_t>(s);
            }
        }
    }
}

struct Frames {
    CDibImage mosaic8, mosaic16, color24, color48, work24;
    Frames() {
        mosaic8.Create(kWidth, kHeight, 8);
        mosaic16.Create(kWidth, kHeight, 16);
        color24.Create(kWidth, kHeight, 24);
        color48.Create(kWidth, kHeight, 48);
        work24.Create(kWidth, kHeight, 24);
        FillScene(mosaic8, 3);
        FillScene(mosaic16, 3);
        WhiteBalanceParams wb{3, 100, 100, 100};
        ReconstructColor(color24, mosaic8, wb, false);
        ReconstructColor(color48, mosaic16, wb, false);
    }
};

Frames& Shared() {
    static Frames frames;
    return frames;
}

void SetPixels(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

// ---- colour reconstruction ------------------------------------------------------------------

void BM_Demosaic8(benchmark::State& state) {
    Frames& f = Shared();
    WhiteBalanceParams wb{3, 100, 100, 100};
    for (auto _ : state) {
        ReconstructColor(f.color24, f.mosaic8, wb, false);
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}
BENCHMARK(BM_Demosaic8);

void BM_Demosaic8Gains(benchmark::State& state) {
    Frames& f = Shared();
    WhiteBalanceParams wb{3, 140, 100, 90};
    for (auto _ : state) {
        ReconstructColor(f.color24, f.mosaic8, wb, false);
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}
BENCHMARK(BM_Demosaic8Gains);

void BM_Demosaic8AutoWhiteBalance(benchmark::State& state) {
    Frames& f = Shared();
    for (auto _ : state) {
        WhiteBalanceParams wb{3, 100, 100, 100};
        ReconstructColor(f.color24, f.mosaic8, wb, true);
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}
BENCHMARK(BM_Demosaic8AutoWhiteBalance);

void BM_Demosaic16(benchmark::State& state) {
    Frames& f = Shared();
    WhiteBalanceParams wb{3, 100, 100, 100};
    for (auto _ : state) {
        ReconstructColor(f.color48, f.mosaic16, wb, false);
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}
BENCHMARK(BM_Demosaic16);

// ---- tone filters, 24-bit -----------------------------------------------------------------

template <PixelKernel Kernel, int Value>
void BM_Filter24(benchmark::State& state) {
    Frames& f = Shared();
    CDibImage img;
    img.CreateLike(&f.color24);
    std::memcpy(img.Bits(), f.color24.Bits(), img.SizeBytes());
    FilterTables tables;
    FilterParams p{Value, 12, &tables};
    for (auto _ : state) {
        img.Transfer(Kernel, &img, nullptr, 0, 0, &p);
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}
BENCHMARK(BM_Filter24<GammaColor8, 150>)->Name("BM_Gamma24");
BENCHMARK(BM_Filter24<ContrastColor8, 30>)->Name("BM_Contrast24");
BENCHMARK(BM_Filter24<BrightnessColor8, -20>)->Name("BM_Brightness24");

void BM_Sharpness24(benchmark::State& state) {
    Frames& f = Shared();
    FilterParams p{10, 12};
    for (auto _ : state) {
        // The frame is copied to the work buffer first, as the frame pipeline does.
        std::memcpy(f.work24.Bits(), f.color24.Bits(), f.color24.SizeBytes());
        f.color24.Transfer(SharpnessColor8, &f.work24, nullptr, 0, 0, &p);
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}
BENCHMARK(BM_Sharpness24);

void BM_HueSaturation24(benchmark::State& state) {
    Frames& f = Shared();
    CDibImage img;
    img.CreateLike(&f.color24);
    HueSaturationParams p{30, 0, 40, 12};
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(img.Bits(), f.color24.Bits(), img.SizeBytes());
        state.ResumeTiming();
        img.Transfer(HueSaturationColor8, &img, nullptr, 0, 0, &p);
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}
BENCHMARK(BM_HueSaturation24);

// Every frame step of a 24-bit colour frame with every filter on.
void BM_Pipeline24(benchmark::State& state) {
    Frames& f = Shared();
    CDibImage color, work;
    color.CreateLike(&f.color24);
    work.CreateLike(&f.color24);
    FilterTables tables;
    HueSaturationParams hs{20, 0, 30, 12};
    FilterParams gamma{120, 12, &tables}, contrast{20, 12, &tables}, sharp{10, 12, &tables},
        bright{15, 12, &tables};
    for (auto _ : state) {
        WhiteBalanceParams wb{3, 120, 100, 110};
        ReconstructColor(color, f.mosaic8, wb, true);
        color.Transfer(HueSaturationColor8, &color, nullptr, 0, 0, &hs);
        color.Transfer(GammaColor8, &color, nullptr, 0, 0, &gamma);
        color.Transfer(ContrastColor8, &color, nullptr, 0, 0, &contrast);
        std::memcpy(work.Bits(), color.Bits(), color.SizeBytes());
        color.Transfer(SharpnessColor8, &work, nullptr, 0, 0, &sharp);
        color.Transfer(BrightnessColor8, &color, nullptr, 0, 0, &bright);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());  // items = frames
}
BENCHMARK(BM_Pipeline24)->Unit(benchmark::kMillisecond);

// ---- conversions ------------------------------------------------------------------------

void BM_Color12To8Flipped(benchmark::State& state) {
    Frames& f = Shared();
    CDibImage out;
    out.Create(kWidth, kHeight, 24);
    for (auto _ : state) {
        out.Transfer(Color12To8Flipped, &f.color48, nullptr, 0, 0, nullptr);
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}
BENCHMARK(BM_Color12To8Flipped);

void BM_ScaleNearestBgr24Half(benchmark::State& state) {
    Frames& f = Shared();
    CDibImage out;
    out.Create(kWidth / 2, kHeight / 2, 24);
    for (auto _ : state) {
        out.TransferScaled(ScaleNearestBgr24, &f.color24, nullptr, nullptr, nullptr);
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}
BENCHMARK(BM_ScaleNearestBgr24Half);

#ifdef REZIVE_HAVE_OPENCV

cv::Mat Wrap(CDibImage& img, int type) {
    return cv::Mat(img.Height(), img.Width(), type, img.Bits(), static_cast<size_t>(img.Stride()));
}

struct OpenCvSequential {
    OpenCvSequential() { cv::setNumThreads(0); }
};

void OneThread() { static OpenCvSequential once; }

void BM_Demosaic8_OpenCV(benchmark::State& state) {
    OneThread();
    Frames& f = Shared();
    cv::Mat src = Wrap(f.mosaic8, CV_8UC1), dst(kHeight, kWidth, CV_8UC3);
    for (auto _ : state) {
        cv::demosaicing(src, dst, cv::COLOR_BayerBG2BGR);
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}
BENCHMARK(BM_Demosaic8_OpenCV);

void BM_Demosaic16_OpenCV(benchmark::State& state) {
    OneThread();
    Frames& f = Shared();
    cv::Mat src = Wrap(f.mosaic16, CV_16UC1), dst(kHeight, kWidth, CV_16UC3);
    for (auto _ : state) {
        cv::demosaicing(src, dst, cv::COLOR_BayerBG2BGR);
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}
BENCHMARK(BM_Demosaic16_OpenCV);

void BM_Lut24_OpenCV(benchmark::State& state) {
    OneThread();
    Frames& f = Shared();
    cv::Mat img = Wrap(f.color24, CV_8UC3).clone(), lut(1, 256, CV_8U);
    for (int i = 0; i < 256; ++i) lut.at<uint8_t>(i) = static_cast<uint8_t>(255 - i);
    for (auto _ : state) {
        cv::LUT(img, lut, img);
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}
BENCHMARK(BM_Lut24_OpenCV);

void BM_Brightness24_OpenCV(benchmark::State& state) {
    OneThread();
    Frames& f = Shared();
    cv::Mat img = Wrap(f.color24, CV_8UC3).clone();
    for (auto _ : state) {
        img.convertTo(img, -1, 0.92);
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}
BENCHMARK(BM_Brightness24_OpenCV);

void BM_Sharpness24_OpenCV(benchmark::State& state) {
    OneThread();
    Frames& f = Shared();
    cv::Mat img = Wrap(f.color24, CV_8UC3).clone(), blurred, out;
    for (auto _ : state) {
        cv::blur(img, blurred, cv::Size(4, 4));
        cv::addWeighted(img, 2.0, blurred, -1.0, 0.0, out);
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}
BENCHMARK(BM_Sharpness24_OpenCV);

void BM_HueSaturation24_OpenCV(benchmark::State& state) {
    OneThread();
    Frames& f = Shared();
    cv::Mat img = Wrap(f.color24, CV_8UC3).clone(), hsv, out;
    for (auto _ : state) {
        cv::cvtColor(img, hsv, cv::COLOR_BGR2HSV);
        cv::cvtColor(hsv, out, cv::COLOR_HSV2BGR);
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}
BENCHMARK(BM_HueSaturation24_OpenCV);

#endif  // REZIVE_HAVE_OPENCV

}  // namespace
