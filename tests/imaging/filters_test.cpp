#include "imaging/filters.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "image_fixture.h"

namespace rezive {
namespace {

using test::Get16;
using test::Get8;
using test::Set16;
using test::Set8;

// Runs kernel in place on a 1 x 1 image holding `in` in every channel; returns channel 0.
int OneSample(PixelKernel kernel, uint16_t bits, int in, void* param) {
    CDibImage img;
    EXPECT_EQ(img.Create(1, 1, bits), 1);
    const int channels = bits == 8 || bits == 16 ? 1 : 3;
    const bool wide = bits == 16 || bits >= 48;
    for (int k = 0; k < channels; ++k) {
        if (wide)
            Set16(img, 0, 0, k, static_cast<uint16_t>(in));
        else
            Set8(img, 0, 0, k, static_cast<uint8_t>(in));
    }
    EXPECT_EQ(img.Transfer(kernel, &img, nullptr, 0, 0, param), 1);
    return wide ? Get16(img, 0, 0) : Get8(img, 0, 0);
}

struct SampleCase {
    const char* name;
    PixelKernel kernel;
    uint16_t bits;
    int value;
    int in, out;
};

class SampleMap : public ::testing::TestWithParam<SampleCase> {};

TEST_P(SampleMap, MapsTheExampleSamples) {
    const SampleCase& c = GetParam();
    FilterParams p{c.value, 12};
    EXPECT_EQ(OneSample(c.kernel, c.bits, c.in, &p), c.out) << c.name << " " << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, SampleMap,
    ::testing::Values(
        SampleCase{"BrightnessMono8", BrightnessMono8, 8, 255, 20, 220},
        SampleCase{"BrightnessColor8", BrightnessColor8, 24, 255, 30, 255},
        SampleCase{"BrightnessColor8", BrightnessColor8, 32, -255, 255, 0},
        SampleCase{"BrightnessMono8", BrightnessMono8, 8, -255, 1, 0},
        SampleCase{"BrightnessMono8", BrightnessMono8, 8, -100, 200, 121},
        SampleCase{"BrightnessMono16", BrightnessMono16, 16, 128, 500, 3009},
        SampleCase{"BrightnessColor16", BrightnessColor16, 48, 128, 1000, 4095},
        SampleCase{"BrightnessColor16", BrightnessColor16, 64, -255, 4095, 0},
        SampleCase{"ContrastMono8", ContrastMono8, 8, 64, 63, 0},
        SampleCase{"ContrastMono8", ContrastMono8, 8, 64, 64, 0},
        SampleCase{"ContrastColor8", ContrastColor8, 24, 64, 128, 128},
        SampleCase{"ContrastColor8", ContrastColor8, 32, 64, 191, 254},
        SampleCase{"ContrastColor8", ContrastColor8, 24, 64, 192, 255},
        SampleCase{"ContrastMono8", ContrastMono8, 8, -127, 0, 63},
        SampleCase{"ContrastMono8", ContrastMono8, 8, -127, 255, 191},
        // 16-bit: A = 64 << 4 = 1024, slope 4096 / 2048.
        SampleCase{"ContrastMono16", ContrastMono16, 16, 64, 1023, 0},
        SampleCase{"ContrastMono16", ContrastMono16, 16, 64, 2048, 2048},
        SampleCase{"ContrastColor16", ContrastColor16, 48, 64, 3072, 4095},
        SampleCase{"ContrastColor16", ContrastColor16, 64, 64, 60000, 4095},  // above V
        SampleCase{"ContrastMono16", ContrastMono16, 16, -127, 0, 1019},
        SampleCase{"GammaMono8", GammaMono8, 8, 50, 64, 127},
        SampleCase{"GammaColor8", GammaColor8, 24, 200, 254, 244},
        SampleCase{"GammaMono8", GammaMono8, 8, 0, 0, 255},
        SampleCase{"GammaColor8", GammaColor8, 24, 0, 0, 0},
        SampleCase{"GammaMono16", GammaMono16, 16, 0, 0, 4095},
        SampleCase{"GammaColor16", GammaColor16, 48, 0, 0, 4095},
        SampleCase{"GammaMono16", GammaMono16, 16, 50, 1024, 2047},
        SampleCase{"GammaColor16", GammaColor16, 64, 110, 4095, 4093},
        SampleCase{"GammaMono16", GammaMono16, 16, 200, 65535, 4084}));  // above V -> T[V]

// Every 8-bit brightness setting on every sample value against the single-precision formula
// (the kernel may use exact fixed point for it). The baseline build gets the same checks in the
// run with REZIVE_FORCE_BASELINE=1 (scripts/test.sh).
TEST(Filters, EightBitBrightnessMatchesTheFloatFormulaForEverySetting) {
    for (int b = -255; b <= 255; ++b) {
        const float k = BrightnessFactor(b);
        for (uint16_t bits : {8, 32}) {
            CDibImage img;
            ASSERT_EQ(img.Create(256, 1, bits), 1);
            for (int v = 0; v < 256; ++v)
                for (int ch = 0; ch < bits / 8; ++ch)
                    Set8(img, v, 0, ch, static_cast<uint8_t>(v));
            FilterParams p{b, 12};
            ASSERT_EQ(img.Transfer(bits == 8 ? BrightnessMono8 : BrightnessColor8, &img,
                                   nullptr, 0, 0, &p),
                      1);
            for (int v = 0; v < 256; ++v) {
                const int want = std::min(static_cast<int>(static_cast<float>(v) * k), 255);
                ASSERT_EQ(Get8(img, v, 0, 0), want) << "brightness " << b << " sample " << v;
                if (bits == 32) {
                    ASSERT_EQ(Get8(img, v, 0, 2), want);
                    ASSERT_EQ(Get8(img, v, 0, 3), v) << "fourth byte";
                }
            }
        }
    }
}

TEST(FilterTables, SixteenBitGammaDividesByTheTableSize) {
    std::vector<uint16_t> t(4096);
    BuildGammaTable16(100, 12, t.data());
    EXPECT_EQ(t[4095], 4094);
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[2048], 2047);
}

TEST(FilterTables, CacheMatchesTheBuildersAndFollowsChanges) {
    FilterTables cache;
    for (int n : {8, 12, 16}) {
        for (int value : {-127, -5, 0, 64, 127}) {
            std::vector<uint16_t> expect(static_cast<size_t>(1) << n);
            BuildContrastTable16(value, n, expect.data());
            const uint16_t* got = cache.Contrast16(value, n);
            ASSERT_NE(got, nullptr);
            EXPECT_TRUE(std::equal(expect.begin(), expect.end(), got)) << value << " n " << n;
        }
        for (int value : {0, 37, 100, 150, 200}) {
            std::vector<uint16_t> expect(static_cast<size_t>(1) << n);
            BuildGammaTable16(value, n, expect.data());
            const uint16_t* got = cache.Gamma16(value, n);
            ASSERT_NE(got, nullptr);
            EXPECT_TRUE(std::equal(expect.begin(), expect.end(), got)) << value << " n " << n;
        }
    }
}

// ---------------------------------------------------------------------------------------
// Whole-image checks on every layout: each colour sample follows a per-sample reference,
// padding and a fourth channel keep their bytes.

struct Layout {
    uint16_t bits;
    int channels;  // colour channels the filter touches
    bool wide;     // 16-bit samples
};

constexpr Layout kMono8{8, 1, false}, kMono16{16, 1, true}, kBgr24{24, 3, false},
    kBgr32{32, 3, false}, kBgr48{48, 3, true}, kBgr64{64, 3, true};

int Sample(const CDibImage& img, const Layout& l, int x, int y, int k) {
    return l.wide ? Get16(img, x, y, k) : Get8(img, x, y, k);
}

void CopyImage(const CDibImage& from, CDibImage& to) {
    ASSERT_EQ(to.CreateLike(&from), 1);
    std::copy_n(from.Bits(), from.SizeBytes(), to.Bits());
}

// Bytes of the buffer that no colour sample covers (row padding, fourth channels).
std::vector<bool> UntouchableBytes(const CDibImage& img, const Layout& l) {
    std::vector<bool> mask(img.SizeBytes(), true);
    const int sampleBytes = l.wide ? 2 : 1;
    for (int y = 0; y < img.Height(); ++y)
        for (int x = 0; x < img.Width(); ++x)
            for (int b = 0; b < l.channels * sampleBytes; ++b)
                mask[static_cast<size_t>(y) * img.Stride() + x * img.BytesPerPixel() + b] = false;
    return mask;
}

struct ToneCase {
    const char* name;
    PixelKernel kernel;
    Layout layout;
    int value;
    std::function<int(int)> reference;
};

std::function<int(int)> BrightnessRef(int b, int limit) {
    const float k = BrightnessFactor(b);
    return [k, limit](int v) {
        return std::clamp(static_cast<int>(static_cast<float>(v) * k), 0, limit);
    };
}

std::function<int(int)> TableRef8(void (*build)(int32_t, uint8_t*), int value) {
    std::array<uint8_t, 256> t{};
    build(value, t.data());
    return [t](int v) { return t[v]; };
}

std::function<int(int)> TableRef16(void (*build)(int32_t, int32_t, uint16_t*), int value) {
    std::vector<uint16_t> t(4096);
    build(value, 12, t.data());
    return [t](int v) { return t[std::min(v, 4095)]; };
}

std::function<int(int)> GammaRef8(int value, bool colour) {
    std::array<uint8_t, 256> t{};
    BuildGammaTable8(value, colour, t.data());
    return [t](int v) { return t[v]; };
}

TEST(Filters, ToneFiltersOnEveryLayoutWithPaddedStrides) {
    const ToneCase cases[] = {
        {"BrightnessMono8", BrightnessMono8, kMono8, 77, BrightnessRef(77, 255)},
        {"BrightnessMono16", BrightnessMono16, kMono16, -31, BrightnessRef(-31, 4095)},
        {"BrightnessColor8 24", BrightnessColor8, kBgr24, 13, BrightnessRef(13, 255)},
        {"BrightnessColor8 32", BrightnessColor8, kBgr32, -200, BrightnessRef(-200, 255)},
        {"BrightnessColor16 48", BrightnessColor16, kBgr48, 5, BrightnessRef(5, 4095)},
        {"BrightnessColor16 64", BrightnessColor16, kBgr64, 255, BrightnessRef(255, 4095)},
        {"ContrastMono8", ContrastMono8, kMono8, 40, TableRef8(BuildContrastTable8, 40)},
        {"ContrastColor8 32", ContrastColor8, kBgr32, -60, TableRef8(BuildContrastTable8, -60)},
        {"ContrastMono16", ContrastMono16, kMono16, 12, TableRef16(BuildContrastTable16, 12)},
        {"ContrastColor16 64", ContrastColor16, kBgr64, -3, TableRef16(BuildContrastTable16, -3)},
        {"GammaMono8", GammaMono8, kMono8, 0, GammaRef8(0, false)},
        {"GammaColor8 24", GammaColor8, kBgr24, 0, GammaRef8(0, true)},
        {"GammaColor8 32", GammaColor8, kBgr32, 170, GammaRef8(170, true)},
        {"GammaColor16 48", GammaColor16, kBgr48, 70, TableRef16(BuildGammaTable16, 70)},
        {"GammaMono16", GammaMono16, kMono16, 130, TableRef16(BuildGammaTable16, 130)},
    };
    std::mt19937 rng(7);
    for (const ToneCase& c : cases) {
        for (int width : {1, 3, 5, 8}) {
            for (bool withCache : {false, true}) {
                CDibImage img, before;
                ASSERT_EQ(img.Create(width, 3, c.layout.bits), 1);
                // 16-bit images hold words up to 65535: above the 12-bit limit must clamp.
                if (c.layout.wide)
                    test::FillRandom16(img, rng, width == 5 ? 65535 : 4095);
                else
                    test::FillRandom(img, rng);
                CopyImage(img, before);
                FilterTables tables;
                FilterParams p{c.value, 12, withCache ? &tables : nullptr};
                ASSERT_EQ(img.Transfer(c.kernel, &img, nullptr, 0, 0, &p), 1) << c.name;
                for (int y = 0; y < 3; ++y)
                    for (int x = 0; x < width; ++x)
                        for (int k = 0; k < c.layout.channels; ++k)
                            ASSERT_EQ(Sample(img, c.layout, x, y, k),
                                      c.reference(Sample(before, c.layout, x, y, k)))
                                << c.name << " width " << width << " at " << x << "," << y;
                const auto mask = UntouchableBytes(img, c.layout);
                for (size_t i = 0; i < mask.size(); ++i)
                    if (mask[i]) {
                        ASSERT_EQ(img.Bits()[i], before.Bits()[i]) << c.name << " byte " << i;
                    }
            }
        }
    }
}

// ---------------------------------------------------------------------------------------
// Sharpness: the two passes written out (blur into the destination, then the table D).

void ReferenceSharpen(const CDibImage& src, CDibImage& dst, const Layout& l, int s) {
    const int limit = l.wide ? 4095 : 255;
    std::vector<int> d(2 * limit + 1);
    for (int j = 0; j <= 2 * limit; ++j) d[j] = s * (j - limit) / 10;
    auto in = [&](int x, int y, int k) { return std::min(Sample(src, l, x, y, k), limit); };
    for (int y = 2; y <= src.Height() - 3; ++y)
        for (int x = 2; x <= src.Width() - 3; ++x)
            for (int k = 0; k < l.channels; ++k) {
                int sum = 0;
                for (int dy = -2; dy <= 1; ++dy)
                    for (int dx = -2; dx <= 1; ++dx) sum += in(x + dx, y + dy, k);
                const int blur = sum >> 4;
                const int v = std::clamp(in(x, y, k) + d[in(x, y, k) - blur + limit], 0, limit);
                if (l.wide)
                    Set16(dst, x, y, k, static_cast<uint16_t>(v));
                else
                    Set8(dst, x, y, k, static_cast<uint8_t>(v));
            }
}

TEST(Filters, SharpnessMatchesTheTwoPassFilterOnEveryLayout) {
    struct Case {
        const char* name;
        PixelKernel kernel;
        Layout layout;
    };
    const Case cases[] = {
        {"Mono8", SharpnessMono8, kMono8},        {"Mono16", SharpnessMono16, kMono16},
        {"Color8 24", SharpnessColor8, kBgr24},   {"Color8 32", SharpnessColor8, kBgr32},
        {"Color16 48", SharpnessColor16, kBgr48}, {"Color16 64", SharpnessColor16, kBgr64}};
    std::mt19937 rng(99);
    const int sizes[][2] = {{1, 1}, {4, 4}, {5, 5}, {7, 6}, {13, 9}, {300, 7}};
    for (const Case& c : cases)
        for (const auto& size : sizes)
            for (int s : {1, 10, 30, 200}) {
                CDibImage work, frame, expect;
                ASSERT_EQ(work.Create(size[0], size[1], c.layout.bits), 1);
                if (c.layout.wide)
                    test::FillRandom16(work, rng, s == 30 ? 65535 : 4095);
                else
                    test::FillRandom(work, rng);
                CopyImage(work, frame);
                CopyImage(work, expect);
                ReferenceSharpen(work, expect, c.layout, s);
                FilterParams p{s, 12};
                ASSERT_EQ(frame.Transfer(c.kernel, &work, nullptr, 0, 0, &p), 1);
                for (size_t i = 0; i < frame.SizeBytes(); ++i)
                    ASSERT_EQ(frame.Bits()[i], expect.Bits()[i])
                        << c.name << " " << size[0] << "x" << size[1] << " s " << s << " byte "
                        << i;
            }
}

TEST(Filters, SharpnessLeavesFlatImagesAndRefusesToRunInPlace) {
    CDibImage work, frame;
    ASSERT_EQ(work.Create(9, 9, 24), 1);
    std::fill_n(work.Bits(), work.SizeBytes(), 90);
    CopyImage(work, frame);
    FilterParams p{30, 12};
    ASSERT_EQ(frame.Transfer(SharpnessColor8, &work, nullptr, 0, 0, &p), 1);
    for (size_t i = 0; i < frame.SizeBytes(); ++i) ASSERT_EQ(frame.Bits()[i], 90);
    EXPECT_EQ(frame.Transfer(SharpnessColor8, &frame, nullptr, 0, 0, &p), 0);
}

// ---------------------------------------------------------------------------------------
// Hue and saturation.

struct HueCase {
    int hue, saturation;
    std::array<int, 3> in, out;  // blue, green, red
};

class HueExamples : public ::testing::TestWithParam<HueCase> {};

TEST_P(HueExamples, Color8AndColor16Agree) {
    const HueCase& c = GetParam();
    HueSaturationParams p{c.hue, 0, c.saturation, 12};
    for (uint16_t bits : {24, 32, 48, 64}) {
        CDibImage img;
        ASSERT_EQ(img.Create(2, 1, bits), 1);
        const bool wide = bits >= 48;
        for (int x = 0; x < 2; ++x) {
            for (int k = 0; k < 3; ++k) {
                // 16-bit channels carry the byte in their top 8 of 12 bits, plus low bits that
                // the filter drops.
                if (wide)
                    Set16(img, x, 0, k, static_cast<uint16_t>((c.in[k] << 4) | 9));
                else
                    Set8(img, x, 0, k, static_cast<uint8_t>(c.in[k]));
            }
            if (bits == 32) Set8(img, x, 0, 3, 0xA5);
            if (bits == 64) Set16(img, x, 0, 3, 0xBEEF);
        }
        ASSERT_EQ(img.Transfer(wide ? HueSaturationColor16 : HueSaturationColor8, &img, nullptr, 0,
                               0, &p),
                  1);
        for (int x = 0; x < 2; ++x) {
            for (int k = 0; k < 3; ++k) {
                const int got = wide ? Get16(img, x, 0, k) : Get8(img, x, 0, k);
                EXPECT_EQ(got, wide ? c.out[k] << 4 : c.out[k])
                    << "hue " << c.hue << " sat " << c.saturation << " bits " << bits << " ch "
                    << k;
            }
            if (bits == 32) {
                EXPECT_EQ(Get8(img, x, 0, 3), 0xA5);
            }
            if (bits == 64) {
                EXPECT_EQ(Get16(img, x, 0, 3), 0xBEEF);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Examples, HueExamples,
    ::testing::Values(HueCase{120, 0, {0, 0, 255}, {0, 255, 2}},
                      HueCase{240, 0, {0, 0, 255}, {255, 2, 0}},
                      HueCase{1, 0, {10, 100, 200}, {10, 103, 200}},
                      HueCase{360, 0, {10, 100, 200}, {10, 100, 200}},
                      HueCase{-360, 0, {10, 100, 200}, {10, 100, 200}},
                      HueCase{0, -255, {10, 100, 200}, {104, 104, 105}},
                      HueCase{0, 255, {10, 100, 200}, {0, 99, 210}},
                      HueCase{90, 200, {77, 77, 77}, {77, 77, 77}},  // gray stays gray
                      HueCase{0, 0, {255, 255, 255}, {255, 255, 255}}));

// The packed-colour algorithm written out with its tables, as a reference for the kernel.
struct PackedHueReference {
    int q0, r0;
    std::array<uint32_t, 256> reciprocal{};
    std::array<int, 256> sat{};

    explicit PackedHueReference(int hue, int saturation) {
        const int u = hue * 65536 / 360;
        const int l = ((u & 0xFFFF) * 6) >> 8;
        const int h0 = l - 2 * ((l + 256) / 512);
        q0 = h0 / 255;
        r0 = h0 % 255;
        for (int c = 1; c < 256; ++c) reciprocal[c] = 0xFF0000u / static_cast<uint32_t>(c);
        for (int c = 0; c < 256; ++c) sat[c] = (c * (saturation + 256) + 128) / 256;
    }

    uint32_t operator()(int r, int g, int b) const {
        static const uint32_t mask[6] = {0xFF00FF, 0xFF0000, 0xFFFF00,
                                         0x00FF00, 0x00FFFF, 0x0000FF};
        static const int32_t mult[6] = {-1, 0x100, -0x10000, 1, -0x100, 0x10000};
        const int mx = std::max({r, g, b}), mn = std::min({r, g, b});
        const int c = mx - mn, l = mx + mn;
        int s, n;
        if (r >= g) {
            s = 1, n = g - b;
            if (b > r) s = 5, n = r - g;
        } else {
            s = 3, n = b - r;
            if (b > g) s = 5, n = r - g;
        }
        if (n < 0) s -= 1, n += c;
        const int limit = l < 256 ? l : 511 - l;
        const int c1 = std::min(limit, sat[c]);
        const int lo = (l - c1) >> 1, c2 = ((l + c1) >> 1) - lo;
        uint32_t p = static_cast<uint32_t>(lo) * 0x010101u;
        if (c != 0) {
            int f =
                static_cast<int>((reciprocal[c] * static_cast<uint32_t>(n) + 0x8000) >> 16) + r0;
            s += q0;
            if (f >= 255) f -= 255, s += 1;
            p += (static_cast<uint32_t>(c2) * 0x010101u) & mask[s % 6];
            p += static_cast<uint32_t>((c2 * f + 128) >> 8) * static_cast<uint32_t>(mult[s % 6]);
        }
        return p;
    }
};

// Every colour (or a random million of them) through the kernel against the packed reference.
TEST(Filters, HueSaturationMatchesThePackedAlgorithmOnEveryColour) {
    struct Case {
        int hue, saturation;
        bool exhaustive;
    };
    const Case cases[] = {{120, 0, true},  {-77, 200, false},  {233, -150, false},
                          {1, 255, false}, {359, -255, false}, {-360, 17, false}};
    std::mt19937 rng(3);
    for (const Case& c : cases) {
        const PackedHueReference ref(c.hue, c.saturation);
        HueSaturationParams p{c.hue, 0, c.saturation, 12};
        CDibImage img;
        ASSERT_EQ(img.Create(4096, 16, 24), 1);
        const int blocks = c.exhaustive ? 256 : 16;
        for (int block = 0; block < blocks; ++block) {
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 4096; ++x) {
                    const uint32_t colour =
                        c.exhaustive ? static_cast<uint32_t>(block * 65536 + y * 4096 + x)
                                     : static_cast<uint32_t>(rng()) & 0xFFFFFF;
                    Set8(img, x, y, 0, static_cast<uint8_t>(colour));
                    Set8(img, x, y, 1, static_cast<uint8_t>(colour >> 8));
                    Set8(img, x, y, 2, static_cast<uint8_t>(colour >> 16));
                }
            CDibImage before;
            CopyImage(img, before);
            ASSERT_EQ(img.Transfer(HueSaturationColor8, &img, nullptr, 0, 0, &p), 1);
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 4096; ++x) {
                    const uint32_t want = ref(Get8(before, x, y, 2), Get8(before, x, y, 1),
                                              Get8(before, x, y, 0));
                    const uint32_t got =
                        Get8(img, x, y, 0) | Get8(img, x, y, 1) << 8 | Get8(img, x, y, 2) << 16;
                    ASSERT_EQ(got, want & 0xFFFFFF)
                        << "hue " << c.hue << " sat " << c.saturation << " colour " << std::hex
                        << (Get8(before, x, y, 2) << 16 | Get8(before, x, y, 1) << 8 |
                            Get8(before, x, y, 0));
                }
        }
    }
}

TEST(Filters, LayoutsTooSmallForTheFilterAreRejected) {
    CDibImage mono;
    ASSERT_EQ(mono.Create(4, 4, 8), 1);
    FilterParams p{10, 12};
    HueSaturationParams h{90, 0, 0, 12};
    EXPECT_EQ(mono.Transfer(BrightnessColor8, &mono, nullptr, 0, 0, &p), 0);
    EXPECT_EQ(mono.Transfer(GammaMono16, &mono, nullptr, 0, 0, &p), 0);
    EXPECT_EQ(mono.Transfer(HueSaturationColor8, &mono, nullptr, 0, 0, &h), 0);
    EXPECT_EQ(mono.Transfer(ContrastMono8, &mono, nullptr, 0, 0, nullptr), 0);
}

}  // namespace
}  // namespace rezive
