// What the virtual camera's frames contain: unity response for known pictures, response to
// exposure and gain, mosaic phase under mirroring, and the sequence stamp.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "device/rezive417dir_sdk.h"
#include "support/virtual_device_fixture.h"
#include "support/test_env.h"
#include "virtual_camera/frame_sequence.h"
#include "virtual_camera/png_writer.h"
#include "virtual_camera/scene.h"

namespace rezive {
namespace {

using virtual_camera::Filter;
using virtual_camera::FilterAt;

// A picture value per (x, y, channel) that differs between channels and neighbours.
uint16_t Picture(int x, int y, int ch, int depth) {
    const uint32_t v = static_cast<uint32_t>(x * 7 + y * 13 + ch * 85);
    return depth == 8 ? static_cast<uint16_t>(v & 0xFF) : static_cast<uint16_t>((v * 331) & 0xFFFF);
}

int Channel(Filter f) { return f == Filter::kRed ? 0 : f == Filter::kGreen ? 1 : 2; }

// The colour that the library's mosaic processing assigns to memory (r, c) for a phase.
Filter PhaseColour(int phase, int r, int c) {
    const int rp = (r + (phase & 1)) & 1;
    const int cp = (c + ((phase >> 1) & 1)) & 1;
    if (rp == cp) return Filter::kGreen;
    return rp == 0 ? Filter::kBlue : Filter::kRed;
}

class ResponseTest : public test::VirtualDeviceTest {
protected:
    void SetUp() override {
        VirtualDeviceTest::SetUp();
        Cam().SetTimeScale(0.0);
        model_ = std::make_unique<CRezive417DIRVUDSdk>();
        model_->SetMirrorH(0);
        model_->SetMirrorV(0);
        model_->SetExposure(637);
        model_->SetGainIndex(0);
    }
    void UsePicture(int channels, int depth) {
        std::vector<uint16_t> samples(1280 * 720 * channels);
        for (int y = 0; y < 720; ++y)
            for (int x = 0; x < 1280; ++x)
                for (int ch = 0; ch < channels; ++ch)
                    samples[(y * 1280 + x) * channels + ch] = Picture(x, y, ch, depth);
        const std::string path = test::TempPath(".png");
        ASSERT_TRUE(test::WritePng(path, 1280, 720, channels, depth, samples));
        ASSERT_TRUE(Cam().LoadSceneFile(path));
    }
    // One frame of the current window as samples.
    std::vector<uint16_t> Frame() {
        const bool sixteen = model_->SixteenBit() != 0;
        const size_t n = static_cast<size_t>(model_->OutputWidth()) * model_->OutputHeight();
        std::vector<uint8_t> bytes(n * (sixteen ? 2 : 1));
        EXPECT_EQ(model_->TransferSingleFrame(), 0);
        EXPECT_EQ(model_->DecodeSingleFrame(bytes.data()), 0);
        std::vector<uint16_t> out(n);
        for (size_t i = 0; i < n; ++i) out[i] = sixteen ? bytes[2 * i] | (bytes[2 * i + 1] << 8) : bytes[i];
        return out;
    }
    std::unique_ptr<CRezive417DIRVUDSdk> model_;
};

TEST_F(ResponseTest, KnownPicturesReadBackExactlyAtUnity) {
    struct Case { int channels, depth; bool sixteen; };
    const Case cases[] = {{3, 8, false}, {3, 8, true}, {1, 8, false}, {3, 16, false}, {3, 16, true},
                          {1, 16, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.channels << " ch " << c.depth << " bit, 16-bit out " << c.sixteen);
        UsePicture(c.channels, c.depth);
        EXPECT_FALSE(Cam().Stats().framesServed > 0 && false);
        model_->SetSampleWidth(c.sixteen);
        model_->SetWindow(0, 0, 1280, 720, 0);
        model_->SetExposure(637);
        const auto frame = Frame();
        int mismatches = 0;
        for (int y = 0; y < 720; y += 7) {
            for (int x = 0; x < 1280; x += 3) {
                const int ch = c.channels == 1 ? 0 : Channel(FilterAt(y, x));
                const uint16_t v = Picture(x, y, ch, c.depth);
                const uint16_t want = c.depth == 8 ? (c.sixteen ? v * 16 : v) : (c.sixteen ? v >> 4 : v >> 8);
                if (frame[y * 1280 + x] != want && ++mismatches < 5) {
                    ADD_FAILURE() << "at " << x << "," << y << ": " << frame[y * 1280 + x] << " != " << want;
                }
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
}

TEST_F(ResponseTest, LevelFollowsExposureTimesGainAndSaturates) {
    std::vector<uint16_t> gray(1280 * 720, 60);
    const std::string path = test::TempPath(".png");
    ASSERT_TRUE(test::WritePng(path, 1280, 720, 1, 8, gray));
    ASSERT_TRUE(Cam().LoadSceneFile(path));
    struct Case { int exposure, gainIndex, value; };
    const Case cases[] = {
        {637, 0, 60}, {1274, 0, 120}, {318, 0, 29},  // 60 x 318 / 637 = 29.95, truncated
        {637, 1, 67},                              // code 0x03: 9/8
        {637, 2, 150},                             // code 0x14: 2 x 10/8
        {637, 11, 255},                            // code 0x3D: 4 x 19/8, clipped
        {6370, 0, 255},
    };
    int previous = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "exposure " << c.exposure << " gain " << c.gainIndex);
        model_->SetExposure(c.exposure);
        model_->SetGainIndex(c.gainIndex);
        const auto frame = Frame();
        EXPECT_EQ(frame[1280 * 100 + 200], c.value);
        previous = c.value;
    }
    (void)previous;
}

TEST_F(ResponseTest, MosaicPhaseMatchesTheEffectivePhaseInEveryMirrorCombination) {
    // Mirroring must not change colours: with Bayer mode 3 and the mirror bits applied to the
    // phase, the library's colour at every memory position is the filter the sample came from.
    struct Window { int x, y, w, h; };
    // Odd starts are rounded up to even ones by the model; the sizes here are even because the
    // sensor only reads even sizes (an odd width shears the frame, as on the real sensor).
    const Window windows[] = {{0, 0, 1280, 720}, {1, 1, 1278, 718}, {100, 50, 64, 32}};
    UsePicture(3, 8);
    for (const auto& win : windows) {
        ASSERT_EQ(model_->SetWindow(win.x, win.y, win.w, win.h, 0), 0);
        for (int mirrorH = 0; mirrorH < 2; ++mirrorH) {
            for (int mirrorV = 0; mirrorV < 2; ++mirrorV) {
                SCOPED_TRACE(testing::Message() << "window " << win.x << "," << win.y << " H" << mirrorH << " V" << mirrorV);
                model_->SetMirrorH(mirrorH);
                model_->SetMirrorV(mirrorV);
                const int phase = 3 ^ (mirrorV ? 1 : 0) ^ (mirrorH ? 2 : 0);
                const auto frame = Frame();
                const int evenW = (win.w + 1) & ~1, evenH = (win.h + 1) & ~1;
                const int x0 = (win.x + 1) & ~1, y0 = (win.y + 1) & ~1;
                for (int r = 0; r < 4; ++r) {
                    for (int c = 0; c < 4; ++c) {
                        const int sy = y0 + (mirrorV ? evenH - 1 - r : r);
                        const int sx = x0 + (mirrorH ? evenW - 1 - c : c);
                        const Filter f = FilterAt(sy, sx);
                        EXPECT_EQ(f, PhaseColour(phase, r, c)) << r << "," << c;
                        EXPECT_EQ(frame[r * win.w + c], Picture(sx, sy, Channel(f), 8));
                    }
                }
            }
        }
    }
}

TEST_F(ResponseTest, SequenceStampIsRecoverableInEveryLayout) {
    Cam().SetSequenceStamp(true);
    for (bool sixteen : {false, true}) {
        for (int mirror = 0; mirror < 2; ++mirror) {
            model_->SetSampleWidth(sixteen);
            model_->SetWindow(0, 0, 1280, 720, 0);
            model_->SetMirrorH(mirror);
            model_->SetMirrorV(mirror);
            const auto frame = Frame();
            std::vector<uint8_t> bytes(frame.size() * 2);
            for (size_t i = 0; i < frame.size(); ++i) {
                bytes[2 * i] = static_cast<uint8_t>(frame[i]);
                bytes[2 * i + 1] = static_cast<uint8_t>(frame[i] >> 8);
            }
            EXPECT_EQ(virtual_camera::RecoverSequence(bytes.data(), 1280, 720, 2560, 2, sixteen),
                      Cam().Stats().lastSequence);
        }
    }
    // A colour picture of the stamp (every channel at the cell's level) reads the same.
    std::vector<uint8_t> bgr(200 * 8 * 3, 0);
    const uint32_t seq = 0x80F00F01;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 128; ++x)
            for (int ch = 0; ch < 3; ++ch) bgr[(y * 200 + x) * 3 + ch] = (seq >> (31 - x / 4)) & 1 ? 255 : 0;
    EXPECT_EQ(virtual_camera::RecoverSequence(bgr.data(), 200, 8, 600, 3, false), seq);
    EXPECT_EQ(virtual_camera::RecoverSequence(bgr.data(), 127, 8, 600, 3, false), -1);
}

TEST_F(ResponseTest, NoiseIsOptionalAndBounded) {
    std::vector<uint16_t> gray(1280 * 720, 100);
    const std::string path = test::TempPath(".png");
    ASSERT_TRUE(test::WritePng(path, 1280, 720, 1, 8, gray));
    ASSERT_TRUE(Cam().LoadSceneFile(path));
    auto frame = Frame();
    EXPECT_EQ(std::count(frame.begin(), frame.end(), 100), static_cast<long>(frame.size()));
    Cam().SetNoise(true);
    frame = Frame();
    int differing = 0;
    for (uint16_t v : frame) {
        EXPECT_LE(std::abs(int(v) - 100), 1);
        differing += v != 100;
    }
    EXPECT_GT(differing, 1000);
}

TEST_F(ResponseTest, PicturesOfOtherSizesCoverTheWholeArray) {
    std::vector<uint16_t> samples(640 * 360);
    for (int y = 0; y < 360; ++y)
        for (int x = 0; x < 640; ++x) samples[y * 640 + x] = static_cast<uint16_t>((x + 3 * y) & 0xFF);
    const std::string path = test::TempPath(".png");
    ASSERT_TRUE(test::WritePng(path, 640, 360, 1, 8, samples));
    ASSERT_TRUE(Cam().LoadSceneFile(path));
    const auto frame = Frame();
    for (int y = 0; y < 720; y += 37)
        for (int x = 0; x < 1280; x += 41) ASSERT_EQ(frame[y * 1280 + x], samples[(y / 2) * 640 + x / 2]);
}

// A PNG file of only a header claiming the given size (the pixel data is one empty block).
std::string HeaderOnlyPng(uint32_t width, uint32_t height, uint8_t depth, uint8_t colorType) {
    auto chunk = [](std::string& out, const char* type, const std::string& body) {
        const uint32_t n = static_cast<uint32_t>(body.size());
        for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<char>(n >> s));
        const std::string typed = std::string(type, 4) + body;
        out += typed;
        const uint32_t crc = static_cast<uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size())));
        for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<char>(crc >> s));
    };
    std::string header;
    for (uint32_t v : {width, height})
        for (int s = 24; s >= 0; s -= 8) header.push_back(static_cast<char>(v >> s));
    header += {static_cast<char>(depth), static_cast<char>(colorType), 0, 0, 0};
    std::string file = "\x89PNG\r\n\x1a\n";
    chunk(file, "IHDR", header);
    chunk(file, "IDAT", std::string("\x78\x9c\x03\x00\x00\x00\x00\x01", 8));
    chunk(file, "IEND", "");
    return file;
}

