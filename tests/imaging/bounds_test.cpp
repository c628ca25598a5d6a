// Every kernel on every image size from 1 x 1 to 6 x 6 and on clipped rectangles: run under
// the address sanitizer, any read or write outside a buffer fails the test.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "image_fixture.h"
#include "imaging/conversions.h"
#include "imaging/filters.h"
#include "imaging/mosaic.h"

namespace rezive {
namespace {

struct KernelCase {
    const char* name;
    PixelKernel kernel;
    uint16_t srcBits, dstBits;
    void* param;
};

WhiteBalanceParams g_wb{1, 150, 100, 80};
WhiteBalanceMeasurement g_measure{100, 100, 100, 2};
BayerGainParams g_gray{3, 200, 100, 128, 64, -5, 7, 0, 3, 12};
FilterParams g_filter{20, 12};
FilterParams g_sharp{30, 12};
HueSaturationParams g_hue{77, 0, -40, 12};

std::vector<KernelCase> AllKernels() {
    std::vector<KernelCase> k = {
        {"Mono12To8", Mono12To8, 16, 8, nullptr},
        {"Mono12To8Flipped", Mono12To8Flipped, 16, 8, nullptr},
        {"Mono10To8Flipped", Mono10To8Flipped, 16, 8, nullptr},
        {"Mono12To16", Mono12To16, 16, 16, nullptr},
        {"CopyRowsFlipped", CopyRowsFlipped, 24, 24, nullptr},
        {"MeanLevelMono8", MeanLevelMono8, 8, 8, nullptr},
        {"MeanLevelMono16", MeanLevelMono16, 16, 16, nullptr},
        {"MeasureWhiteBalanceRaw8", MeasureWhiteBalanceRaw8, 8, 8, &g_measure},
        {"MeasureWhiteBalanceRaw16", MeasureWhiteBalanceRaw16, 16, 16, &g_measure},
        {"BayerGainOffsetRaw8", BayerGainOffsetRaw8, 8, 8, &g_gray},
        {"BayerGainOffsetRaw16", BayerGainOffsetRaw16, 16, 16, &g_gray},
        {"MeasureBayerGains", MeasureBayerGains, 16, 16, &g_gray},
        {"BrightnessMono8", BrightnessMono8, 8, 8, &g_filter},
        {"BrightnessMono16", BrightnessMono16, 16, 16, &g_filter},
        {"ContrastMono8", ContrastMono8, 8, 8, &g_filter},
        {"ContrastMono16", ContrastMono16, 16, 16, &g_filter},
        {"GammaMono8", GammaMono8, 8, 8, &g_filter},
        {"GammaMono16", GammaMono16, 16, 16, &g_filter},
        {"SharpnessMono8", SharpnessMono8, 8, 8, &g_sharp},
        {"SharpnessMono16", SharpnessMono16, 16, 16, &g_sharp},
    };
    for (uint16_t bits : {24, 32}) {
        k.push_back({"Bgr32ToBgr24", Bgr32ToBgr24, bits, 24, nullptr});
        k.push_back({"Color8To24Flipped", Color8To24Flipped, bits, 24, nullptr});
        k.push_back({"SwapRedBlue8", SwapRedBlue8, bits, bits, nullptr});
        k.push_back({"DemosaicInteriorRaw8", DemosaicInteriorRaw8, 8, bits, &g_wb});
        k.push_back({"DemosaicBorderRaw8", DemosaicBorderRaw8, 8, bits, &g_wb});
        k.push_back({"BgrToGray8", BgrToGray8, bits, 8, nullptr});
        k.push_back({"BrightnessColor8", BrightnessColor8, bits, bits, &g_filter});
        k.push_back({"ContrastColor8", ContrastColor8, bits, bits, &g_filter});
        k.push_back({"GammaColor8", GammaColor8, bits, bits, &g_filter});
        k.push_back({"SharpnessColor8", SharpnessColor8, bits, bits, &g_sharp});
        k.push_back({"HueSaturationColor8", HueSaturationColor8, bits, bits, &g_hue});
    }
    k.push_back({"Bgr32InvertAlpha", Bgr32InvertAlpha, 32, 32, nullptr});
    for (uint16_t bits : {48, 64}) {
        k.push_back({"Color12To8", Color12To8, bits, 24, nullptr});
        k.push_back({"Color12To8Flipped", Color12To8Flipped, bits, 24, nullptr});
        k.push_back({"Color10To8Flipped", Color10To8Flipped, bits, 24, nullptr});
        k.push_back({"DemosaicInteriorRaw16", DemosaicInteriorRaw16, 16, bits, &g_wb});
        k.push_back({"DemosaicBorderRaw16", DemosaicBorderRaw16, 16, bits, &g_wb});
        k.push_back({"BrightnessColor16", BrightnessColor16, bits, bits, &g_filter});
        k.push_back({"ContrastColor16", ContrastColor16, bits, bits, &g_filter});
        k.push_back({"GammaColor16", GammaColor16, bits, bits, &g_filter});
        k.push_back({"SharpnessColor16", SharpnessColor16, bits, bits, &g_sharp});
        k.push_back({"HueSaturationColor16", HueSaturationColor16, bits, bits, &g_hue});
    }
    k.push_back({"Color12To16", Color12To16, 48, 48, nullptr});
    k.push_back({"Color12To16Swap", Color12To16Swap, 48, 48, nullptr});
    k.push_back({"Color12To16Alpha", Color12To16Alpha, 64, 64, nullptr});
    k.push_back({"Color12To16AlphaSwap", Color12To16AlphaSwap, 64, 64, nullptr});
    return k;
}

TEST(Bounds, EveryKernelOnEverySmallImage) {
    std::mt19937 rng(11);
    for (bool baseline : {false, true}) {
        const test::BaselineScope scope(baseline);
        for (const KernelCase& k : AllKernels()) {
            for (int w = 1; w <= 6; ++w)
                for (int h = 1; h <= 6; ++h) {
                    CDibImage src, dst;
                    ASSERT_EQ(src.Create(w, h, k.srcBits), 1);
                    ASSERT_EQ(dst.Create(w, h, k.dstBits), 1);
                    test::FillRandom(src, rng);
                    test::FillRandom(dst, rng);
                    dst.Transfer(k.kernel, &src, nullptr, 0, 0, k.param);
                    // A sub-rectangle reaching outside the source on every side, placed
                    // partly outside the destination.
                    const Rect wide{-2, -3, w + 4, h + 1};
                    dst.Transfer(k.kernel, &src, &wide, -1, 1, k.param);
                    const Rect inner{0, 0, (w + 1) / 2, (h + 1) / 2};
                    dst.Transfer(k.kernel, &src, &inner, w / 2, h / 2, k.param);
                }
        }
    }
}

TEST(Bounds, ScalingBetweenEverySmallSize) {
    std::mt19937 rng(12);
    for (int ws = 1; ws <= 5; ++ws)
        for (int hs = 1; hs <= 5; ++hs)
            for (int wd = 1; wd <= 5; ++wd)
                for (int hd = 1; hd <= 5; ++hd)
                    for (uint16_t bits : {8, 24, 32}) {
                        CDibImage src, dst;
                        ASSERT_EQ(src.Create(ws, hs, bits), 1);
                        ASSERT_EQ(dst.Create(wd, hd, bits == 32 ? 24 : bits), 1);
                        test::FillRandom(src, rng);
                        ScaleKernel kernel = bits == 8 ? ScaleNearestMono8 : ScaleNearestBgr24;
                        EXPECT_EQ(dst.TransferScaled(kernel, &src, nullptr, nullptr, nullptr), 1);
                    }
}

// A source rectangle reaching outside the source reaches the kernel clipped to both buffers,
// with equal sizes.
int32_t RecordRect(uint8_t*, const uint8_t*, const Rect& rect, int32_t x, int32_t y, int32_t,
                   int32_t, int32_t, int32_t, void* param) {
    auto* out = static_cast<std::vector<int32_t>*>(param);
    *out = {rect.left, rect.top, rect.right, rect.bottom, x, y};
    return 1;
}

TEST(Bounds, TransferClipsAnOversizedSourceRectangle) {
    CDibImage src, dst;
    ASSERT_EQ(src.Create(10, 8, 8), 1);
    ASSERT_EQ(dst.Create(10, 8, 8), 1);
    std::vector<int32_t> got;
    const Rect r{-3, -2, 14, 12};
    ASSERT_EQ(dst.Transfer(RecordRect, &src, &r, 0, 0, &got), 1);
    ASSERT_EQ(got.size(), 6u);
    const int left = got[0], top = got[1], right = got[2], bottom = got[3], x = got[4], y = got[5];
    EXPECT_GE(left, 0);
    EXPECT_GE(top, 0);
    EXPECT_LE(right, 10);
    EXPECT_LE(bottom, 8);
    EXPECT_GE(x, 0);
    EXPECT_GE(y, 0);
    EXPECT_LE(x + (right - left), 10);
    EXPECT_LE(y + (bottom - top), 8);
}

}  // namespace
}  // namespace rezive
