// Still images: every file type from every colour depth, read back by independent decoders.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fcntl.h>
#include <string>
#include <tuple>

#include "imaging/dib_image.h"
#include "output/still_writers.h"
#include "support/output_files.h"
#include "support/decoders.h"
#include "support/test_env.h"

namespace rezive {
namespace {

using test::Decoded;
using test::PatternSample;

constexpr int32_t kW = 37;  // odd: every depth below 32 bits has row padding
constexpr int32_t kH = 21;
constexpr int kDepths[] = {8, 16, 24, 32, 48, 64};

bool IsGray(int bpp) { return bpp == 8 || bpp == 16; }
bool IsWide(int bpp) { return bpp == 16 || bpp == 48 || bpp == 64; }
bool HasFourth(int bpp) { return bpp == 32 || bpp == 64; }

// Source sample of file channel fc (red first) at picture (x, y).
uint32_t Src(int bpp, int32_t x, int32_t y, int fc) {
    const int mc = IsGray(bpp) ? 0 : fc < 3 ? 2 - fc : 3;
    return PatternSample(x, y, mc, kW, kH, bpp);
}

// What an exact format holds for file channel fc.
uint32_t ExpectedPng(int bpp, int32_t x, int32_t y, int fc) {
    if (fc == 3) return bpp == 32 ? 255 - Src(bpp, x, y, 3) : 0xFFFF;
    return IsWide(bpp) ? (Src(bpp, x, y, fc) << 4) & 0xFFFF : Src(bpp, x, y, fc);
}

uint32_t ExpectedTiff(int bpp, int32_t x, int32_t y, int fc) {
    if (fc == 3) return bpp == 32 ? 0 : 0xFFFF;  // the channel swap leaves byte 3 of 32-bit at 0
    return IsWide(bpp) ? (Src(bpp, x, y, fc) << 4) & 0xFFFF : Src(bpp, x, y, fc);
}

// JPEG holds 8-bit samples: 12-bit data keeps its top eight bits.
uint32_t ExpectedJpeg(int bpp, int32_t x, int32_t y, int fc) {
    return IsWide(bpp) ? Src(bpp, x, y, fc) >> 4 : Src(bpp, x, y, fc);
}

class SaveImageTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ASSERT_EQ(image_.Create(kW, kH, static_cast<uint16_t>(GetParam())), 1);
        test::FillPattern(image_);
    }
    CDibImage image_;
};

TEST_P(SaveImageTest, PngHoldsEverySampleExactly) {
    const int bpp = GetParam();
    const std::string path = test::TempPath(".png");
    ASSERT_EQ(SaveImageFile(path.c_str(), &image_, FILETYPE_PNG), 1);
    const Decoded d = test::DecodePng(path);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.width, kW);
    EXPECT_EQ(d.height, kH);
    EXPECT_EQ(d.bitsPerSample, IsWide(bpp) ? 16 : 8);
    EXPECT_EQ(d.pngColorType, IsGray(bpp)      ? PNG_COLOR_TYPE_GRAY
                              : HasFourth(bpp) ? PNG_COLOR_TYPE_RGB_ALPHA
                                               : PNG_COLOR_TYPE_RGB);
    int mismatches = 0;
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x)
            for (int c = 0; c < d.channels; ++c)
                mismatches += d.At(x, y, c) != ExpectedPng(bpp, x, y, c);
    EXPECT_EQ(mismatches, 0);
}

