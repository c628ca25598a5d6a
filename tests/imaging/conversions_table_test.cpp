// The table conversions against the two passes they replace, on random frames
// of every awkward size, with gray, random and almost-gray colour tables, on
// both builds.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <vector>

#include "image_fixture.h"
#include "imaging/conversions.h"

namespace rezive {
namespace {

using test::BaselineScope;

// 8-bit: a block copy expands the indices through the source's colour table,
// then the colour rows are flipped. 16-bit: the samples are reduced and flipped
// into a new 8-bit image, which a block copy expands through that image's own
// colour table.
void TwoPass(const CDibImage& source, CDibImage& out) {
    CDibImage mid;
    ASSERT_EQ(out.Create(source.Width(), source.Height(), 24), 1);
    if (source.BitsPerPixel() == 8) {
        ASSERT_EQ(mid.Create(source.Width(), source.Height(), 24), 1);
        ASSERT_EQ(mid.Blit(&source, nullptr, 0, 0), 1);
        ASSERT_EQ(out.Transfer(Color8To24Flipped, &mid, nullptr, 0, 0, nullptr), 1);
    } else {
        ASSERT_EQ(mid.Create(source.Width(), source.Height(), 8), 1);
        ASSERT_EQ(mid.Transfer(Mono12To8Flipped, &source, nullptr, 0, 0, nullptr), 1);
        ASSERT_EQ(out.Blit(&mid, nullptr, 0, 0), 1);
    }
}

enum class Table { kGray, kRandom, kAlmostGray };

void SetTable(CDibImage& image, Table kind, std::mt19937& rng) {
    std::array<PaletteEntry, 256> colors;
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<uint8_t>(i);
        colors[i] = kind == Table::kRandom
                        ? PaletteEntry{static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()),
                                       static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng())}
                        : PaletteEntry{v, v, v, 0};
    }
    // One channel of one entry off the ramp must not be taken for gray.
    if (kind == Table::kAlmostGray) colors[rng() % 256].green ^= 1;
    image.SetPalette(2, colors.data(), 0, 256);
}

TEST(TableConversions, MatchTheTwoPassConversionBitForBit) {
    struct Size {
        int32_t w, h;
    };
    // One pixel, one row, one column, odd widths whose 24-bit rows pad, and a
    // frame wider than the vector loops' blocks.
    const Size sizes[] = {{1, 1}, {1, 7}, {9, 1}, {2, 3}, {5, 4}, {13, 7}, {31, 3}, {1283, 5}};
    std::mt19937 rng(15);
    for (const bool baseline : {false, true}) {
        BaselineScope scope(baseline);
        for (const Size size : sizes) {
            for (const uint16_t bpp : {uint16_t{8}, uint16_t{16}}) {
                for (const Table kind : {Table::kGray, Table::kRandom, Table::kAlmostGray}) {
                    if (bpp == 16 && kind != Table::kGray) continue;  // its table is fixed
                    SCOPED_TRACE(testing::Message()
                                 << "baseline " << baseline << ", " << size.w << " x " << size.h
                                 << ", " << bpp << " bits, table " << static_cast<int>(kind));
                    CDibImage source;
                    ASSERT_EQ(source.Create(size.w, size.h, bpp), 1);
                    // Every 16-bit value, so samples above 12 bits are covered too.
                    if (bpp == 8) {
                        test::FillRandom(source, rng);
                        SetTable(source, kind, rng);
                    } else {
                        test::FillRandom16(source, rng, 0xFFFF);
                    }
                    CDibImage want;
                    TwoPass(source, want);
                    const ColorTable24 table = bpp == 8
                                                   ? MakeColorTable24(source.Info().colors.data())
                                                   : GrayColorTable24();
                    const PixelKernel kernel = bpp == 8 ? Index8To24Flipped : Mono12To24Flipped;

                    CDibImage got;
                    ASSERT_EQ(got.Create(size.w, size.h, 24), 1);
                    ASSERT_EQ(got.Transfer(kernel, &source, nullptr, 0, 0,
                                           const_cast<ColorTable24*>(&table)),
                              1);
                    ASSERT_EQ(std::memcmp(got.Bits(), want.Bits(), want.SizeBytes()), 0);

                    // A 4-byte destination gets the same three colour bytes and keeps its
                    // fourth.
                    CDibImage wide;
                    ASSERT_EQ(wide.Create(size.w, size.h, 32), 1);
                    std::memset(wide.Bits(), 0xA5, wide.SizeBytes());
                    ASSERT_EQ(wide.Transfer(kernel, &source, nullptr, 0, 0,
                                            const_cast<ColorTable24*>(&table)),
                              1);
                    int mismatches = 0;
                    for (int32_t r = 0; r < size.h; ++r)
                        for (int32_t c = 0; c < size.w; ++c) {
                            mismatches +=
                                std::memcmp(wide.Row(r) + 4 * c, want.Row(r) + 3 * c, 3) != 0;
                            mismatches += wide.Row(r)[4 * c + 3] != 0xA5;
                        }
                    EXPECT_EQ(mismatches, 0);
                }
            }
        }
    }
}

}  // namespace
}  // namespace rezive
