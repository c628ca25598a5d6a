// Recordings past one RIFF: the OpenDML layout with small RIFFs (so the test runs in moments),
// read back by the strict reader and by ffmpeg, finished or cut short as a killed process
// leaves them.
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

// Frame i of a run: every byte depends on the frame and its place, so a frame read from the
// wrong place shows.
std::vector<uint8_t> NumberedFrame(uint32_t bytes, uint32_t i) {
    std::vector<uint8_t> f(bytes);
    for (uint32_t k = 0; k < bytes; ++k) f[k] = static_cast<uint8_t>(i * 7 + k * 13 + (k >> 8));
    return f;
}

std::vector<uint8_t> ReadAt(const std::string& path, uint64_t offset, size_t n) {
    std::vector<uint8_t> out(n);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return {};
    const bool ok = fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0 &&
                    std::fread(out.data(), 1, n, f) == n;
    std::fclose(f);
    return ok ? out : std::vector<uint8_t>{};
}

// The last frame as ffmpeg decodes it (top-down bgr24 rows), or empty without ffmpeg.
std::vector<uint8_t> LastFrameByFfmpeg(const std::string& path, size_t frameBytes) {
    const std::string raw = path + ".raw";
    const std::string command = "/usr/bin/ffmpeg -v error -y -i '" + path +
                                "' -f rawvideo -pix_fmt bgr24 '" + raw + "' 2>&1";
    if (std::system(command.c_str()) != 0) return {};
    const auto all = test::ReadAll(raw);
    std::remove(raw.c_str());
    if (all.size() < frameBytes) return {};
    return std::vector<uint8_t>(all.end() - static_cast<ptrdiff_t>(frameBytes), all.end());
}

