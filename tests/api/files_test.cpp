// Still images, AVI recording and the defect-pixel file end to end through the C API.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <map>
#include <vector>

#include "support/decoders.h"
#include "support/output_files.h"
#include "support/test_env.h"
#include "support/api_camera_fixture.h"

namespace rezive::test {
namespace {

using FilesTest = ApiCameraTest;

bool HaveFfprobe() { return ::access("/usr/bin/ffprobe", X_OK) == 0; }

TEST_F(FilesTest, SavingNeedsAProcessedFrame) {
    const std::string path = TempPath(".png");
    EXPECT_EQ(Rezive_SaveImage(handle_, path.c_str(), RZ_FILE_PNG), 0);
    EXPECT_EQ(Rezive_GetLastError(handle_), RZ_ERR_NO_DEVICE);
    EXPECT_FALSE(Exists(path));
}

TEST_F(FilesTest, EveryFormatOfASnapshotReadsBack) {
    camera_->SetTimeScale(0.2);
    Rezive_SetColorMode(handle_, 24);
    ASSERT_EQ(Rezive_SnapShot(handle_, nullptr, 0, 1), 1);
    const int32_t stride = StrideOf(1280, 24);
    std::vector<uint8_t> image(static_cast<size_t>(stride) * 720);
    ASSERT_EQ(Rezive_GetImage(handle_, image.data(), static_cast<int32_t>(image.size()), 1), 1);
    for (int32_t format = RZ_FILE_BMP; format <= RZ_FILE_TIFF; ++format) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%d", format);
        const std::string path = TempPath(suffix);
        ASSERT_EQ(Rezive_SaveImage(handle_, path.c_str(), format), 1) << format;
        EXPECT_GT(SizeOf(path), 1000) << format;
    }
    // PNG and TIFF hold exactly the processed picture, top row first, red first.
    for (int32_t format : {RZ_FILE_PNG, RZ_FILE_TIFF}) {
        const std::string path = TempPath(format == RZ_FILE_PNG ? ".png" : ".tif");
        ASSERT_EQ(Rezive_SaveImage(handle_, path.c_str(), format), 1);
        const Decoded d = format == RZ_FILE_PNG ? DecodePng(path) : DecodeTiff(path);
        ASSERT_TRUE(d.ok) << "format " << format;
        ASSERT_EQ(d.width, 1280);
        ASSERT_EQ(d.height, 720);
        for (int32_t y = 0; y < 720; y += 37)
            for (int32_t x = 0; x < 1280; x += 41)
                for (int32_t c = 0; c < 3; ++c)
                    ASSERT_EQ(d.At(x, y, c), image[static_cast<size_t>(y) * stride + x * 3 + 2 - c])
                        << "format " << format << " at " << x << "," << y;
    }
    const std::string bad = TempPath(".x");
    EXPECT_EQ(Rezive_SaveImage(handle_, bad.c_str(), 7), 0);
    EXPECT_EQ(Rezive_SaveImage(handle_, bad.c_str(), -1), 0);
    EXPECT_FALSE(Exists(bad));
    const std::u16string wide = u"\u00e9t\u00e9.bmp";
    const std::string narrowName = TempDir() + "/\xc3\xa9t\xc3\xa9.bmp";
    ASSERT_EQ(chdir(TempDir().c_str()), 0);
    EXPECT_EQ(Rezive_SaveImageW(handle_, wide.c_str(), RZ_FILE_BMP), 1);
    EXPECT_TRUE(Exists(narrowName));
}

// Every level keeps the picture; a higher one makes a smaller file; a level out of range is
// refused with the argument error and changes nothing.
TEST_F(FilesTest, PngCompressionLevelChangesTheFileNotThePicture) {
    camera_->SetTimeScale(0.2);
    Rezive_SetColorMode(handle_, 24);
    ASSERT_EQ(Rezive_SnapShot(handle_, nullptr, 0, 1), 1);
    int32_t level = 99;
    ASSERT_EQ(RzGetPngCompressionLevel(handle_, &level), 1);
    EXPECT_EQ(level, RZ_PNG_LEVEL_DEFAULT);
    struct Case {
        int32_t level;
        bool accepted;
    };
    const Case cases[] = {{-1, true}, {0, true},   {1, true}, {6, true},
                          {9, true},  {10, false}, {-2, false}};
    int32_t current = RZ_PNG_LEVEL_DEFAULT;
    Decoded first;
    std::map<int32_t, int64_t> sizes;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "level " << c.level);
        while (Rezive_GetLastError(handle_) != 0) {
        }
        EXPECT_EQ(RzSetPngCompressionLevel(handle_, c.level), c.accepted ? 1 : 0);
        EXPECT_EQ(Rezive_GetLastError(handle_), c.accepted ? 0 : RZ_ERR_ARGUMENT);
        if (c.accepted) current = c.level;
        ASSERT_EQ(RzGetPngCompressionLevel(handle_, &level), 1);
        EXPECT_EQ(level, current);
        const std::string path = TempPath(".png");
        ASSERT_EQ(Rezive_SaveImage(handle_, path.c_str(), RZ_FILE_PNG), 1);
        const Decoded d = DecodePng(path);
        ASSERT_TRUE(d.ok);
        if (!first.ok) first = d;
        EXPECT_TRUE(d.samples == first.samples);
        if (c.accepted) sizes[c.level] = SizeOf(path);
    }
    EXPECT_GT(sizes[0], sizes[1]);
    EXPECT_GT(sizes[1], sizes[9]);
    EXPECT_EQ(RzGetPngCompressionLevel(handle_, nullptr), 0);
    EXPECT_EQ(Rezive_GetLastError(handle_), RZ_ERR_ARGUMENT);
}

