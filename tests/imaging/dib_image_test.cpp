// CDibImage: geometry, palette, and the clipping and row conversion of Transfer.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/dib_image.h"

namespace rezive {
namespace {

struct StrideCase {
    int32_t width, height;
    uint16_t bits;
    int32_t stride;
};

void PrintTo(const StrideCase& c, std::ostream* os) {
    *os << c.width << "x" << c.height << "x" << c.bits;
}

class StrideTest : public testing::TestWithParam<StrideCase> {};

TEST_P(StrideTest, RowsArePaddedToFourBytes) {
    const auto& c = GetParam();
    CDibImage image;
    ASSERT_EQ(image.Create(c.width, c.height, c.bits), 1);
    EXPECT_EQ(image.Stride(), c.stride);
    EXPECT_EQ(image.Info().header.size, 40u);
    EXPECT_EQ(image.Info().header.width, c.width);
    EXPECT_EQ(image.Info().header.height, c.height);
    EXPECT_EQ(image.Info().header.planes, 1);
    EXPECT_EQ(image.Info().header.bitCount, c.bits);
    for (size_t i = 0; i < image.SizeBytes(); ++i) ASSERT_EQ(image.Bits()[i], 0) << i;
}

INSTANTIATE_TEST_SUITE_P(Cases, StrideTest,
                         testing::Values(StrideCase{641, 1, 24, 1924}, StrideCase{3, 1, 8, 4},
                                         StrideCase{1, 1, 16, 4}, StrideCase{1280, 720, 8, 1280},
                                         StrideCase{1279, 2, 24, 3840}, StrideCase{5, 3, 48, 32},
                                         StrideCase{3, 2, 64, 24}, StrideCase{2, 2, 32, 8}));

TEST(DibImage, RejectedArgumentsKeepThePreviousImage) {
    CDibImage image;
    ASSERT_EQ(image.Create(8, 4, 8), 1);
    image.Bits()[5] = 42;
    EXPECT_EQ(image.Create(0, 480, 8), 0);
    EXPECT_EQ(image.Create(640, -1, 8), 0);
    EXPECT_EQ(image.Create(640, 480, 0), 0);
    EXPECT_EQ(image.Width(), 8);
    EXPECT_EQ(image.Bits()[5], 42);
}

TEST(DibImage, EightBitImagesCarryTheGrayRamp) {
    CDibImage image;
    ASSERT_EQ(image.Create(4, 4, 8), 1);
    for (int i = 0; i < 256; ++i) {
        const auto& e = image.Info().colors[i];
        ASSERT_EQ(e.blue, i);
        ASSERT_EQ(e.green, i);
        ASSERT_EQ(e.red, i);
        ASSERT_EQ(e.reserved, 0);
    }
    const PaletteEntry red{0, 0, 255, 0};
    EXPECT_EQ(image.SetPalette(2, &red, 10, 1), 1);
    EXPECT_EQ(image.Info().colors[10].red, 255);
    EXPECT_EQ(image.Info().colors[10].blue, 0);
    EXPECT_EQ(image.SetPalette(7, nullptr, 0, 0), 1);
    EXPECT_EQ(image.SetPalette(2, &red, 255, 9), 1) << "entries past 255 are ignored";
}

TEST(DibImage, CreateLikeCopiesGeometryNotPixels) {
    CDibImage a, b;
    ASSERT_EQ(a.Create(7, 3, 24), 1);
    a.Bits()[0] = 9;
    ASSERT_EQ(b.CreateLike(&a), 1);
    EXPECT_EQ(b.Width(), 7);
    EXPECT_EQ(b.Height(), 3);
    EXPECT_EQ(b.Stride(), a.Stride());
    EXPECT_EQ(b.BitsPerPixel(), 24);
    EXPECT_EQ(b.Bits()[0], 0);
    CDibImage empty;
    EXPECT_EQ(b.CreateLike(&empty), 0);
    EXPECT_EQ(b.CreateLike(nullptr), 0);
    EXPECT_EQ(b.Width(), 7) << "a rejected CreateLike leaves the buffer as it was";
    EXPECT_EQ(a.CreateLike(&a), 1) << "an image may be made like itself";
    EXPECT_EQ(a.Width(), 7);
}

TEST(DibImage, DestroyIsIdempotent) {
    CDibImage image;
    image.Destroy();
    EXPECT_TRUE(image.Empty());
    ASSERT_EQ(image.Create(2, 2, 8), 1);
    image.Destroy();
    image.Destroy();
    EXPECT_TRUE(image.Empty());
    EXPECT_EQ(image.Width(), 0);
    EXPECT_EQ(image.Stride(), 0);
    EXPECT_EQ(image.Info().header.size, 40u);
    EXPECT_EQ(image.Info().header.width, 0);
}

// Records what Transfer hands its kernel.
struct KernelCall {
    bool called = false;
    Rect rect;
    int32_t x = 0, y = 0, dstBpp = 0, srcBpp = 0, dstStride = 0, srcStride = 0;
};

int32_t RecordingKernel(uint8_t*, const uint8_t*, const Rect& rect, int32_t x, int32_t y,
                        int32_t dstBpp, int32_t srcBpp, int32_t dstStride, int32_t srcStride,
                        void* param) {
    auto* call = static_cast<KernelCall*>(param);
    *call = KernelCall{true, rect, x, y, dstBpp, srcBpp, dstStride, srcStride};
    return 1;
}

struct TransferCase {
    const char* name;
    int32_t dstW, dstH, srcW, srcH;
    bool useRect;
    Rect sourceRect;
    int32_t x, y;
    bool called;
    Rect kernelRect;
    int32_t kernelX, kernelY;
};

void PrintTo(const TransferCase& c, std::ostream* os) { *os << c.name; }

class TransferTest : public testing::TestWithParam<TransferCase> {};

TEST_P(TransferTest, ClipsAndConvertsToMemoryRows) {
    const auto& c = GetParam();
    CDibImage dst, src;
    ASSERT_EQ(dst.Create(c.dstW, c.dstH, 24), 1);
    ASSERT_EQ(src.Create(c.srcW, c.srcH, 8), 1);
    KernelCall call;
    const int32_t result =
        dst.Transfer(RecordingKernel, &src, c.useRect ? &c.sourceRect : nullptr, c.x, c.y, &call);
    EXPECT_EQ(result, c.called ? 1 : 0);
    ASSERT_EQ(call.called, c.called);
    if (!c.called) return;
    EXPECT_EQ(call.rect.left, c.kernelRect.left);
    EXPECT_EQ(call.rect.top, c.kernelRect.top);
    EXPECT_EQ(call.rect.right, c.kernelRect.right);
    EXPECT_EQ(call.rect.bottom, c.kernelRect.bottom);
    EXPECT_EQ(call.x, c.kernelX);
    EXPECT_EQ(call.y, c.kernelY);
    EXPECT_EQ(call.dstBpp, 3);
    EXPECT_EQ(call.srcBpp, 1);
    EXPECT_EQ(call.dstStride, dst.Stride());
    EXPECT_EQ(call.srcStride, src.Stride());
    // Whatever the input, the kernel's areas are equal and lie inside both buffers.
    EXPECT_GE(call.rect.left, 0);
    EXPECT_GE(call.rect.top, 0);
    EXPECT_LE(call.rect.right, c.srcW);
    EXPECT_LE(call.rect.bottom, c.srcH);
    EXPECT_GE(call.x, 0);
    EXPECT_GE(call.y, 0);
    EXPECT_LE(call.x + call.rect.Width(), c.dstW);
    EXPECT_LE(call.y + call.rect.Height(), c.dstH);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TransferTest,
    testing::Values(
        TransferCase{"WholeBuffer", 10, 10, 10, 10, false, {}, 0, 0, true, {0, 0, 10, 10}, 0, 0},
        TransferCase{"RightOfDestination", 10, 10, 10, 10, false, {}, 10, 0, false, {}, 0, 0},
        TransferCase{"BelowDestination", 10, 10, 10, 10, false, {}, 0, 10, false, {}, 0, 0},
        TransferCase{"LeftOfDestination", 10, 10, 10, 10, false, {}, -10, 0, false, {}, 0, 0},
        TransferCase{"NegativeX", 20, 5, 20, 5, false, {}, -10, 0, true, {10, 0, 20, 5}, 0, 0},
        TransferCase{"TallSourceShortDestination", 8, 80, 8, 100, false, {}, 0, 0, true,
                     {0, 20, 8, 100}, 0, 0},
        TransferCase{"ShortSourceTallDestination", 8, 100, 8, 80, false, {}, 0, 0, true,
                     {0, 0, 8, 80}, 0, 20},
        TransferCase{"SubRectangle", 100, 100, 100, 100, true, {10, 10, 20, 20}, 10, 10, true,
                     {10, 80, 20, 90}, 10, 80},
        TransferCase{"SourceRectOutsideSource", 10, 10, 10, 10, true, {-3, -2, 12, 11}, 0, 0,
                     true, {0, 2, 7, 10}, 3, 0},
        TransferCase{"SourceRectEntirelyOutside", 10, 10, 10, 10, true, {20, 0, 30, 5}, 0, 0,
                     false, {}, 0, 0},
        TransferCase{"InvertedRect", 10, 10, 10, 10, true, {5, 5, 2, 2}, 0, 0, false, {}, 0, 0}),
    [](const testing::TestParamInfo<TransferCase>& info) { return info.param.name; });

TEST(DibImage, TransferWithoutKernelOrSourceFails) {
    CDibImage a, b;
    ASSERT_EQ(a.Create(4, 4, 8), 1);
    ASSERT_EQ(b.Create(4, 4, 8), 1);
    EXPECT_EQ(a.Transfer(nullptr, &b, nullptr, 0, 0, nullptr), 0);
    EXPECT_EQ(a.Transfer(RecordingKernel, nullptr, nullptr, 0, 0, nullptr), 0);
    EXPECT_EQ(a.TransferScaled(nullptr, &b, nullptr, nullptr, nullptr), 0);
}

TEST(DibImage, BlitExpandsPaletteImagesAndKeepsRowsInPlace) {
    CDibImage gray, color;
    ASSERT_EQ(gray.Create(3, 2, 8), 1);
    ASSERT_EQ(color.Create(3, 2, 24), 1);
    const PaletteEntry tint{10, 20, 30, 0};
    gray.SetPalette(2, &tint, 7, 1);
    gray.Row(0)[0] = 7;
    gray.Row(1)[2] = 200;
    ASSERT_EQ(color.Blit(&gray, nullptr, 0, 0), 1);
    EXPECT_EQ(color.Row(0)[0], 10);
    EXPECT_EQ(color.Row(0)[1], 20);
    EXPECT_EQ(color.Row(0)[2], 30);
    EXPECT_EQ(color.Row(1)[6], 200);
    EXPECT_EQ(color.Row(1)[7], 200);
    EXPECT_EQ(color.Row(1)[8], 200);
    CDibImage wide;
    ASSERT_EQ(wide.Create(3, 2, 48), 1);
    EXPECT_EQ(wide.Blit(&gray, nullptr, 0, 0), 0) << "no conversion into 16-bit channels";
}

}  // namespace
}  // namespace rezive
