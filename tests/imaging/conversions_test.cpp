#include "imaging/conversions.h"

#include <gtest/gtest.h>

#include <vector>

#include "image_fixture.h"

namespace rezive {
namespace {

using test::Get16;
using test::Get8;
using test::Set16;
using test::Set8;

struct MonoCase {
    const char* name;
    PixelKernel kernel;
    uint16_t dstBits;
    uint16_t in;
    uint16_t out;
};

class MonoConversion : public ::testing::TestWithParam<MonoCase> {};

TEST_P(MonoConversion, MapsOneSample) {
    const MonoCase& c = GetParam();
    CDibImage src, dst;
    ASSERT_EQ(src.Create(1, 1, 16), 1);
    ASSERT_EQ(dst.Create(1, 1, c.dstBits), 1);
    Set16(src, 0, 0, 0, c.in);
    ASSERT_EQ(dst.Transfer(c.kernel, &src, nullptr, 0, 0, nullptr), 1);
    const int got = c.dstBits == 8 ? Get8(dst, 0, 0) : Get16(dst, 0, 0);
    EXPECT_EQ(got, c.out) << c.name << " of " << c.in;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, MonoConversion,
    ::testing::Values(MonoCase{"Mono12To8", Mono12To8, 8, 4095, 255},
                      MonoCase{"Mono12To8", Mono12To8, 8, 16, 1},
                      MonoCase{"Mono12To8", Mono12To8, 8, 15, 0},
                      MonoCase{"Mono12To8Flipped", Mono12To8Flipped, 8, 4095, 255},
                      MonoCase{"Mono10To8Flipped", Mono10To8Flipped, 8, 1023, 255},
                      MonoCase{"Mono10To8Flipped", Mono10To8Flipped, 8, 1024, 0},
                      MonoCase{"Mono10To8Flipped", Mono10To8Flipped, 8, 4095, 255},
                      MonoCase{"Mono12To16", Mono12To16, 16, 4095, 65520},
                      MonoCase{"Mono12To16", Mono12To16, 16, 4096, 0}));

struct ColorCase {
    const char* name;
    PixelKernel kernel;
    uint16_t srcBits, dstBits;
    std::vector<int> in;   // source channels (bytes or words)
    std::vector<int> out;  // destination channels; -1: must keep the preset marker value
};

class ColorConversion : public ::testing::TestWithParam<ColorCase> {};

TEST_P(ColorConversion, MapsOnePixelAndLeavesTheRestAlone) {
    const ColorCase& c = GetParam();
    CDibImage src, dst;
    ASSERT_EQ(src.Create(1, 1, c.srcBits), 1);
    ASSERT_EQ(dst.Create(1, 1, c.dstBits), 1);
    const bool wideSrc = c.srcBits >= 48, wideDst = c.dstBits >= 48;
    for (size_t i = 0; i < c.in.size(); ++i) {
        if (wideSrc)
            Set16(src, 0, 0, static_cast<int>(i), static_cast<uint16_t>(c.in[i]));
        else
            Set8(src, 0, 0, static_cast<int>(i), static_cast<uint8_t>(c.in[i]));
    }
    const int marker = 0x5A;
    for (size_t i = 0; i < c.out.size(); ++i) {
        if (wideDst)
            Set16(dst, 0, 0, static_cast<int>(i), marker);
        else
            Set8(dst, 0, 0, static_cast<int>(i), marker);
    }
    ASSERT_EQ(dst.Transfer(c.kernel, &src, nullptr, 0, 0, nullptr), 1);
    for (size_t i = 0; i < c.out.size(); ++i) {
        const int got =
            wideDst ? Get16(dst, 0, 0, static_cast<int>(i)) : Get8(dst, 0, 0, static_cast<int>(i));
        EXPECT_EQ(got, c.out[i] < 0 ? marker : c.out[i]) << c.name << " channel " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ColorConversion,
    ::testing::Values(
        ColorCase{"Bgr32ToBgr24", Bgr32ToBgr24, 32, 24, {1, 2, 3, 4}, {1, 2, 3}},
        ColorCase{"Bgr32ToBgr24 into 32", Bgr32ToBgr24, 32, 32, {1, 2, 3, 4}, {1, 2, 3, -1}},
        ColorCase{"Color8To24Flipped", Color8To24Flipped, 24, 24, {9, 8, 7}, {9, 8, 7}},
        ColorCase{"SwapRedBlue8", SwapRedBlue8, 24, 24, {1, 2, 3}, {3, 2, 1}},
        ColorCase{"SwapRedBlue8 32", SwapRedBlue8, 32, 32, {1, 2, 3, 4}, {3, 2, 1, -1}},
        ColorCase{"Bgr32InvertAlpha", Bgr32InvertAlpha, 32, 32, {1, 2, 3, 0}, {1, 2, 3, 255}},
        ColorCase{"Bgr32InvertAlpha", Bgr32InvertAlpha, 32, 32, {1, 2, 3, 200}, {1, 2, 3, 55}},
        ColorCase{"Color12To8", Color12To8, 48, 24, {4095, 16, 15}, {255, 1, 0}},
        ColorCase{"Color12To8 64", Color12To8, 64, 24, {4095, 16, 15, 77}, {255, 1, 0}},
        ColorCase{"Color12To8Flipped", Color12To8Flipped, 64, 24, {4095, 32, 0, 1}, {255, 2, 0}},
        ColorCase{
            "Color10To8Flipped", Color10To8Flipped, 48, 24, {1023, 1024, 4095}, {255, 0, 255}},
        ColorCase{"Color12To16", Color12To16, 48, 48, {4095, 4096, 1}, {65520, 0, 16}},
        ColorCase{"Color12To16Swap", Color12To16Swap, 48, 48, {1, 2, 3}, {48, 32, 16}},
        ColorCase{"Color12To16Alpha", Color12To16Alpha, 64, 64, {1, 2, 3, 7}, {16, 32, 48, 65535}},
        ColorCase{"Color12To16AlphaSwap",
                  Color12To16AlphaSwap,
                  64,
                  64,
                  {1, 2, 3, 7},
                  {48, 32, 16, 65535}}));

// Every conversion on a 3-row image with distinct row values: flipped kernels reverse the rows,
// the others keep them.
struct RowOrderCase {
    const char* name;
    PixelKernel kernel;
    uint16_t srcBits, dstBits;
    bool flipped;
};

class RowOrder : public ::testing::TestWithParam<RowOrderCase> {};

TEST_P(RowOrder, FlipsExactlyWhenNamedSo) {
    const RowOrderCase& c = GetParam();
    CDibImage src, dst;
    ASSERT_EQ(src.Create(5, 3, c.srcBits), 1);
    ASSERT_EQ(dst.Create(5, 3, c.dstBits), 1);
    for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 5; ++col) {
            // Every colour channel of row r carries 16 * (r + 1), which survives every shift.
            const int channels = c.srcBits == 16 ? 1 : 3;
            for (int k = 0; k < channels; ++k) {
                if (c.srcBits == 16 || c.srcBits >= 48)
                    Set16(src, col, r, k, static_cast<uint16_t>(16 * (r + 1)));
                else
                    Set8(src, col, r, k, static_cast<uint8_t>(16 * (r + 1)));
            }
        }
    ASSERT_EQ(dst.Transfer(c.kernel, &src, nullptr, 0, 0, nullptr), 1);
    auto value = [&](const CDibImage& img, int col, int row) {
        const int bits = img.BitsPerPixel();
        return bits == 16 || bits >= 48 ? Get16(img, col, row) : Get8(img, col, row);
    };
    const int first = value(dst, 0, 0), last = value(dst, 0, 2);
    EXPECT_NE(first, last);
    for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 5; ++col) EXPECT_EQ(value(dst, col, r), value(dst, 0, r)) << c.name;
    // The value ordering tells the row order: rows grow with r in the source.
    EXPECT_EQ(first > last, c.flipped) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    AllKernels, RowOrder,
    ::testing::Values(RowOrderCase{"Mono12To8", Mono12To8, 16, 8, false},
                      RowOrderCase{"Mono12To8Flipped", Mono12To8Flipped, 16, 8, true},
                      RowOrderCase{"Mono10To8Flipped", Mono10To8Flipped, 16, 8, true},
                      RowOrderCase{"Mono12To16", Mono12To16, 16, 16, false},
                      RowOrderCase{"Bgr32ToBgr24", Bgr32ToBgr24, 32, 24, false},
                      RowOrderCase{"Color8To24Flipped", Color8To24Flipped, 32, 24, true},
                      RowOrderCase{"SwapRedBlue8", SwapRedBlue8, 24, 24, false},
                      RowOrderCase{"Bgr32InvertAlpha", Bgr32InvertAlpha, 32, 32, false},
                      RowOrderCase{"CopyRowsFlipped", CopyRowsFlipped, 24, 24, true},
                      RowOrderCase{"CopyRowsFlipped16", CopyRowsFlipped, 16, 16, true},
                      RowOrderCase{"Color12To8", Color12To8, 48, 24, false},
                      RowOrderCase{"Color12To8Flipped", Color12To8Flipped, 64, 32, true},
                      RowOrderCase{"Color10To8Flipped", Color10To8Flipped, 48, 24, true},
                      RowOrderCase{"Color12To16", Color12To16, 48, 48, false},
                      RowOrderCase{"Color12To16Swap", Color12To16Swap, 48, 48, false},
                      RowOrderCase{"Color12To16Alpha", Color12To16Alpha, 64, 64, false},
                      RowOrderCase{"Color12To16AlphaSwap", Color12To16AlphaSwap, 64, 64, false}));

TEST(Conversions, PixelsTooSmallForTheKernelAreRejectedUntouched) {
    CDibImage src, dst;
    ASSERT_EQ(src.Create(3, 2, 8), 1);
    ASSERT_EQ(dst.Create(3, 2, 24), 1);
    std::memset(src.Bits(), 0x77, src.SizeBytes());
    EXPECT_EQ(dst.Transfer(Color12To8, &src, nullptr, 0, 0, nullptr), 0);
    EXPECT_EQ(dst.Transfer(Bgr32InvertAlpha, &src, nullptr, 0, 0, nullptr), 0);
    // The table conversions also refuse to run without their table.
    auto* gray = const_cast<ColorTable24*>(&GrayColorTable24());
    EXPECT_EQ(dst.Transfer(Index8To24Flipped, &src, nullptr, 0, 0, nullptr), 0);
    EXPECT_EQ(dst.Transfer(Mono12To24Flipped, &src, nullptr, 0, 0, gray), 0);
    for (size_t i = 0; i < dst.SizeBytes(); ++i) EXPECT_EQ(dst.Bits()[i], 0);
}

TEST(Conversions, CopyRowsFlippedCopiesWholeRowsOfThreeRowImage) {
    CDibImage src, dst;
    ASSERT_EQ(src.Create(3, 3, 8), 1);
    ASSERT_EQ(dst.Create(3, 3, 8), 1);
    for (int r = 0; r < 3; ++r) std::memset(src.Row(r), r, static_cast<size_t>(src.Stride()));
    ASSERT_EQ(dst.Transfer(CopyRowsFlipped, &src, nullptr, 0, 0, nullptr), 1);
    for (int r = 0; r < 3; ++r)
        for (int b = 0; b < dst.Stride(); ++b) EXPECT_EQ(dst.Row(r)[b], 2 - r);
}

TEST(Scaling, NearestPicksSourceCellsAndFlipsRows) {
    struct Case {
        int ws, hs, wd, hd;
        std::vector<int> cols, rows;  // expected source column / memory row per dst col / row
    };
    const Case cases[] = {{4, 4, 2, 2, {0, 2}, {3, 1}},
                          {2, 2, 4, 4, {0, 0, 1, 1}, {1, 1, 0, 0}},
                          {5, 3, 5, 3, {0, 1, 2, 3, 4}, {2, 1, 0}}};
    for (const Case& c : cases) {
        for (int bits : {8, 24}) {
            CDibImage src, dst;
            ASSERT_EQ(src.Create(c.ws, c.hs, static_cast<uint16_t>(bits)), 1);
            ASSERT_EQ(dst.Create(c.wd, c.hd, static_cast<uint16_t>(bits)), 1);
            const int bpp = bits / 8;
            for (int r = 0; r < c.hs; ++r)
                for (int col = 0; col < c.ws; ++col)
                    for (int k = 0; k < bpp; ++k)
                        Set8(src, col, r, k, static_cast<uint8_t>(r * 16 + col + 100 * k));
            ScaleKernel kernel = bits == 8 ? ScaleNearestMono8 : ScaleNearestBgr24;
            ASSERT_EQ(dst.TransferScaled(kernel, &src, nullptr, nullptr, nullptr), 1);
            for (int i = 0; i < c.hd; ++i)
                for (int j = 0; j < c.wd; ++j)
                    for (int k = 0; k < bpp; ++k)
                        EXPECT_EQ(Get8(dst, j, i, k), c.rows[i] * 16 + c.cols[j] + 100 * k)
                            << c.ws << "x" << c.hs << " -> " << c.wd << "x" << c.hd;
        }
    }
}

TEST(Scaling, RectanglesOutsideTheBuffersAreClamped) {
    CDibImage src, dst;
    ASSERT_EQ(src.Create(4, 4, 24), 1);
    ASSERT_EQ(dst.Create(4, 4, 24), 1);
    const Rect huge{-8, -8, 40, 40};
    EXPECT_EQ(dst.TransferScaled(ScaleNearestBgr24, &src, &huge, &huge, nullptr), 1);
}

TEST(SpreadRows, MovesPackedRowsToTheirStride) {
    CDibImage img;
    ASSERT_EQ(img.Create(3, 2, 8), 1);  // stride 4
    const uint8_t packed[8] = {1, 2, 3, 4, 5, 6, 0xEE, 0xEE};
    std::memcpy(img.Bits(), packed, 8);
    ASSERT_EQ(img.Transfer(SpreadRowsMono8, &img, nullptr, 0, 0, nullptr), 1);
    const uint8_t expected[8] = {1, 2, 3, 4, 4, 5, 6, 0xEE};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(img.Bits()[i], expected[i]) << i;
}

TEST(SpreadRows, SixteenBitRowsOfOddWidth) {
    CDibImage img;
    ASSERT_EQ(img.Create(3, 3, 16), 1);  // 6 bytes per row, stride 8
    std::vector<uint16_t> packed(9);
    for (int i = 0; i < 9; ++i) packed[i] = static_cast<uint16_t>(1000 + i);
    std::memcpy(img.Bits(), packed.data(), 18);
    ASSERT_EQ(img.Transfer(SpreadRowsMono16, &img, nullptr, 0, 0, nullptr), 1);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(Get16(img, c, r), 1000 + r * 3 + c);
}

TEST(MeanLevel, MeansOfWindowsAndEmptyRectangle) {
    CDibImage mono8, mono16;
    ASSERT_EQ(mono8.Create(5, 4, 8), 1);
    ASSERT_EQ(mono16.Create(5, 4, 16), 1);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 5; ++c) {
            Set8(mono8, c, r, 0, static_cast<uint8_t>(10 * c + r));
            // Bits 2..9 carry c + r; bits 10 and up and bits 0..1 must be ignored.
            Set16(mono16, c, r, 0, static_cast<uint16_t>(((c + r) << 2) | 0x0C03));
        }
    // Whole buffer: sum of 10c + r over 5 x 4 = 400 + 30 = 430 -> 21 (integer division).
    EXPECT_EQ(mono8.Transfer(MeanLevelMono8, &mono8, nullptr, 0, 0, nullptr), 21);
    EXPECT_EQ(mono16.Transfer(MeanLevelMono16, &mono16, nullptr, 0, 0, nullptr), 3);
    int32_t dummy = 0;
    const Rect empty{2, 2, 2, 3};
    EXPECT_EQ(MeanLevelMono8(mono8.Bits(), mono8.Bits(), empty, 2, 2, 1, 1, mono8.Stride(),
                             mono8.Stride(), &dummy),
              0);
    EXPECT_EQ(MeanLevelMono16(mono16.Bits(), mono16.Bits(), empty, 2, 2, 2, 2, mono16.Stride(),
                              mono16.Stride(), nullptr),
              0);
}

}  // namespace
}  // namespace rezive