TEST_P(SaveImageTest, TiffHoldsEverySampleExactlyInOneStrip) {
    const int bpp = GetParam();
    const std::string path = test::TempPath(".tif");
    ASSERT_EQ(SaveImageFile(path.c_str(), &image_, FILETYPE_TIFF), 1);
    const Decoded d = test::DecodeTiff(path);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.width, kW);
    EXPECT_EQ(d.height, kH);
    EXPECT_EQ(d.bitsPerSample, IsWide(bpp) ? 16 : 8);
    EXPECT_EQ(d.channels, IsGray(bpp) ? 1 : HasFourth(bpp) ? 4 : 3);
    EXPECT_EQ(d.tiffPhotometric, IsGray(bpp) ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    EXPECT_EQ(d.tiffCompression, COMPRESSION_NONE);
    EXPECT_EQ(d.tiffPlanar, PLANARCONFIG_CONTIG);
    EXPECT_EQ(d.tiffStrips, 1u);
    EXPECT_EQ(d.tiffExtraSamples, HasFourth(bpp) ? 1 : 0);
    int mismatches = 0;
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x)
            for (int c = 0; c < d.channels; ++c)
                mismatches += d.At(x, y, c) != ExpectedTiff(bpp, x, y, c);
    EXPECT_EQ(mismatches, 0);
}

TEST_P(SaveImageTest, JpegIsProgressiveAndCloseToThePicture) {
    const int bpp = GetParam();
    const std::string path = test::TempPath(".jpg");
    ASSERT_EQ(SaveImageFile(path.c_str(), &image_, FILETYPE_JPEG_HIGH), 1);
    const Decoded d = test::DecodeJpeg(path);
    ASSERT_TRUE(d.ok);
    EXPECT_TRUE(d.progressive);
    EXPECT_EQ(d.width, kW);
    EXPECT_EQ(d.height, kH);
    EXPECT_EQ(d.channels, IsGray(bpp) ? 1 : 3);
    EXPECT_EQ(d.jpegColorSpace, IsGray(bpp) ? JCS_GRAYSCALE : JCS_YCbCr);
    double sum = 0;
    uint32_t worst = 0;
    for (int32_t y = 0; y < kH; ++y) {
        for (int32_t x = 0; x < kW; ++x) {
            for (int c = 0; c < d.channels; ++c) {
                const int64_t diff = int64_t{d.At(x, y, c)} - ExpectedJpeg(bpp, x, y, c);
                const auto err = static_cast<uint32_t>(diff < 0 ? -diff : diff);
                sum += err;
                worst = std::max(worst, err);
            }
        }
    }
    // Quality 100 with subsampled chroma: a few levels on average; an upside-down picture,
    // swapped channels or wrapped bright samples miss by tens of levels.
    EXPECT_LT(sum / (kW * kH * d.channels), 2.5);
    EXPECT_LT(worst, 24u);
}

TEST_P(SaveImageTest, BmpIsTheBottomUpBitmapOfThePicture) {
    const int bpp = GetParam();
    const std::string path = test::TempPath(".bmp");
    ASSERT_EQ(SaveImageFile(path.c_str(), &image_, FILETYPE_BMP), 1);
    const std::vector<uint8_t> f = test::ReadAll(path);
    const uint32_t offset = bpp == 8 ? 1078 : 54;
    ASSERT_EQ(f.size(), offset + image_.SizeBytes());
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[1], 'M');
    EXPECT_EQ(test::Le32(f, 2), f.size());
    EXPECT_EQ(test::Le32(f, 6), 0u);
    EXPECT_EQ(test::Le32(f, 10), offset);
    EXPECT_EQ(test::Le32(f, 14), 40u);
    EXPECT_EQ(static_cast<int32_t>(test::Le32(f, 18)), kW);
    EXPECT_EQ(static_cast<int32_t>(test::Le32(f, 22)), kH);  // positive: bottom-up
    EXPECT_EQ(test::Le16(f, 26), 1);
    EXPECT_EQ(test::Le16(f, 28), bpp);
    EXPECT_EQ(test::Le32(f, 30), 0u);
    if (bpp == 8) {
        for (uint32_t i = 0; i < 256; ++i) EXPECT_EQ(test::Le32(f, 54 + 4 * i), i * 0x010101u);
    }
    // The file's first row is the picture's bottom row.
    for (int32_t k = 0; k < kH; ++k) {
        const uint8_t* fileRow = f.data() + offset + static_cast<size_t>(k) * image_.Stride();
        const uint8_t* memRow = image_.Row(kH - 1 - k);
        ASSERT_EQ(0, std::memcmp(fileRow, memRow, static_cast<size_t>(image_.Width() * bpp / 8)))
            << "file row " << k;
    }
}

