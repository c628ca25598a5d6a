// AVI writer: the byte layout field by field, the finishing rules, limits and failing disks.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "output/avi_writer.h"
#include "support/avi_walker.h"
#include "support/output_files.h"
#include "support/test_env.h"

namespace rezive {
namespace {

using test::Code;
using test::Le16;
using test::Le32;

std::vector<uint8_t> Frame(uint32_t bytes, uint8_t seed) {
    std::vector<uint8_t> f(bytes);
    for (uint32_t i = 0; i < bytes; ++i) f[i] = static_cast<uint8_t>(seed * 31 + i);
    return f;
}

// Offset of the first frame chunk of a file of width x height frames: the header and the
// first RIFF's standard index, reserved for as many frames as the RIFF can take.
uint64_t FirstChunk(int32_t width, int32_t height) {
    AviWriter writer;
    const std::string path = test::TempPath(".avi");
    EXPECT_TRUE(writer.Begin(path.c_str(), width, height, 24));
    const uint64_t first = writer.DataEnd();
    writer.Reset();
    std::remove(path.c_str());
    return first;
}

// Writes frames frames of width x height and finishes with rate100; returns the file bytes.
std::vector<uint8_t> Record(const std::string& path, int32_t width, int32_t height,
                            uint32_t frames, uint32_t rate100) {
    AviWriter writer;
    EXPECT_TRUE(writer.Begin(path.c_str(), width, height, 24));
    for (uint32_t i = 0; i < frames; ++i) {
        const auto f = Frame(writer.FrameBytes(), static_cast<uint8_t>(i));
        EXPECT_EQ(writer.WriteFrame(f.data(), f.size()), AviWriter::Status::Ok);
    }
    EXPECT_TRUE(writer.Finish(rate100));
    EXPECT_FALSE(writer.IsOpen());
    return test::ReadAll(path);
}

// Checks every header field and chunk of a finished file of frames frames.
void ExpectLayout(const std::vector<uint8_t>& b, int32_t width, int32_t height, uint32_t frames,
                  uint32_t microsPerFrame, uint32_t scale, bool indexed = true) {
    const uint32_t stride = (3 * width + 3) & ~3u;
    const uint32_t fb = stride * height;
    const size_t first = FirstChunk(width, height);
    const size_t dataEnd = first + size_t{frames} * (8 + fb);
    const size_t length = dataEnd + (indexed ? 8 + 16 * frames : 0);
    ASSERT_EQ(b.size(), length);
    EXPECT_EQ(Code(b, 0), "RIFF");
    EXPECT_EQ(Le32(b, 4), length - 8);
    EXPECT_EQ(Code(b, 8), "AVI ");
    EXPECT_EQ(Code(b, 12), "LIST");
    EXPECT_EQ(Le32(b, 16), AviWriter::kMoviList - 20);
    EXPECT_EQ(Code(b, 20), "hdrl");
    EXPECT_EQ(Code(b, 24), "avih");
    EXPECT_EQ(Le32(b, 28), 56u);
    EXPECT_EQ(Le32(b, 32), microsPerFrame);
    EXPECT_EQ(Le32(b, 40), 0u);
    EXPECT_EQ(Le32(b, 44), indexed ? 0x10010u : 0x10000u);
    EXPECT_EQ(Le32(b, 48), frames);
    EXPECT_EQ(Le32(b, 52), 0u);
    EXPECT_EQ(Le32(b, 56), 1u);
    EXPECT_EQ(Le32(b, 60), fb + 8);
    EXPECT_EQ(Le32(b, 64), static_cast<uint32_t>(width));
    EXPECT_EQ(Le32(b, 68), static_cast<uint32_t>(height));
    for (size_t at = 72; at < 88; at += 4) EXPECT_EQ(Le32(b, at), 0u) << at;
    EXPECT_EQ(Code(b, 88), "LIST");
    EXPECT_EQ(Le32(b, 92), AviWriter::kOdmlList - 96);
    EXPECT_EQ(Code(b, 96), "strl");
    EXPECT_EQ(Code(b, 100), "strh");
    EXPECT_EQ(Le32(b, 104), 64u);
    EXPECT_EQ(Code(b, 108), "vids");
    EXPECT_EQ(Code(b, 112), "DIB ");
    EXPECT_EQ(Le32(b, 116), 0u);
    EXPECT_EQ(Le32(b, 120), 0u);
    EXPECT_EQ(Le32(b, 124), 0u);
    EXPECT_EQ(Le32(b, 128), scale);
    EXPECT_EQ(Le32(b, 132), 10000000u);
    EXPECT_EQ(Le32(b, 136), 0u);
    EXPECT_EQ(Le32(b, 140), frames);
    EXPECT_EQ(Le32(b, 144), fb + 8);
    EXPECT_EQ(Le32(b, 148), 0u);
    EXPECT_EQ(Le32(b, 152), 0u);
    for (size_t at = 156; at < 172; at += 4) EXPECT_EQ(Le32(b, at), 0u) << at;
    EXPECT_EQ(Code(b, 172), "strf");
    EXPECT_EQ(Le32(b, 176), 40u);
    EXPECT_EQ(Le32(b, 180), 40u);
    EXPECT_EQ(Le32(b, 184), static_cast<uint32_t>(width));
    EXPECT_EQ(Le32(b, 188), static_cast<uint32_t>(height));
    EXPECT_EQ(Le16(b, 192), 1);
    EXPECT_EQ(Le16(b, 194), 24);
    for (size_t at = 196; at < 220; at += 4) EXPECT_EQ(Le32(b, at), 0u) << at;
    EXPECT_EQ(Code(b, 220), "indx");
    EXPECT_EQ(Le32(b, 224), AviWriter::kIndxBytes);
    EXPECT_EQ(Le32(b, AviWriter::kIndxData + 4), 1u) << "one RIFF";
    EXPECT_EQ(Code(b, AviWriter::kOdmlList + 8), "odml");
    EXPECT_EQ(Le32(b, AviWriter::kDmlhData), frames);
    EXPECT_EQ(Code(b, AviWriter::kMoviList), "LIST");
    EXPECT_EQ(Le32(b, AviWriter::kMoviSizeOffset), dataEnd - AviWriter::kMoviCodeOffset);
    EXPECT_EQ(Code(b, AviWriter::kMoviCodeOffset), "movi");
    EXPECT_EQ(Code(b, AviWriter::kHeaderBytes), "ix00");
    for (uint32_t i = 0; i < frames; ++i) {
        const size_t at = first + size_t{i} * (8 + fb);
        EXPECT_EQ(Code(b, at), "00db") << i;
        EXPECT_EQ(Le32(b, at + 4), fb) << i;
        const auto f = Frame(fb, static_cast<uint8_t>(i));
        EXPECT_EQ(0, std::memcmp(b.data() + at + 8, f.data(), fb)) << "frame " << i;
    }
    if (!indexed) return;
    EXPECT_EQ(Code(b, dataEnd), "idx1");
    EXPECT_EQ(Le32(b, dataEnd + 4), 16 * frames);
    for (uint32_t i = 0; i < frames; ++i) {
        const size_t e = dataEnd + 8 + 16 * size_t{i};
        EXPECT_EQ(Code(b, e), "00db");
        EXPECT_EQ(Le32(b, e + 4), 0x10u);
        EXPECT_EQ(Le32(b, e + 8), first - AviWriter::kMoviCodeOffset + i * (8 + fb));
        EXPECT_EQ(Le32(b, e + 12), fb);
    }
}

TEST(AviWriter, LayoutFieldByField) {
    struct Case {
        int32_t width, height;
        uint32_t frames, rate100, micros, scale;
    } cases[] = {
        {5, 3, 3, 3000, 33333, 333333},      // stride 16: padded rows
        {8, 2, 1, 2500, 40000, 400000},      // no padding
        {1278, 4, 2, 1000, 100000, 1000000}, // stride 3836
        {4, 4, 0, 3000, 33333, 333333},      // no frame at all
        {4, 4, 2, 0, 100000000, 1000000000}, // rate below 0.01 per second: the slowest stated
        {4, 4, 2, 4000000000u, 1, 10},       // absurd rates are held to one microsecond
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " rate " << c.rate100);
        const std::string path = test::TempPath(".avi");
        ExpectLayout(Record(path, c.width, c.height, c.frames, c.rate100), c.width, c.height,
                     c.frames, c.micros, c.scale);
    }
}

TEST(AviWriter, BeginWritesTheNominalHeader) {
    const std::string path = test::TempPath(".avi");
    AviWriter writer;
    ASSERT_TRUE(writer.Begin(path.c_str(), 1280, 720, 16));
    EXPECT_EQ(writer.FrameBytes(), 2764800u);
    EXPECT_EQ(writer.SourceBitsPerPixel(), 16);
    const auto b = test::ReadAll(path);
    ASSERT_EQ(b.size(), FirstChunk(1280, 720));
    // A file cut right here is already a valid file of no frames.
    EXPECT_EQ(Le32(b, 4), b.size() - 8);
    EXPECT_TRUE(test::WalkAvi(path).ok) << test::WalkAvi(path).error;
    EXPECT_EQ(Le32(b, 32), 33333u);
    EXPECT_EQ(Le32(b, 48), 0u);
    EXPECT_EQ(Le32(b, 60), 2764808u);
    EXPECT_EQ(Le32(b, 128), 333333u);
    EXPECT_EQ(Le32(b, 140), 0u);
    EXPECT_EQ(Le32(b, 144), 2764808u);
    EXPECT_EQ(Le32(b, AviWriter::kMoviSizeOffset), b.size() - AviWriter::kMoviCodeOffset);
}

TEST(AviWriter, FullSizeFramesAddUp) {
    const std::string path = test::TempPath(".avi");
    const auto b = Record(path, 1280, 720, 2, 3000);
    const uint32_t n = 2;
    const uint64_t first = FirstChunk(1280, 720);
    EXPECT_EQ(Le32(b, AviWriter::kMoviSizeOffset),
              first - AviWriter::kMoviCodeOffset + n * 2764808);
    EXPECT_EQ(Le32(b, 4), first - 8 + n * 2764808 + 8 + 16 * n);
    EXPECT_EQ(b.size(), Le32(b, 4) + 8u);
}

TEST(AviWriter, MeasuredRate) {
    EXPECT_EQ(AviWriter::MeasuredRate100(30, 1000), 3000u);
    EXPECT_EQ(AviWriter::MeasuredRate100(1, 0), AviWriter::kNominalRate100);
    EXPECT_EQ(AviWriter::MeasuredRate100(1, 200000), 0u);
    EXPECT_EQ(AviWriter::MeasuredRate100(UINT32_MAX, 1), UINT32_MAX);
}

TEST(AviWriter, RejectsBadUseWithoutTouchingTheFile) {
    const std::string path = test::TempPath(".avi");
    AviWriter writer;
    uint8_t byte = 0;
    EXPECT_EQ(writer.WriteFrame(&byte, 1), AviWriter::Status::NotOpen);
    EXPECT_FALSE(writer.Finish(3000));
    EXPECT_FALSE(writer.Begin(path.c_str(), 0, 10, 24));
    EXPECT_FALSE(writer.Begin(path.c_str(), 10, -1, 24));
    EXPECT_FALSE(writer.Begin(test::TempDir().c_str(), 4, 4, 24));
    EXPECT_FALSE(writer.Begin((test::TempDir() + "/missing/x.avi").c_str(), 4, 4, 24));
    EXPECT_FALSE(test::Exists(path));

    ASSERT_TRUE(writer.Begin(path.c_str(), 4, 4, 24));
    std::vector<uint8_t> wrong(writer.FrameBytes() - 1);
    EXPECT_EQ(writer.WriteFrame(wrong.data(), wrong.size()), AviWriter::Status::BadFrame);
    EXPECT_EQ(writer.WriteFrame(nullptr, writer.FrameBytes()), AviWriter::Status::BadFrame);
    ASSERT_TRUE(writer.Finish(3000));
    ExpectLayout(test::ReadAll(path), 4, 4, 0, 33333, 333333);
}

TEST(AviWriter, BeginTruncatesAnExistingFile) {
    const std::string path = test::TempPath(".avi");
    test::WriteJunk(path, 100000);
    ExpectLayout(Record(path, 4, 4, 1, 3000), 4, 4, 1, 33333, 333333);
}

TEST(AviWriter, ResetLeavesTheFileUnfinishedAndFrees) {
    const std::string path = test::TempPath(".avi");
    AviWriter writer;
    ASSERT_TRUE(writer.Begin(path.c_str(), 4, 4, 24));
    const auto f = Frame(writer.FrameBytes(), 0);
    ASSERT_EQ(writer.WriteFrame(f.data(), f.size()), AviWriter::Status::Ok);
    writer.Reset();
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_EQ(writer.FrameCount(), 0u);
    const auto b = test::ReadAll(path);
    EXPECT_EQ(b.size(), FirstChunk(4, 4) + 8 + 48);
    // Unfinished: the header is as of the last checkpoint, Begin's (no frame).
    EXPECT_EQ(Le32(b, 4), FirstChunk(4, 4) - 8);
}

// The size limit stops a recording at a whole frame and leaves a finished file within it.
TEST(AviWriter, StopsAtTheSizeLimitWithAFinishedFile) {
    const std::string path = test::TempPath(".avi");
    const uint64_t fb = 48;                                      // 4 x 4 frames
    const uint64_t first = FirstChunk(4, 4);
    const uint64_t limit = first + 5 * (8 + fb) + 8 + 16 * 5 + 20;  // room for five, not six
    AviWriter writer(limit);
    ASSERT_TRUE(writer.Begin(path.c_str(), 4, 4, 24));
    uint32_t written = 0;
    for (int i = 0; i < 10; ++i) {
        const auto f = Frame(writer.FrameBytes(), static_cast<uint8_t>(i));
        const AviWriter::Status s = writer.WriteFrame(f.data(), f.size());
        if (s != AviWriter::Status::Ok) {
            EXPECT_EQ(s, AviWriter::Status::SizeLimit);
            break;
        }
        ++written;
    }
    EXPECT_EQ(written, 5u);
    ASSERT_TRUE(writer.Finish(3000));
    const auto b = test::ReadAll(path);
    EXPECT_LE(b.size(), limit);
    ExpectLayout(b, 4, 4, 5, 33333, 333333);

    AviWriter tooSmall(first + 8 + fb + 8 + 16 - 1);  // not even one frame fits
    EXPECT_FALSE(tooSmall.Begin(path.c_str(), 4, 4, 24));
}

// A disk that fills up during a frame: the frames before it stay readable, with an index when
// the cut-off chunk left room for one and without (has-index flag cleared) when not.
TEST(AviWriter, AFullDiskKeepsTheFramesWrittenBeforeIt) {
    constexpr uint64_t fb = 16 * 3 * 4;  // 16 x 4 frames
    struct Case {
        uint64_t limit;
        bool indexed;
    } cases[] = {
        {FirstChunk(16, 4) + 2 * (8 + fb) + fb / 2, true},  // the half chunk cut away makes room
        {FirstChunk(16, 4) + 2 * (8 + fb) + 10, false},     // no room for the index
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.limit);
        const std::string path = test::TempPath(".avi");
        const int result = test::RunWithFileSizeLimit(c.limit, [&] {
            AviWriter writer;
            if (!writer.Begin(path.c_str(), 16, 4, 24)) return 10;
            for (int i = 0; i < 2; ++i) {
                const auto f = Frame(writer.FrameBytes(), static_cast<uint8_t>(i));
                if (writer.WriteFrame(f.data(), f.size()) != AviWriter::Status::Ok) return 11;
            }
            const auto f = Frame(writer.FrameBytes(), 2);
            if (writer.WriteFrame(f.data(), f.size()) != AviWriter::Status::WriteFailed) return 12;
            if (writer.WriteFrame(f.data(), f.size()) != AviWriter::Status::WriteFailed) return 13;
            const bool finished = writer.Finish(2500);
            return finished == c.indexed ? 0 : 14;
        });
        ASSERT_EQ(result, 0);
        ExpectLayout(test::ReadAll(path), 16, 4, 2, 40000, 400000, c.indexed);
        if (test::Exists("/usr/bin/ffprobe")) {
            const std::string out = test::Probe(path);
            EXPECT_NE(out.find("nb_read_frames=2\n"), std::string::npos) << out;
        }
    }
}

// ffprobe, an independent reader, accepts the file with its size, format, rate and frame count.
TEST(AviWriter, AcceptedByFfprobe) {
    if (!test::Exists("/usr/bin/ffprobe")) GTEST_SKIP() << "ffprobe is not installed";
    const std::string path = test::TempPath(".avi");
    Record(path, 64, 48, 10, 2500);
    const std::string out = test::Probe(path);
    EXPECT_NE(out.find("codec_name=rawvideo"), std::string::npos) << out;
    EXPECT_NE(out.find("width=64\n"), std::string::npos) << out;
    EXPECT_NE(out.find("height=48\n"), std::string::npos) << out;
    EXPECT_NE(out.find("pix_fmt=bgr24"), std::string::npos) << out;
    EXPECT_NE(out.find("r_frame_rate=25/1"), std::string::npos) << out;
    EXPECT_NE(out.find("nb_frames=10\n"), std::string::npos) << out;
    EXPECT_NE(out.find("nb_read_frames=10\n"), std::string::npos) << out;
}

}  // namespace
}  // namespace rezive
