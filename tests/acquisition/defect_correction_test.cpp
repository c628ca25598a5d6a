#include <gtest/gtest.h>

#include "acquisition/defect_correction.h"
#include "imaging/pixel_access.h"

namespace rezive {
namespace {

// A frame whose sample at (column c, memory row m) is 10 * c + m + 1 (all distinct, < 256 for
// small frames), so a corrected pixel's value tells which neighbours were averaged.
void Ramp(CDibImage& image, int32_t w, int32_t h, uint16_t bits) {
    image.Create(w, h, bits);
    for (int32_t m = 0; m < h; ++m)
        for (int32_t c = 0; c < w; ++c) {
            const int32_t v = 10 * c + m + 1;
            if (bits == 16) pixel::Store16(image.Row(m) + c * 2, static_cast<uint16_t>(v));
            else image.Row(m)[c] = static_cast<uint8_t>(v);
        }
}

int32_t At(const CDibImage& image, int32_t c, int32_t m) {
    return image.BitsPerPixel() == 16 ? pixel::Load16(image.Row(m) + c * 2) : image.Row(m)[c];
}

CaptureGeometry Window(int32_t x, int32_t y, int32_t w, int32_t h) {
    CaptureGeometry g;
    g.xOffset = x;
    g.yOffset = y;
    g.width = w;
    g.height = h;
    return g;
}

struct MirrorCase {
    bool h, v;
};

class DefectMirrorTest : public testing::TestWithParam<MirrorCase> {};

// Window 8 x 6 at (100, 200): sensor columns 100..107, sensor rows 720-200-6 = 514 .. 519.
TEST_P(DefectMirrorTest, CornersOfTheWindowMapIntoTheFrame) {
    const auto [mh, mv] = GetParam();
    const CaptureGeometry g = Window(100, 200, 8, 6);
    struct Probe {
        int32_t x, y;
    } probes[] = {{100, 514}, {107, 514}, {100, 519}, {107, 519}};
    for (const auto& p : probes) {
        for (uint16_t bits : {uint16_t{8}, uint16_t{16}}) {
            CDibImage frame;
            Ramp(frame, 8, 6, bits);
            CDibImage original;
            Ramp(original, 8, 6, bits);
            DefectList list;
            list.Replace({{p.x, p.y}});
            CorrectDefects(frame, list, g, mh, mv);
            const int32_t c = mh ? 107 - p.x : p.x - 100;
            const int32_t j = mv ? 719 - 200 - p.y : p.y - 514;
            const int32_t m = 6 - 1 - j;
            // Neighbours in the frame: along the row and the column, where they exist.
            int32_t sum = 0, n = 0;
            if (c > 0) { sum += At(original, c - 1, m); ++n; }
            if (c < 7) { sum += At(original, c + 1, m); ++n; }
            if (j > 0) { sum += At(original, c, m + 1); ++n; }
            if (j < 5) { sum += At(original, c, m - 1); ++n; }
            EXPECT_EQ(At(frame, c, m), sum / n) << "x " << p.x << " y " << p.y << " bits " << bits;
            for (int32_t mm = 0; mm < 6; ++mm)
                for (int32_t cc = 0; cc < 8; ++cc)
                    if (cc != c || mm != m) {
                        ASSERT_EQ(At(frame, cc, mm), At(original, cc, mm));
                    }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Mirrors, DefectMirrorTest,
                         testing::Values(MirrorCase{false, false}, MirrorCase{true, false},
                                         MirrorCase{false, true}, MirrorCase{true, true}));

TEST(DefectCorrection, EntriesOutsideTheWindowAreIgnored) {
    const CaptureGeometry g = Window(100, 200, 8, 6);
    CDibImage frame;
            Ramp(frame, 8, 6, 8);
    CDibImage original;
            Ramp(original, 8, 6, 8);
    DefectList list;
    list.Replace({{99, 515}, {108, 515}, {101, 513}, {101, 520}, {-1, -1}, {5000, 5000}});
    CorrectDefects(frame, list, g, false, false);
    EXPECT_EQ(0, std::memcmp(frame.Bits(), original.Bits(), frame.SizeBytes()));
}

TEST(DefectCorrection, ListedNeighboursAreSkipped) {
    // Full window: list coordinates equal frame coordinates (column, row index from the bottom).
    const CaptureGeometry g = Window(0, 0, 1280, 720);
    CDibImage frame;
    ASSERT_EQ(frame.Create(1280, 720, 8), 1);
    // Row index 5 is memory row 714; three defects in a row at columns 10, 11, 12.
    const int32_t m = 714;
    for (int32_t c = 0; c < 20; ++c) frame.Row(m)[c] = static_cast<uint8_t>(c * 10);
    frame.Row(m - 1)[11] = 40;  // row index 6 (above in the list's terms)
    frame.Row(m + 1)[11] = 80;  // row index 4
    DefectList list;
    list.Replace({{10, 5}, {11, 5}, {12, 5}});
    CorrectDefects(frame, list, g, false, false);
    // Column 11: left skips the listed 10 -> 9 (value 90), right skips 12 -> 13 (130), up/down 80, 40.
    EXPECT_EQ(frame.Row(m)[11], (90 + 130 + 80 + 40) / 4);
}

TEST(DefectCorrection, AnEmptyListChangesNothing) {
    CDibImage frame;
            Ramp(frame, 4, 4, 8);
    CDibImage original;
            Ramp(original, 4, 4, 8);
    DefectList list;
    CorrectDefects(frame, list, Window(0, 0, 4, 4), true, true);
    EXPECT_EQ(0, std::memcmp(frame.Bits(), original.Bits(), frame.SizeBytes()));
}

}  // namespace
}  // namespace rezive