// A file of a few bytes can claim a picture of gigabytes: pictures past the size limits are
// refused from their header, before anything is allocated for them (found by the scene fuzzer).
TEST_F(ResponseTest, PicturesPastTheSizeLimitsAreRefused) {
    struct Case {
        uint32_t width, height;
        uint8_t depth, colorType;
    };
    const Case headerOnly[] = {
        {16384, 16384, 16, 6},  // 1.6 GB of 16-bit RGB from a 69-byte file
        {16385, 1, 8, 2},       // past the side limit
    };
    for (const Case& c : headerOnly) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        const std::string path = test::TempPath(".png");
        const std::string bytes = HeaderOnlyPng(c.width, c.height, c.depth, c.colorType);
        FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        EXPECT_FALSE(Cam().LoadSceneFile(path));
    }
    // Whole, valid pictures: one column past 4096 x 4096 pixels is refused, a long thin one
    // within both limits loads.
    const std::string over = test::TempPath(".png");
    ASSERT_TRUE(test::WritePng(over, 4097, 4096, 1, 8, std::vector<uint16_t>(4097 * 4096, 0)));
    EXPECT_FALSE(Cam().LoadSceneFile(over));
    EXPECT_FALSE(Cam().HasFileScene());
    const std::string thin = test::TempPath(".png");
    ASSERT_TRUE(test::WritePng(thin, 16384, 2, 1, 8, std::vector<uint16_t>(16384 * 2, 77)));
    EXPECT_TRUE(Cam().LoadSceneFile(thin));
}

TEST_F(ResponseTest, BuiltInSceneMovesAndBadFilesAreRefused) {
    EXPECT_FALSE(Cam().HasFileScene());
    EXPECT_FALSE(Cam().LoadSceneFile(test::TempPath(".missing.png")));
    const std::string junk = test::TempPath(".png");
    FILE* f = std::fopen(junk.c_str(), "wb");
    std::fputs("\x89PNG\r\n\x1a\nnot really", f);
    std::fclose(f);
    EXPECT_FALSE(Cam().LoadSceneFile(junk));
    EXPECT_FALSE(Cam().HasFileScene());
    Cam().SetSequenceStamp(false);
    const auto a = Frame();
    const auto b = Frame();
    EXPECT_NE(a, b);  // the disc moved
    long same = 0;
    for (size_t i = 0; i < a.size(); ++i) same += a[i] == b[i];
    EXPECT_GT(same, static_cast<long>(a.size() * 9 / 10));  // the rest of the scene stood still
}

}  // namespace
}  // namespace rezive
