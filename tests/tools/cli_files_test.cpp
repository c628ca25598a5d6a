// rezive-cam end to end: the files that snapshot, trigger and record write are there and are
// valid images and AVI files of the size the camera delivers.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>

#include "support/avi_walker.h"
#include "support/decoders.h"
#include "support/output_files.h"
#include "tools/cli_runner.h"

namespace rezive::test {
namespace {

uint32_t Le32(const std::string& bytes, size_t at) {
    uint32_t v = 0;
    for (int k = 3; k >= 0; --k) v = v << 8 | static_cast<unsigned char>(bytes[at + k]);
    return v;
}

// Reads every strip: libtiff splits a large single-strip file into many strips when reading.
Decoded ReadTiff(const std::string& path) {
    Decoded d;
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    if (tiff == nullptr) return d;
    uint32_t w = 0, h = 0;
    uint16_t bps = 0, spp = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetField(tiff, TIFFTAG_SAMPLESPERPIXEL, &spp);
    std::vector<uint8_t> strip(static_cast<size_t>(TIFFStripSize(tiff)));
    uint64_t total = 0;
    bool ok = true;
    for (uint32_t k = 0; k < TIFFNumberOfStrips(tiff) && ok; ++k) {
        const tmsize_t got = TIFFReadEncodedStrip(tiff, k, strip.data(), static_cast<tmsize_t>(strip.size()));
        ok = got > 0;
        total += ok ? static_cast<uint64_t>(got) : 0;
    }
    TIFFClose(tiff);
    d.ok = ok && total == uint64_t{w} * h * spp * bps / 8;
    d.width = static_cast<int32_t>(w);
    d.height = static_cast<int32_t>(h);
    d.channels = spp;
    d.bitsPerSample = bps;
    return d;
}

struct StillCase {
    const char* name;    // file name given to -o
    const char* format;  // --format, or "" to let the tool guess from the name
    const char* color;
    int channels;        // what the decoded file holds
};

class SnapshotFormats : public testing::TestWithParam<StillCase> {};

TEST_P(SnapshotFormats, WritesADecodableImageOfTheCameraSize) {
    REZIVE_REQUIRE_CLI();
    const StillCase& c = GetParam();
    CliEnvironment env;
    const std::string path = TempPath(std::string("-") + c.name);
    std::vector<std::string> args = {"snapshot", "-o", path, "--color", c.color};
    if (*c.format) args.insert(args.end(), {"--format", c.format});
    const CliResult r = env.Run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("saved " + path), std::string::npos) << r.out;

