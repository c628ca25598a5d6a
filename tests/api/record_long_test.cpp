// A recording past 4 GiB through the public interface, read back by the strict reader and by
// ffmpeg frame by frame (label `long`: several gigabytes and about a minute; not run by CI).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/api_camera_fixture.h"
#include "support/avi_walker.h"
#include "support/output_files.h"
#include "support/test_env.h"

namespace rezive::test {
namespace {

using RecordLongTest = ApiCameraTest;

std::vector<uint8_t> ReadAt(const std::string& path, uint64_t offset, size_t n) {
    std::vector<uint8_t> out(n);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    const bool ok = f != nullptr && fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0 &&
                    std::fread(out.data(), 1, n, f) == n;
    if (f != nullptr) std::fclose(f);
    return ok ? out : std::vector<uint8_t>{};
}

TEST_F(RecordLongTest, ARecordingPastFourGigabytesReadsBackWhole) {
    if (!Exists("/usr/bin/ffprobe")) GTEST_SKIP() << "ffmpeg is not installed";
    constexpr uint64_t kGoal = (uint64_t{4} << 30) + (uint64_t{200} << 20);
    camera_->SetTimeScale(0);  // frames as fast as they are asked for
    Rezive_SetColorMode(handle_, 24);
    Rezive_SetWaitTime(handle_, 1);
    Rezive_SetPreviewWindow(handle_, 0, 0, 0, 0, 0);
    const std::string path = TempPath(".avi");
    ASSERT_EQ(Rezive_Record(handle_, path.c_str(), 3600000, 0), 1);
    ASSERT_TRUE(WaitFor([&] {
        std::error_code ec;
        return std::filesystem::file_size(path, ec) > kGoal;
    }, 30 * 60 * 1000));
    ASSERT_EQ(Rezive_StopPreview(handle_), 1);
    RzStreamStats s{};
    s.size = sizeof s;
    ASSERT_EQ(RzGetStreamStats(handle_, &s), 1);

    const AviWalk walk = WalkAvi(path);
    ASSERT_TRUE(walk.ok) << walk.error;
    EXPECT_GT(walk.riffs, 4u);
    EXPECT_EQ(walk.frames.size(), s.recorded);
    EXPECT_LT(walk.avihFrames, walk.frames.size()) << "AVI 1.0 readers see the first RIFF";
    RecordProperty("frames", static_cast<int>(walk.frames.size()));
    RecordProperty("dropped", static_cast<int>(s.recorderDropped));

    const std::string probe = Probe(path);
    EXPECT_NE(probe.find("nb_read_frames=" + std::to_string(walk.frames.size()) + "\n"),
              std::string::npos)
        << probe;
    // The last frame as ffmpeg finds it through the OpenDML index: the file's last chunk.
    const std::string raw = path + ".last";
    const std::string command = "/usr/bin/ffmpeg -v error -y -i '" + path +
                                "' -vf 'select=eq(n\\," + std::to_string(walk.frames.size() - 1) +
                                ")' -frames:v 1 -f rawvideo -pix_fmt bgr24 '" + raw + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const auto last = ReadAll(raw);
    const AviFrameRef& chunk = walk.frames.back();
    const auto stored = ReadAt(path, chunk.offset, chunk.size);
    const size_t stride = 3 * 1280;
    ASSERT_EQ(last.size(), stored.size());
    for (size_t r = 0; r < 720; ++r) {
        ASSERT_EQ(0, std::memcmp(last.data() + r * stride, stored.data() + (719 - r) * stride,
                                 stride))
            << "row " << r;
    }
    std::remove(raw.c_str());
    std::remove(path.c_str());
}

}  // namespace
}  // namespace rezive::test
