#include "imaging/mosaic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

#include "image_fixture.h"

namespace rezive {
namespace {

using test::Get16;
using test::Get8;
using test::Set16;
using test::Set8;

// Colour of a mosaic position in the reconstruction convention: 'G', 'B' or 'R'.
char ColourAt(int col, int row, int phase) {
    const int rp = (row + (phase & 1)) & 1, cp = (col + ((phase >> 1) & 1)) & 1;
    if (rp == cp) return 'G';
    return rp == 0 ? 'B' : 'R';
}

// The reconstruction written the plain way: the weight table per parity, every neighbour
// brought inside by "four further inside" and then clamped.
struct Reference {
    const CDibImage& mosaic;
    int phase, redGain, blueGain;

    int Sample(int col, int row) const {
        auto inside = [](int i, int size) {
            if (i < 0)
                i += 4;
            else if (i >= size)
                i -= 4;
            return std::clamp(i, 0, size - 1);
        };
        const int c = inside(col, mosaic.Width()), r = inside(row, mosaic.Height());
        return mosaic.BitsPerPixel() == 16 ? Get16(mosaic, c, r) : Get8(mosaic, c, r);
    }

    std::array<int, 3> At(int x, int y) const {
        auto P = [&](int dx, int dy) -> int64_t { return Sample(x + dx, y + dy); };
        auto w = [&](int64_t a, int64_t b, int64_t c, int64_t d) {
            return 9 * a + 3 * b + 3 * c + d;
        };
        const int rp = (y + (phase & 1)) & 1, cp = (x + ((phase >> 1) & 1)) & 1;
        int64_t g1, g2, sb, sr;
        if (rp == 0 && cp == 0) {
            g1 = P(0, 0), g2 = P(-1, -1);
            sb = w(P(-1, 0), P(1, 0), P(-1, -2), P(1, -2));
            sr = w(P(0, -1), P(-2, -1), P(0, 1), P(-2, 1));
        } else if (rp == 0 && cp == 1) {
            g1 = P(-1, 0), g2 = P(0, -1);
            sb = w(P(0, 0), P(-2, 0), P(0, -2), P(-2, -2));
            sr = w(P(-1, -1), P(-1, 1), P(1, -1), P(1, 1));
        } else if (rp == 1 && cp == 0) {
            g1 = P(-1, 0), g2 = P(0, -1);
            sb = w(P(-1, -1), P(-1, 1), P(1, -1), P(1, 1));
            sr = w(P(0, 0), P(-2, 0), P(0, -2), P(-2, -2));
        } else {
            g1 = P(-1, -1), g2 = P(0, 0);
            sb = w(P(0, -1), P(-2, -1), P(0, 1), P(-2, 1));
            sr = w(P(-1, 0), P(1, 0), P(-1, -2), P(1, -2));
        }
        const int64_t limit = mosaic.BitsPerPixel() == 16 ? 4095 : 255;
        const int64_t kb = blueGain * 128 / 100, kr = redGain * 128 / 100;
        auto scale = [&](int64_t s, int64_t k) {
            return static_cast<int>(s * k >= (limit + 1) * 2048 ? limit : (s * k) >> 11);
        };
        return {scale(sb, kb), static_cast<int>(std::min((g1 + g2) >> 1, limit)), scale(sr, kr)};
    }
};

std::array<int, 4> PixelOf(const CDibImage& img, int x, int y) {
    std::array<int, 4> v{};
    const int channels = img.BitsPerPixel() == 32 || img.BitsPerPixel() == 64 ? 4 : 3;
    for (int k = 0; k < channels; ++k)
        v[k] = img.BitsPerPixel() >= 48 ? Get16(img, x, y, k) : Get8(img, x, y, k);
    return v;
}

TEST(Mosaic, EffectivePhaseFollowsTheMirrors) {
    struct Case {
        int mode;
        bool v, h;
        int phase;
    };
    const Case cases[] = {{3, true, true, 0},   {0, true, false, 1}, {1, false, true, 3},
                          {2, false, false, 2}, {2, true, false, 3}, {1, true, false, 0}};
    for (const Case& c : cases) EXPECT_EQ(EffectiveBayerPhase(c.mode, c.v, c.h), c.phase);
}

// Random mosaics of odd and even sizes, every phase, both sample widths, 3- and 4-channel
// outputs, random gains: every pixel against the plain formula, and a fourth channel untouched.
TEST(Mosaic, ReconstructionMatchesThePlainFormulaEverywhere) {
    std::mt19937 rng(417);
    // Every size up to 6 x 6 (images too small for the four-further-inside rule included),
    // then odd and even larger ones and one wider than a processing chunk.
    std::vector<std::array<int, 2>> sizes;
    for (int w = 1; w <= 6; ++w)
        for (int h = 1; h <= 6; ++h) sizes.push_back({w, h});
    for (auto size : {std::array<int, 2>{4, 7}, {7, 4}, {13, 9}, {37, 11}, {21, 25}, {1031, 7}})
        sizes.push_back(size);
    for (const auto& size : sizes) {
        for (uint16_t mosaicBits : {8, 16}) {
            for (int phase = 0; phase < 4; ++phase) {
                const bool four = (phase + size[0]) % 2 == 0;
                const uint16_t colorBits =
                    mosaicBits == 8 ? (four ? 32 : 24) : (four ? 64 : 48);
                CDibImage mosaic, color;
                ASSERT_EQ(mosaic.Create(size[0], size[1], mosaicBits), 1);
                ASSERT_EQ(color.Create(size[0], size[1], colorBits), 1);
                if (mosaicBits == 8) test::FillRandom(mosaic, rng);
                // Mostly 12-bit data, with some words above 4095 as a broken frame might hold.
                else
                    test::FillRandom16(mosaic, rng, phase == 3 ? 65535 : 4095);
                test::FillRandom(color, rng);
                CDibImage before;
                ASSERT_EQ(before.CreateLike(&color), 1);
                std::copy_n(color.Bits(), color.SizeBytes(), before.Bits());

                std::uniform_int_distribution<int> gain(0, 400);
                WhiteBalanceParams params{phase, gain(rng), 100, gain(rng)};
                ASSERT_EQ(ReconstructColor(color, mosaic, params, false), 1);
                const Reference ref{mosaic, phase, params.redGain, params.blueGain};
                for (int y = 0; y < size[1]; ++y)
                    for (int x = 0; x < size[0]; ++x) {
                        const auto got = PixelOf(color, x, y), old = PixelOf(before, x, y);
                        const auto want = ref.At(x, y);
                        ASSERT_EQ(got[0], want[0])
                            << size[0] << "x" << size[1] << " bits " << mosaicBits << " phase "
                            << phase << " at " << x << "," << y;
                        ASSERT_EQ(got[1], want[1]) << x << "," << y;
                        ASSERT_EQ(got[2], want[2]) << x << "," << y;
                        ASSERT_EQ(got[3], old[3])
                            << "fourth channel written at " << x << "," << y;
                    }
            }
        }
    }
}

// Mosaic with one value per colour of the reconstruction convention of phase `laid`.
void LayColours(CDibImage& m, int laid, int red, int green, int blue) {
    for (int y = 0; y < m.Height(); ++y)
        for (int x = 0; x < m.Width(); ++x) {
            const char c = ColourAt(x, y, laid);
            const int v = c == 'R' ? red : c == 'G' ? green : blue;
            if (m.BitsPerPixel() == 16)
                Set16(m, x, y, 0, static_cast<uint16_t>(v));
            else
                Set8(m, x, y, 0, static_cast<uint8_t>(v));
        }
}

TEST(Mosaic, FlatColourFieldsReconstructEverywhere) {
    struct Case {
        uint16_t bits;
        int red, green, blue;  // laid at phase 1
        int readPhase;         // phase the reconstruction uses
        int redGain, blueGain;
        std::array<int, 3> bgr;  // every output pixel, borders included
    };
    const Case cases[] = {
        {8, 100, 100, 100, 1, 100, 100, {100, 100, 100}},
        {8, 200, 100, 50, 1, 100, 100, {50, 100, 200}},
        {8, 200, 100, 50, 2, 100, 100, {200, 100, 50}},    // both phase bits inverted
        {8, 200, 100, 50, 0, 100, 100, {100, 125, 100}},   // row bit inverted
        {8, 200, 100, 50, 3, 100, 100, {100, 125, 100}},   // column bit inverted
        {8, 200, 200, 200, 1, 200, 100, {200, 200, 255}},  // product >= 256 x 2048
        {16, 3000, 3000, 3000, 1, 200, 100, {3000, 3000, 4095}},
        {16, 128, 128, 128, 1, 99, 399, {510, 128, 126}},  // factors 126 and 510
        {16, 4000, 4095, 1000, 2, 100, 100, {4000, 4095, 1000}},
    };
    for (const Case& c : cases) {
        for (int w : {9, 10}) {
            CDibImage mosaic, color;
            ASSERT_EQ(mosaic.Create(w, 7, c.bits), 1);
            ASSERT_EQ(color.Create(w, 7, c.bits == 8 ? 24 : 48), 1);
            LayColours(mosaic, 1, c.red, c.green, c.blue);
            WhiteBalanceParams params{c.readPhase, c.redGain, 100, c.blueGain};
            ASSERT_EQ(ReconstructColor(color, mosaic, params, false), 1);
            for (int y = 0; y < 7; ++y)
                for (int x = 0; x < w; ++x) {
                    const auto p = PixelOf(color, x, y);
                    ASSERT_EQ((std::array<int, 3>{p[0], p[1], p[2]}), c.bgr)
                        << "case red " << c.red << " phase " << c.readPhase << " at " << x << ","
                        << y;
                }
        }
    }
}

TEST(Mosaic, AutomaticWhiteBalanceFollowsTheExactOperationOrder) {
    struct Case {
        int green, blue, red;  // colour means
        bool ok;
        int redGain, blueGain;  // as stored (limited to 400)
    };
    const Case cases[] = {{100, 100, 50, true, 200, 100},
                          {200, 100, 100, true, 199, 199},
                          {150, 75, 30, true, 400, 200},
                          {100, 0, 50, false, 7, 9},  // black blue: previous gains kept
                          {0, 0, 0, false, 7, 9}};
    for (const Case& c : cases) {
        for (uint16_t bits : {8, 16}) {
            CDibImage mosaic, color;
            ASSERT_EQ(mosaic.Create(8, 6, bits), 1);
            ASSERT_EQ(color.Create(8, 6, bits == 8 ? 24 : 48), 1);
            LayColours(mosaic, 2, c.red, c.green, c.blue);
            WhiteBalanceParams params{2, 7, 100, 9};
            bool measured = !c.ok;
            ASSERT_EQ(ReconstructColor(color, mosaic, params, true, &measured), 1);
            EXPECT_EQ(measured, c.ok);
            EXPECT_EQ(params.redGain, c.redGain) << c.green << "/" << c.blue << "/" << c.red;
            EXPECT_EQ(params.blueGain, c.blueGain) << c.green << "/" << c.blue << "/" << c.red;
            EXPECT_EQ(params.greenGain, 100);
        }
    }
}

TEST(Mosaic, WhiteBalanceMeasurementReportsUnlimitedGainsInItsBlock) {
    CDibImage mosaic;
    ASSERT_EQ(mosaic.Create(6, 4, 8), 1);
    LayColours(mosaic, 0, 30, 150, 75);
    WhiteBalanceMeasurement m;
    m.phase = 0;
    ASSERT_EQ(mosaic.Transfer(MeasureWhiteBalanceRaw8, &mosaic, nullptr, 0, 0, &m), 1);
    EXPECT_EQ(m.blueGain, 200);
    EXPECT_EQ(m.greenGain, 100);
    EXPECT_EQ(m.redGain, 500);
}

// Gray mode 1 with the gray convention: G1 at parities (0,0), R (0,1), B (1,0), G2 (1,1).
TEST(Mosaic, GainAndOffsetPerPosition) {
    struct Case {
        uint16_t bits;
        int bitDepth, gainR, gainG1, offsetR;
        int inR, outR;
        int inG1, outG1;
    };
    const Case cases[] = {
        {8, 8, 128, 129, -10, 5, 0, 100, 100},
        {8, 8, 128, 129, -10, 255, 245, 255, 255},
        {8, 8, 256, 64, 3, 100, 203, 101, 50},
        {16, 12, 128, 129, -10, 4095, 4085, 4095, 4095},
        {16, 12, 256, 128, 0, 3000, 4095, 70, 70},
        {16, 10, 128, 128, 0, 2000, 1023, 7, 7},
        {16, 14, 600000, 128, 0, 2, 9375, 65535, 16383},  // a measured gain with no upper limit
    };
    for (const Case& c : cases) {
        for (int phase = 0; phase < 4; ++phase) {
            CDibImage m;
            ASSERT_EQ(m.Create(5, 3, c.bits), 1);
            // Place inR at every R position and inG1 at every G1 position; zero elsewhere.
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 5; ++x) {
                    const int rp = (y + (phase & 1)) & 1, cp = (x + (phase >> 1)) & 1;
                    const int v = rp == 0 && cp == 1 ? c.inR : rp == 0 && cp == 0 ? c.inG1 : 0;
                    if (c.bits == 16)
                        Set16(m, x, y, 0, static_cast<uint16_t>(v));
                    else
                        Set8(m, x, y, 0, static_cast<uint8_t>(v));
                }
            BayerGainParams p;
            p.phase = phase;
            p.gainR = c.gainR;
            p.gainG1 = c.gainG1;
            p.offsetR = c.offsetR;
            p.bitDepth = c.bitDepth;
            ASSERT_EQ(m.Transfer(c.bits == 8 ? BayerGainOffsetRaw8 : BayerGainOffsetRaw16, &m,
                                 nullptr, 0, 0, &p),
                      1);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 5; ++x) {
                    const int rp = (y + (phase & 1)) & 1, cp = (x + (phase >> 1)) & 1;
                    const int want = rp == 0 && cp == 1 ? c.outR : rp == 0 && cp == 0 ? c.outG1 : 0;
                    const int got = c.bits == 16 ? Get16(m, x, y) : Get8(m, x, y);
                    ASSERT_EQ(got, want) << "phase " << phase << " at " << x << "," << y;
                }
        }
    }
}