    const std::string bytes = ReadText(path);
    const std::string ext = std::filesystem::path(path).extension();
    Decoded d;
    if (ext == ".png") {
        d = DecodePng(path);
    } else if (ext == ".jpg") {
        d = DecodeJpeg(path);
    } else if (ext == ".tif") {
        d = ReadTiff(path);
    } else if (ext == ".bmp") {
        ASSERT_GE(bytes.size(), 54u);
        ASSERT_EQ(bytes.substr(0, 2), "BM");
        EXPECT_EQ(Le32(bytes, 2), bytes.size());  // declared size is the file size
        d.ok = true;
        d.width = static_cast<int32_t>(Le32(bytes, 18));
        d.height = static_cast<int32_t>(Le32(bytes, 22));
        d.channels = (Le32(bytes, 28) & 0xFFFF) / 8;
    } else {  // raw: the rows as stored, padded to 4 bytes
        const int32_t bits = std::atoi(c.color);
        EXPECT_EQ(bytes.size(), static_cast<size_t>((1280 * bits / 8 + 3) & ~3) * 720);
        return;
    }
    ASSERT_TRUE(d.ok) << path;
    EXPECT_EQ(d.width, 1280);
    EXPECT_EQ(d.height, 720);
    EXPECT_EQ(d.channels, c.channels);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, SnapshotFormats,
    testing::Values(StillCase{"colour.png", "", "24", 3}, StillCase{"gray16.png", "", "16", 1},
                    StillCase{"alpha.png", "", "64", 4}, StillCase{"colour.jpg", "", "24", 3},
                    StillCase{"low.jpg", "jpeg-low", "32", 3}, StillCase{"gray.jpg", "", "8", 1},
                    StillCase{"colour.tif", "", "48", 3}, StillCase{"gray.bmp", "", "8", 1},
                    StillCase{"colour.bmp", "bmp", "24", 3}, StillCase{"frame.raw", "", "16", 1}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (auto& ch : n) ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        return n;
    });

// --png-level reaches the file: the fastest level writes the larger file; a level out of range is
// a usage error that writes nothing.
TEST(CliSnapshot, PngLevelTradesFileSize) {
    REZIVE_REQUIRE_CLI();
    CliEnvironment env;
    std::map<std::string, int64_t> sizes;
    for (const std::string level : {"1", "9", "10", "-2"}) {
        SCOPED_TRACE("level " + level);
        const std::string path = TempPath("-level" + level + ".png");
        const CliResult r =
            env.Run({"snapshot", "-o", path, "--window", "640", "480", "--png-level", level});
        if (level == "10" || level == "-2") {
            EXPECT_EQ(r.status, 64) << r.err;
            EXPECT_FALSE(std::filesystem::exists(path));
            continue;
        }
        ASSERT_EQ(r.status, 0) << r.err;
        const Decoded d = DecodePng(path);
        ASSERT_TRUE(d.ok);
        EXPECT_EQ(d.width, 640);
        sizes[level] = static_cast<int64_t>(std::filesystem::file_size(path));
    }
    EXPECT_GT(sizes["1"], sizes["9"]);
}

TEST(CliSnapshot, SeriesAndWindowGiveNumberedFilesOfTheWindowSize) {
    REZIVE_REQUIRE_CLI();
    CliEnvironment env;
    const std::string path = TempPath("-series.png");
    const CliResult r = env.Run({"snapshot", "-o", path, "--count", "3", "--window", "640", "480"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string stem = path.substr(0, path.size() - 4);
    for (const char* n : {"-0001", "-0002", "-0003"}) {
        const Decoded d = DecodePng(stem + n + ".png");
        ASSERT_TRUE(d.ok) << stem + n;
        EXPECT_EQ(d.width, 640);
        EXPECT_EQ(d.height, 480);
    }
    EXPECT_FALSE(std::filesystem::exists(path)) << "a series numbers every file";
}

TEST(CliTrigger, SavesOneImagePerSoftwareTrigger) {
    REZIVE_REQUIRE_CLI();
    CliEnvironment env;
    const std::string path = TempPath("-trig.png");
    const CliResult r = env.Run({"trigger", "--count", "2", "-o", path, "--color", "8"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string stem = path.substr(0, path.size() - 4);
    for (const char* n : {"-0001", "-0002"}) {
        const Decoded d = DecodePng(stem + n + ".png");
        ASSERT_TRUE(d.ok) << stem + n;
        EXPECT_EQ(d.channels, 1);
    }
}

// The RIFF structure of a finished recording: sizes that add up, one index entry per frame.
void ExpectFinishedAvi(const std::string& path, uint32_t width, uint32_t height) {
    const std::string bytes = ReadText(path);
    ASSERT_GE(bytes.size(), 232u) << path;
    ASSERT_EQ(bytes.substr(0, 4), "RIFF");
    ASSERT_EQ(bytes.substr(8, 4), "AVI ");
    EXPECT_EQ(Le32(bytes, 4) + 8, bytes.size()) << "RIFF size is filled in";
    const uint32_t frames = Le32(bytes, 48);
    EXPECT_GT(frames, 0u);
    EXPECT_EQ(Le32(bytes, 64), width);
    EXPECT_EQ(Le32(bytes, 68), height);
    const size_t idx = bytes.rfind("idx1");
    ASSERT_NE(idx, std::string::npos);
    EXPECT_EQ(Le32(bytes, idx + 4), 16 * frames);
    EXPECT_EQ(idx + 8 + 16 * frames, bytes.size());
}

TEST(CliRecord, WritesAFinishedAviAndReportsItsFrames) {
    REZIVE_REQUIRE_CLI();
    CliEnvironment env;
    const std::string path = TempPath("-clip.avi");
    const CliResult r = env.Run({"--json", "record", "-o", path, "--duration", "1s",
                                 "--window", "320", "240"});
    ASSERT_EQ(r.status, 0) << r.err;
    ExpectFinishedAvi(path, 320, 240);
    EXPECT_NE(r.out.find("\"frames\":" + std::to_string(Le32(ReadText(path), 48))),
              std::string::npos)
        << r.out;
}

// A minute-long recording of a 320 x 240 window, running in a child; stderr goes to *errPath.
pid_t StartLongRecording(const CliEnvironment& env, const std::string& path, std::string* errPath) {
    std::string outPath;
    return env.Start({"record", "-o", path, "--duration", "60s", "--window", "320", "240"},
                     &outPath, errPath);
}

TEST(CliRecord, CtrlCFinishesTheFileAndExitsWith130) {
    REZIVE_REQUIRE_CLI();
    CliEnvironment env;
    const std::string path = TempPath("-long.avi");
    std::string errPath;
    const pid_t recorder = StartLongRecording(env, path, &errPath);
    ASSERT_GT(recorder, 0);
    // Interrupt once some frames are on disk (each 320 x 240 frame is 230 kB).
    ASSERT_TRUE(WaitUntil([&] {
        std::error_code ec;
        return std::filesystem::file_size(path, ec) > 3 * 230400u && !ec;
    })) << ReadText(errPath);
    kill(recorder, SIGINT);
    EXPECT_EQ(CliEnvironment::Wait(recorder), 130) << ReadText(errPath);
    ExpectFinishedAvi(path, 320, 240);
}

// A recording process killed outright (no chance to finish its file) leaves a file that a
// strict reader reads up to the header's last update, at most about a second before the kill.
TEST(CliRecord, AKilledRecordingIsReadableUpToItsLastSecond) {
    REZIVE_REQUIRE_CLI();
    CliEnvironment env;
    const std::string path = TempPath("-killed.avi");
    std::string errPath;
    const pid_t recorder = StartLongRecording(env, path, &errPath);
    ASSERT_GT(recorder, 0);
    // Kill once the header has counted some frames in two updates (the count has moved on).
    auto counted = [&] {
        std::string head(144, '\0');
        std::FILE* f = std::fopen(path.c_str(), "rb");
        const bool whole = f != nullptr && std::fread(head.data(), 1, head.size(), f) == head.size();
        if (f != nullptr) std::fclose(f);
        return whole ? Le32(head, 140) : 0u;
    };
    uint32_t seen = 0;
    ASSERT_TRUE(WaitUntil([&] { return (seen = counted()) > 0; })) << ReadText(errPath);
    ASSERT_TRUE(WaitUntil([&] { return counted() > seen; })) << ReadText(errPath);
    const uint32_t before = counted();
    kill(recorder, SIGKILL);
    CliEnvironment::Wait(recorder);

    const AviWalk walk = WalkAvi(path, true);
    ASSERT_TRUE(walk.ok) << walk.error;
    EXPECT_GE(walk.frames.size(), before);
    EXPECT_EQ(walk.width, 320);
    EXPECT_EQ(walk.height, 240);
    // What no header claims is the last moments only: under a second of frames at most.
    const uint64_t uncovered = walk.trailingBytes / (230400 + 8);
    EXPECT_LT(uncovered, 400u) << "frames written after the last header update";
    if (std::filesystem::exists("/usr/bin/ffprobe")) {
        const std::string probe = test::Probe(path);
        EXPECT_NE(probe.find("nb_read_frames="), std::string::npos) << probe;
    }
}

TEST(CliPreview, RunsUntilCtrlCThenStopsCleanlyAndReports) {
    REZIVE_REQUIRE_CLI();
    CliEnvironment env;
    std::string outPath, errPath;
    const pid_t preview = env.Start({"--json", "preview", "--no-window"}, &outPath, &errPath);
    ASSERT_GT(preview, 0);
    // The tool says it is previewing once the preview runs.
    ASSERT_TRUE(WaitUntil([&] { return ReadText(errPath).find("Ctrl-C") != std::string::npos; }))
        << ReadText(errPath);
    kill(preview, SIGINT);
    EXPECT_EQ(CliEnvironment::Wait(preview), 0) << ReadText(errPath);
    EXPECT_NE(ReadText(outPath).find("\"frames\":"), std::string::npos) << ReadText(outPath);
}

}  // namespace
}  // namespace rezive::test