TEST_P(SaveImageTest, RawIsTheMemoryRowsWithPadding) {
    const std::string path = test::TempPath(".raw");
    ASSERT_EQ(SaveImageFile(path.c_str(), &image_, FILETYPE_RAW), 1);
    const std::vector<uint8_t> f = test::ReadAll(path);
    ASSERT_EQ(f.size(), image_.SizeBytes());
    EXPECT_EQ(0, std::memcmp(f.data(), image_.Bits(), f.size()));
}

TEST_P(SaveImageTest, SavingOverALongerFileTruncatesIt) {
    for (int format = FILETYPE_BMP; format <= FILETYPE_TIFF; ++format) {
        const std::string fresh = test::TempPath(".fresh");
        const std::string reused = test::TempPath(".reused");
        test::WriteJunk(reused, 600000);
        ASSERT_EQ(SaveImageFile(fresh.c_str(), &image_, format), 1) << format;
        ASSERT_EQ(SaveImageFile(reused.c_str(), &image_, format), 1) << format;
        EXPECT_EQ(test::ReadAll(fresh), test::ReadAll(reused)) << "format " << format;
    }
}

// A disk that fills up during the save: 0, and no partial file is left behind.
TEST_P(SaveImageTest, AFullDiskFailsAndLeavesNoFile) {
    for (int format = FILETYPE_BMP; format <= FILETYPE_TIFF; ++format) {
        const std::string path = test::TempPath(".full");
        const std::string messages = test::TempPath(".stderr");
        const int result = test::RunWithFileSizeLimit(300, [&] {
            const int fd = ::open(messages.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (fd < 0 || ::dup2(fd, 2) < 0) return 2;
            return SaveImageFile(path.c_str(), &image_, format) == 0 ? 0 : 1;
        });
        EXPECT_EQ(result, 0) << "format " << format;
        EXPECT_FALSE(test::Exists(path)) << "format " << format;
        if (format == FILETYPE_PNG) {
            const auto text = test::ReadAll(messages);
            EXPECT_EQ(std::string(text.begin(), text.end()), "libpng error: Write Error\n");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryDepth, SaveImageTest, ::testing::ValuesIn(kDepths),
                         [](const auto& info) { return std::to_string(info.param) + "bit"; });

TEST(SaveImageFile, JpegQualitiesOrderTheFileSizes) {
    CDibImage image;
    ASSERT_EQ(image.Create(160, 120, 24), 1);
    test::FillPattern(image);
    int64_t sizes[3];
    for (int i = 0; i < 3; ++i) {
        const std::string path = test::TempPath(".jpg");
        ASSERT_EQ(SaveImageFile(path.c_str(), &image, FILETYPE_JPEG_HIGH + i), 1);
        sizes[i] = test::SizeOf(path);
    }
    EXPECT_GT(sizes[0], sizes[1]);
    EXPECT_GT(sizes[1], sizes[2]);
}

TEST(SaveImageFile, BitmapSizesOfFullFrames) {
    struct Case {
        int32_t width;
        uint16_t bpp;
        int64_t size;
    } cases[] = {{1280, 8, 922678}, {1279, 24, 54 + 2764800}};
    for (const Case& c : cases) {
        CDibImage image;
        ASSERT_EQ(image.Create(c.width, 720, c.bpp), 1);
        const std::string path = test::TempPath(".bmp");
        ASSERT_EQ(SaveImageFile(path.c_str(), &image, FILETYPE_BMP), 1);
        EXPECT_EQ(test::SizeOf(path), c.size) << c.width << "x720x" << c.bpp;
    }
}

TEST(SaveImageFile, RejectedRequestsCreateNoFileAndKeepAnExistingOne) {
    CDibImage image;
    ASSERT_EQ(image.Create(8, 8, 24), 1);
    CDibImage odd;  // a depth no encoder holds
    ASSERT_EQ(odd.Create(8, 8, 40), 1);
    CDibImage empty;
    struct Case {
        const CDibImage* image;
        int32_t format;
    } cases[] = {{&image, 7},  {&image, -1},           {&image, INT32_MIN}, {nullptr, 0},
                 {&empty, 0},  {&odd, FILETYPE_JPEG_HIGH}, {&odd, FILETYPE_PNG},
                 {&odd, FILETYPE_TIFF}};
    for (const Case& c : cases) {
        const std::string absent = test::TempPath(".none");
        EXPECT_EQ(SaveImageFile(absent.c_str(), c.image, c.format), 0) << c.format;
        EXPECT_FALSE(test::Exists(absent)) << c.format;
        const std::string existing = test::TempPath(".kept");
        test::WriteJunk(existing, 100);
        EXPECT_EQ(SaveImageFile(existing.c_str(), c.image, c.format), 0) << c.format;
        EXPECT_EQ(test::SizeOf(existing), 100) << c.format;
    }
}

TEST(SaveImageFile, UnwritableTargetsFail) {
    CDibImage image;
    ASSERT_EQ(image.Create(8, 8, 8), 1);
    const std::string dir = test::TempDir();
    const std::string missingDir = dir + "/no/such/dir/x.bmp";
    for (int format = FILETYPE_BMP; format <= FILETYPE_TIFF; ++format) {
        EXPECT_EQ(SaveImageFile(dir.c_str(), &image, format), 0) << format;
        EXPECT_EQ(SaveImageFile(missingDir.c_str(), &image, format), 0) << format;
        EXPECT_EQ(SaveImageFile("", &image, format), 0) << format;
        EXPECT_EQ(SaveImageFile(nullptr, &image, format), 0) << format;
    }
    EXPECT_TRUE(test::Exists(dir));
}

// Checks, as an unprivileged user, that read-only files are refused and kept. Returns 0 when so.
int SaveOverReadOnlyFiles(const std::string& dir) {
    CDibImage image;
    if (image.Create(8, 8, 24) != 1) return 1;
    for (int format = FILETYPE_BMP; format <= FILETYPE_TIFF; ++format) {
        const std::string path = dir + "/ro" + std::to_string(format);
        if (SaveImageFile(path.c_str(), &image, format) != 0) return 10 + format;
        if (test::SizeOf(path) != 50) return 20 + format;
    }
    return 0;
}

TEST(SaveImageFile, AReadOnlyFileFailsAndIsKept) {
    // Root writes read-only files, so the saves run in a child that gives up root.
    char templ[] = "/tmp/rezive-ro-XXXXXX";
    ASSERT_NE(::mkdtemp(templ), nullptr);
    const std::string dir = templ;
    ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);
    for (int format = FILETYPE_BMP; format <= FILETYPE_TIFF; ++format) {
        const std::string path = dir + "/ro" + std::to_string(format);
        test::WriteJunk(path, 50);
        ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    }
    const bool root = ::geteuid() == 0;
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (root && ::setuid(65534) != 0) ::_exit(2);
        ::_exit(SaveOverReadOnlyFiles(dir));
    }
    int status = -1;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    std::filesystem::remove_all(dir);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(SaveImageFile, ADeviceTargetIsWrittenButNeverRemoved) {
    CDibImage image;
    ASSERT_EQ(image.Create(8, 8, 8), 1);
    // /dev/full accepts the open and refuses every write: the save fails, the device stays.
    if (!test::Exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    for (int format = FILETYPE_BMP; format <= FILETYPE_TIFF; ++format)
        EXPECT_EQ(SaveImageFile("/dev/full", &image, format), 0) << format;
    EXPECT_TRUE(test::Exists("/dev/full"));
}

}  // namespace
}  // namespace rezive
