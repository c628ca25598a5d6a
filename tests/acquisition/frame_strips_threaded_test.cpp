// The strip pipeline against the pass-by-pass one: random frames, settings and sizes, every
// colour mode, both CPU builds, bands of one row up to the whole frame, on one thread and on a
// pool. Every byte of every buffer the steps write must agree.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "acquisition/frame_pipeline.h"
#include "imaging/image_fixture.h"

namespace rezive {
namespace {

using test::FillRandom;
using test::FillRandom16;

struct Buffers {
    CDibImage raw, output, color, work;

    FrameImages Images(const FrameRecipe& r) {
        const bool mono = r.colorMode <= 1;
        return {&raw, mono ? &raw : &output, mono ? &color : nullptr, &work};
    }
};

constexpr uint16_t kOutputBits[] = {8, 16, 24, 32, 48, 64};

void MakeBuffers(Buffers& b, int32_t colorMode, int32_t w, int32_t h) {
    const bool sixteen = colorMode == 1 || colorMode == 4 || colorMode == 5;
    b.raw.Create(w, h, sixteen ? 16 : 8);
    CDibImage& out = colorMode <= 1 ? b.raw : b.output;
    if (colorMode >= 2) b.output.Create(w, h, kOutputBits[colorMode]);
    b.color.Create(w, h, colorMode == 0 ? 24 : 48);
    b.work.CreateLike(&out);
}

void CopyBuffers(const Buffers& from, Buffers& to) {
    const CDibImage* src[] = {&from.raw, &from.output, &from.color, &from.work};
    CDibImage* dst[] = {&to.raw, &to.output, &to.color, &to.work};
    for (int i = 0; i < 4; ++i) {
        dst[i]->Destroy();
        if (src[i]->Empty()) continue;
        dst[i]->CreateLike(src[i]);
        std::memcpy(dst[i]->Bits(), src[i]->Bits(), src[i]->SizeBytes());
    }
}

FrameRecipe RandomRecipe(std::mt19937& rng, int32_t colorMode) {
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto maybe = [&](int off, int lo, int hi) { return pick(0, 2) == 0 ? off : pick(lo, hi); };
    FrameRecipe r;
    r.colorMode = colorMode;
    r.grayMode = pick(0, 2);
    r.whiteBalance = {pick(0, 3), pick(0, 400), 100, pick(0, 400)};
    BayerGainParams& g = r.grayGain;
    g.phase = r.whiteBalance.phase;
    g.bitDepth = colorMode == 0 ? 8 : 12;
    if (pick(0, 3) != 0) {
        g.gainR = pick(0, 300), g.gainG1 = pick(0, 300), g.gainG2 = pick(0, 300);
        g.gainB = pick(0, 300);
        g.offsetR = pick(-50, 50), g.offsetG1 = pick(-50, 50), g.offsetG2 = pick(-50, 50);
        g.offsetB = pick(-50, 50);
    }
    r.hue = maybe(0, -360, 360);
    r.saturation = maybe(0, -255, 255);
    r.gamma = maybe(100, 0, 200);
    r.contrast = maybe(0, -127, 127);
    r.sharpness = maybe(0, -30, 200);
    r.brightness = maybe(0, -255, 255);
    return r;
}

::testing::AssertionResult SameBytes(const CDibImage& a, const CDibImage& b, const char* what) {
    if (a.SizeBytes() != b.SizeBytes()) return ::testing::AssertionFailure() << what << " size";
    for (size_t i = 0; i < a.SizeBytes(); ++i)
        if (a.Bits()[i] != b.Bits()[i])
            return ::testing::AssertionFailure()
                   << what << " differs first at byte " << i << " (row " << i / a.Stride()
                   << "): " << int(a.Bits()[i]) << " in bands, " << int(b.Bits()[i]) << " in passes";
    return ::testing::AssertionSuccess();
}

struct Shape {
    int32_t w, h;
};

// Tiny and odd shapes (one row, one column, below the five-pixel filter frames, strides that
// pad) and one full sensor frame.
constexpr Shape kShapes[] = {{1, 1},  {1, 9},  {9, 1},  {2, 3},   {4, 4},    {5, 5},
                             {6, 7},  {7, 6},  {13, 11}, {31, 17}, {64, 40}, {1280, 720}};

TEST(FrameStrips, BandsGiveThePassesBitsForEveryModeSizeBuildAndPool) {
    std::mt19937 rng(20261210);
    platform::WorkerPool onePool(1), sharedPool(3);
    platform::WorkerPool::Lease lease(sharedPool);
    for (bool baseline : {false, true}) {
        test::BaselineScope scope(baseline);
        for (int32_t mode = 0; mode < 6; ++mode) {
            for (const Shape& shape : kShapes) {
                const bool full = shape.w == 1280;
                for (int round = 0; round < (full ? 1 : 6); ++round) {
                    const FrameRecipe recipe = RandomRecipe(rng, mode);
                    Buffers bands, passes;
                    MakeBuffers(bands, mode, shape.w, shape.h);
                    FillRandom(bands.output, rng);
                    FillRandom(bands.color, rng);
                    FillRandom(bands.work, rng);
                    // 16-bit mosaics sometimes carry samples above their 12 bits.
                    if (bands.raw.BitsPerPixel() == 16)
                        FillRandom16(bands.raw, rng, round % 3 == 0 ? 65535 : 4095);
                    else
                        FillRandom(bands.raw, rng);
                    CopyBuffers(bands, passes);

                    const int32_t bandBytes = std::uniform_int_distribution<int32_t>(
                        1, full ? FrameStrips::kDefaultBandBytes : 2000)(rng);
                    FramePipeline pipeline(round % 2 == 0 ? sharedPool : onePool, bandBytes);
                    pipeline.Run(recipe, bands.Images(recipe));
                    FilterTables tables;
                    RunFramePasses(recipe, passes.Images(recipe), tables);

                    SCOPED_TRACE(::testing::Message()
                                 << "mode " << mode << ", " << shape.w << " x " << shape.h
                                 << ", baseline " << baseline << ", band bytes " << bandBytes
                                 << ", gray " << recipe.grayMode << ", hue " << recipe.hue
                                 << ", sat " << recipe.saturation << ", gamma " << recipe.gamma
                                 << ", contrast " << recipe.contrast << ", sharp "
                                 << recipe.sharpness << ", bright " << recipe.brightness);
                    ASSERT_TRUE(SameBytes(bands.raw, passes.raw, "mosaic"));
                    ASSERT_TRUE(SameBytes(bands.output, passes.output, "output"));
                    if (mode <= 1) {
                        ASSERT_TRUE(SameBytes(bands.color, passes.color, "colour"));
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace rezive