TEST(AviOpenDml, ManyRiffsReadBackFrameByFrame) {
    constexpr int32_t kWidth = 64, kHeight = 48;  // 9216-byte frames, no row padding
    struct Case {
        const char* name;
        uint64_t riffBytes;
        uint32_t frames;
        uint32_t checkpointEvery;  // 0: none before the end
        bool killed;               // closed without finishing after the last checkpoint
        uint32_t afterCheckpoint;  // frames written after it
    } cases[] = {
        {"one RIFF", 64 << 20, 50, 0, false, 0},
        {"exactly full first RIFF", 0, 0, 0, false, 0},  // sized below from the capacity
        {"four RIFFs", 1 << 20, 400, 37, false, 0},
        {"killed in the first RIFF", 64 << 20, 60, 25, true, 10},
        {"killed in a later RIFF", 1 << 20, 300, 40, true, 7},
        {"killed right after a new RIFF", 1 << 20, 0, 0, true, 0},  // sized below
    };
    const uint32_t frameBytes = static_cast<uint32_t>(AviWriter::FrameBytesFor(kWidth, kHeight));
    for (Case c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = test::TempPath(".avi");
        AviWriter::Limits limits;
        limits.riffBytes = c.riffBytes != 0 ? c.riffBytes : 1 << 20;
        AviWriter writer(limits);
        ASSERT_TRUE(writer.Begin(path.c_str(), kWidth, kHeight, 24));
        // Frames per RIFF follow from the first frame's offset and the RIFF size.
        const uint32_t perFirstRiff = static_cast<uint32_t>(
            (limits.riffBytes - writer.DataEnd() - 8) / (8 + frameBytes + 16 + 8) + 0);
        if (c.frames == 0 && !c.killed) c.frames = perFirstRiff;
        if (c.frames == 0 && c.killed) c.frames = perFirstRiff + 1, c.checkpointEvery = 1;
        uint32_t checkpointed = 0;
        for (uint32_t i = 0; i < c.frames; ++i) {
            const auto f = NumberedFrame(frameBytes, i);
            ASSERT_EQ(writer.WriteFrame(f.data(), f.size()), AviWriter::Status::Ok) << i;
            const bool last = i + 1 == c.frames;
            const bool due = c.checkpointEvery != 0 && (i + 1) % c.checkpointEvery == 0;
            if (due || (c.killed && last)) {
                ASSERT_TRUE(writer.Checkpoint(2500));
                checkpointed = i + 1;
            }
        }
        const uint32_t riffs = writer.RiffCount();
        uint32_t expected = c.frames;
        if (c.killed) {
            for (uint32_t i = 0; i < c.afterCheckpoint; ++i) {
                const auto f = NumberedFrame(frameBytes, c.frames + i);
                ASSERT_EQ(writer.WriteFrame(f.data(), f.size()), AviWriter::Status::Ok);
            }
            writer.Reset();  // the file as a killed process leaves it
            expected = checkpointed;
        } else {
            ASSERT_TRUE(writer.Finish(2500));
        }

        const test::AviWalk walk = test::WalkAvi(path, c.killed);
        ASSERT_TRUE(walk.ok) << walk.error;
        EXPECT_EQ(walk.frames.size(), expected);
        EXPECT_EQ(walk.totalFrames, expected);
        EXPECT_GE(walk.riffs, c.killed ? 1u : riffs);
        EXPECT_EQ(walk.avihFrames, std::min(expected, perFirstRiff));
        EXPECT_EQ(walk.trailingBytes != 0, c.killed && c.afterCheckpoint != 0);
        for (uint32_t i = 0; i < walk.frames.size(); i += 17) {
            EXPECT_EQ(ReadAt(path, walk.frames[i].offset, frameBytes), NumberedFrame(frameBytes, i))
                << "frame " << i;
        }
        if (!test::Exists("/usr/bin/ffprobe")) continue;
        const std::string probe = test::Probe(path);
        const size_t at = probe.find("nb_read_frames=");
        ASSERT_NE(at, std::string::npos) << probe;
        const uint64_t read = std::stoull(probe.substr(at + 15));
        // ffmpeg also plays whole frames past the last checkpoint of a killed file: a lenient
        // reader may see more, never fewer.
        if (c.killed) {
            EXPECT_GE(read, expected) << probe;
            continue;
        }
        EXPECT_EQ(read, expected) << probe;
        const auto last = LastFrameByFfmpeg(path, frameBytes);
        const auto want = NumberedFrame(frameBytes, expected - 1);
        ASSERT_EQ(last.size(), want.size());
        const size_t stride = 3 * kWidth;
        for (int32_t r = 0; r < kHeight; ++r) {
            // ffmpeg gives the picture top-down; the file holds it bottom-up.
            const uint8_t* stored = want.data() + (kHeight - 1 - r) * stride;
            ASSERT_EQ(0, std::memcmp(last.data() + r * stride, stored, stride))
                << "row " << r;
        }
    }
}

TEST(AviOpenDml, TheSuperIndexLimitEndsTheFileCleanly) {
    AviWriter::Limits limits;
    limits.riffBytes = 64 << 10;  // a few frames per RIFF
    AviWriter writer(limits);
    const std::string path = test::TempPath(".avi");
    ASSERT_TRUE(writer.Begin(path.c_str(), 16, 16, 24));
    const auto f = NumberedFrame(writer.FrameBytes(), 1);
    AviWriter::Status status = AviWriter::Status::Ok;
    uint32_t written = 0;
    while ((status = writer.WriteFrame(f.data(), f.size())) == AviWriter::Status::Ok) ++written;
    EXPECT_EQ(status, AviWriter::Status::SizeLimit);
    EXPECT_EQ(writer.RiffCount(), AviWriter::kSuperIndexEntries);
    ASSERT_TRUE(writer.Finish(3000));
    const test::AviWalk walk = test::WalkAvi(path);
    ASSERT_TRUE(walk.ok) << walk.error;
    EXPECT_EQ(walk.frames.size(), written);
    EXPECT_EQ(walk.riffs, AviWriter::kSuperIndexEntries);
}

}  // namespace
}  // namespace rezive