TEST(Mosaic, AutomaticGrayGains) {
    struct Case {
        uint16_t bits;
        int bitDepth;
        int r, g1, g2, b;  // flat value per position
        bool ok;
        std::array<int, 4> gains;  // R, G1, G2, B
    };
    const Case cases[] = {
        {8, 8, 100, 200, 200, 50, true, {256, 128, 128, 512}},
        {16, 12, 1000, 2000, 2000, 500, true, {256, 128, 128, 512}},
        {16, 12, 3, 4094, 4094, 4094, true, {174677, 128, 128, 128}},
        {8, 8, 0, 200, 200, 50, false, {1, 2, 3, 4}},    // R all black: unchanged
        {8, 8, 255, 200, 200, 50, false, {1, 2, 3, 4}},  // R all saturated: unchanged
        {16, 12, 4095, 20, 20, 20, false, {1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        for (int phase = 0; phase < 4; ++phase) {
            CDibImage m;
            ASSERT_EQ(m.Create(7, 5, c.bits), 1);
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < 7; ++x) {
                    const int rp = (y + (phase & 1)) & 1, cp = (x + (phase >> 1)) & 1;
                    const int v = rp == 0 ? (cp == 0 ? c.g1 : c.r) : (cp == 0 ? c.b : c.g2);
                    if (c.bits == 16)
                        Set16(m, x, y, 0, static_cast<uint16_t>(v));
                    else
                        Set8(m, x, y, 0, static_cast<uint8_t>(v));
                }
            BayerGainParams p;
            p.phase = phase;
            p.bitDepth = c.bitDepth;
            p.gainR = 1, p.gainG1 = 2, p.gainG2 = 3, p.gainB = 4;
            EXPECT_EQ(m.Transfer(MeasureBayerGains, &m, nullptr, 0, 0, &p), c.ok ? 1 : 0);
            EXPECT_EQ((std::array<int, 4>{p.gainR, p.gainG1, p.gainG2, p.gainB}), c.gains)
                << "phase " << phase;
        }
    }
}

TEST(Mosaic, LuminanceOfColour) {
    struct Case {
        int b, g, r, gray;
    };
    const Case cases[] = {{0, 0, 255, 76},
                          {0, 255, 0, 150},
                          {255, 0, 0, 28},
                          {255, 255, 255, 255},
                          {10, 100, 200, 120}};
    for (const Case& c : cases) {
        for (uint16_t bits : {24, 32}) {
            CDibImage color, gray;
            ASSERT_EQ(color.Create(3, 2, bits), 1);
            ASSERT_EQ(gray.Create(3, 2, 8), 1);
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 3; ++x) {
                    Set8(color, x, y, 0, static_cast<uint8_t>(c.b));
                    Set8(color, x, y, 1, static_cast<uint8_t>(c.g));
                    Set8(color, x, y, 2, static_cast<uint8_t>(c.r));
                }
            ASSERT_EQ(gray.Transfer(BgrToGray8, &color, nullptr, 0, 0, nullptr), 1);
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 3; ++x) EXPECT_EQ(Get8(gray, x, y), c.gray);
        }
    }
}

TEST(Mosaic, ReconstructColorRejectsBuffersThatDoNotFit) {
    CDibImage mosaic, color, small;
    ASSERT_EQ(mosaic.Create(8, 8, 16), 1);
    ASSERT_EQ(color.Create(8, 8, 24), 1);  // 16-bit mosaic needs 48/64-bit colour
    ASSERT_EQ(small.Create(4, 8, 48), 1);
    WhiteBalanceParams params;
    EXPECT_EQ(ReconstructColor(color, mosaic, params, false), 0);
    EXPECT_EQ(ReconstructColor(small, mosaic, params, false), 0);
    CDibImage empty;
    EXPECT_EQ(ReconstructColor(empty, mosaic, params, true), 0);
}

}  // namespace
}  // namespace rezive
