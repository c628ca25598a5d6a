// AVI frames from every colour depth: content, orientation and size, and a decoder's view.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "imaging/dib_image.h"
#include "output/avi_frame.h"
#include "output/avi_writer.h"
#include "support/output_files.h"
#include "support/test_env.h"

namespace rezive {
namespace {

constexpr int32_t kW = 13;  // 24-bit stride 40: padded rows
constexpr int32_t kH = 7;

PaletteEntry Colour(int i) {
    return PaletteEntry{static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                        static_cast<uint8_t>(i / 2), 0};
}

// Blue, green, red that the frame holds for picture pixel (x, y) of a pattern image of bpp.
void ExpectedBgr(int bpp, int32_t x, int32_t y, uint8_t out[3]) {
    for (int c = 0; c < 3; ++c) {
        switch (bpp) {
            case 8: {
                const auto index = test::PatternSample(x, y, 0, kW, kH, 8);
                const PaletteEntry e = Colour(static_cast<int>(index));
                out[0] = e.blue;
                out[1] = e.green;
                out[2] = e.red;
                return;
            }
            case 16:
                out[c] = static_cast<uint8_t>(test::PatternSample(x, y, 0, kW, kH, 16) >> 4);
                break;
            case 24:
            case 32:
                out[c] = static_cast<uint8_t>(test::PatternSample(x, y, c, kW, kH, bpp));
                break;
            default:
                out[c] = static_cast<uint8_t>(test::PatternSample(x, y, c, kW, kH, bpp) >> 4);
        }
    }
}

void MakeSource(CDibImage& source, int bpp) {
    ASSERT_EQ(source.Create(kW, kH, static_cast<uint16_t>(bpp)), 1);
    test::FillPattern(source);
    if (bpp == 8) {
        std::vector<PaletteEntry> palette(256);
        for (int i = 0; i < 256; ++i) palette[i] = Colour(i);
        source.SetPalette(2, palette.data(), 0, 256);
    }
}

class AviFrameTest : public ::testing::TestWithParam<int> {};

TEST_P(AviFrameTest, FrameIsTheBottomUpPictureIn24Bits) {
    const int bpp = GetParam();
    CDibImage source;
    MakeSource(source, bpp);
    AviFrameBuffers work;
    ASSERT_TRUE(work.Prepare(kW, kH));
    const std::span<const uint8_t> frame = ConvertFrameForAvi(source, work);
    ASSERT_EQ(frame.size(), AviWriter::FrameBytesFor(kW, kH));
    const size_t stride = (3 * kW + 3) & ~3;
    int mismatches = 0;
    for (int32_t k = 0; k < kH; ++k) {
        for (int32_t x = 0; x < kW; ++x) {
            uint8_t want[3];
            ExpectedBgr(bpp, x, kH - 1 - k, want);  // frame row k is picture row H-1-k
            for (int c = 0; c < 3; ++c) mismatches += frame[k * stride + 3 * x + c] != want[c];
        }
    }
    EXPECT_EQ(mismatches, 0);
}

INSTANTIATE_TEST_SUITE_P(EveryDepth, AviFrameTest, ::testing::Values(8, 16, 24, 32, 48, 64),
                         [](const auto& info) { return std::to_string(info.param) + "bit"; });

TEST(AviFrame, RefusesWhatItCannotConvert) {
    AviFrameBuffers work;
    ASSERT_TRUE(work.Prepare(kW, kH));
    CDibImage empty;
    CDibImage other;
    ASSERT_EQ(other.Create(kW + 1, kH, 24), 1);  // the colour mode's size changed
    CDibImage odd;
    ASSERT_EQ(odd.Create(kW, kH, 40), 1);
    EXPECT_TRUE(ConvertFrameForAvi(empty, work).empty());
    EXPECT_TRUE(ConvertFrameForAvi(other, work).empty());
    EXPECT_TRUE(ConvertFrameForAvi(odd, work).empty());
    AviFrameBuffers unprepared;
    CDibImage fine;
    ASSERT_EQ(fine.Create(kW, kH, 24), 1);
    EXPECT_TRUE(ConvertFrameForAvi(fine, unprepared).empty());
    EXPECT_FALSE(work.Prepare(0, 5));
    EXPECT_TRUE(work.frame24.Empty());
}

// ffmpeg decodes the first frame of a recording as the picture, top row first.
TEST(AviFrame, DecoderSeesThePictureUpright) {
    if (!test::Exists("/usr/bin/ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";
    CDibImage source;
    MakeSource(source, 48);
    AviFrameBuffers work;
    ASSERT_TRUE(work.Prepare(kW, kH));
    const std::string path = test::TempPath(".avi");
    AviWriter writer;
    ASSERT_TRUE(writer.Begin(path.c_str(), kW, kH, 48));
    for (int i = 0; i < 2; ++i) {
        const auto frame = ConvertFrameForAvi(source, work);
        ASSERT_EQ(writer.WriteFrame(frame.data(), frame.size()), AviWriter::Status::Ok);
    }
    ASSERT_TRUE(writer.Finish(3000));

    const std::string rgb = test::TempPath(".rgb");
    const std::string command = "/usr/bin/ffmpeg -v error -y -i '" + path +
                                "' -frames:v 1 -f rawvideo -pix_fmt rgb24 '" + rgb + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::vector<uint8_t> pixels = test::ReadAll(rgb);
    ASSERT_EQ(pixels.size(), size_t{3} * kW * kH);
    int mismatches = 0;
    for (int32_t y = 0; y < kH; ++y) {
        for (int32_t x = 0; x < kW; ++x) {
            uint8_t bgr[3];
            ExpectedBgr(48, x, y, bgr);
            const uint8_t* p = pixels.data() + 3 * (static_cast<size_t>(y) * kW + x);
            mismatches += p[0] != bgr[2] || p[1] != bgr[1] || p[2] != bgr[0];
        }
    }
    EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace rezive