TEST_F(FilesTest, ARecordingHoldsFramesAndReadsBack) {
    camera_->SetTimeScale(0.2);
    Rezive_SetPreviewWindow(handle_, 0, 0, 0, 0, 0);
    Rezive_SetColorMode(handle_, 8);
    Rezive_SetCaptureWindowEx(handle_, 1280, 0, 320, 720, 0, 240);
    const std::string path = TempPath(".avi");
    ASSERT_EQ(Rezive_Record(handle_, path.c_str(), 400, 0), 1);
    EXPECT_EQ(Rezive_Record(handle_, TempPath(".avi").c_str(), 400, 0), 0)
        << "a second recording is refused";
    EXPECT_EQ(Rezive_GetLastError(handle_), RZ_ERR_FILE);
    // The recording ends by itself, and says so; the file is then finished (its RIFF size covers
    // the whole file; while recording it is kept up to date too, so it is no signal of the end).
    ASSERT_TRUE(WaitFor([&] { return StreamStatsOf(handle_).recording == 0; }, 60000));
    ASSERT_EQ(Rezive_StopPreview(handle_), 1);
    const auto bytes = ReadAll(path);
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_EQ(Le32(bytes, 4) + 8, bytes.size());
    EXPECT_GE(Le32(bytes, 48), 2u) << "frames";
    EXPECT_EQ(Le32(bytes, 64), 320u);
    EXPECT_EQ(Le32(bytes, 68), 240u);
    if (HaveFfprobe()) {
        const std::string probe = Probe(path);
        EXPECT_NE(probe.find("width=320"), std::string::npos) << probe;
        EXPECT_NE(probe.find("pix_fmt=bgr24"), std::string::npos) << probe;
    }
}

TEST_F(FilesTest, StoppingARecordingEarlyLeavesAReadableFile) {
    camera_->SetTimeScale(0.2);
    Rezive_SetPreviewWindow(handle_, 0, 0, 0, 0, 0);
    Rezive_SetCaptureWindowEx(handle_, 1280, 0, 256, 720, 0, 128);
    const std::string path = TempPath(".avi");
    ASSERT_EQ(Rezive_Record(handle_, path.c_str(), 600000, 0), 1);
    ASSERT_TRUE(WaitFor([&] { return SizeOf(path) > 232 + 2 * (256 * 3 * 128 + 8); }));
    ASSERT_EQ(Rezive_StopPreview(handle_), 1);
    const auto bytes = ReadAll(path);
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_EQ(Le32(bytes, 4) + 8, bytes.size());
    EXPECT_GE(Le32(bytes, 48), 2u);
    if (HaveFfprobe()) {
        EXPECT_NE(Probe(path).find("nb_read_frames="), std::string::npos);
    }
}

TEST_F(FilesTest, RecordRefusesAnEmptyNameAndAnUnwritableFile) {
    EXPECT_EQ(Rezive_Record(handle_, "", 100, 0), 0);
    EXPECT_EQ(Rezive_GetLastError(handle_), RZ_ERR_ARGUMENT);
    EXPECT_EQ(Rezive_Record(handle_, nullptr, 100, 0), 0);
    EXPECT_EQ(Rezive_GetLastError(handle_), RZ_ERR_ARGUMENT);
    Rezive_SetPreviewWindow(handle_, 0, 0, 0, 0, 0);
    EXPECT_EQ(Rezive_Record(handle_, (TempDir() + "/no/such/dir/x.avi").c_str(), 100, 0), 0);
    EXPECT_EQ(Rezive_GetLastError(handle_), RZ_ERR_FILE);
}

TEST_F(FilesTest, TheDefectListCorrectsFrames) {
    camera_->SetTimeScale(0.2);
    Rezive_SetColorMode(handle_, 8);
    // A defect in the full window at column 640, sensor row 300 (memory row 719 - 300).
    const std::string path = TempPath(".cfg");
    {
        std::ofstream out(path, std::ios::binary);
        const int32_t record[2] = {640, 300};
        out.write(reinterpret_cast<const char*>(record), sizeof record);
        out.write("tail", 4);  // a partial record is ignored
    }
    ASSERT_EQ(Rezive_LoadConfigFileA(handle_, path.c_str()), 1);
    ASSERT_EQ(Rezive_SetConfigFilter(handle_, 1), 1);
    std::vector<uint8_t> frame(1280 * 720);
    ASSERT_EQ(Rezive_SnapShot(handle_, frame.data(), static_cast<int32_t>(frame.size()), 1), 1);
    const size_t m = 719 - 300;
    auto at = [&](size_t row, size_t col) { return static_cast<int>(frame[row * 1280 + col]); };
    EXPECT_EQ(at(m, 640), (at(m, 639) + at(m, 641) + at(m - 1, 640) + at(m + 1, 640)) / 4);
    EXPECT_EQ(Rezive_LoadConfigFileA(handle_, (path + ".missing").c_str()), 0);
    const std::u16string wide(path.begin(), path.end());
    EXPECT_EQ(Rezive_LoadConfigFileW(handle_, wide.c_str()), 1);
}

}  // namespace
}  // namespace rezive::test
