#include <gtest/gtest.h>

#include "acquisition/auto_iris.h"
#include "imaging/pixel_access.h"

namespace rezive {
namespace {

struct FactorCase {
    const char* name;
    std::array<int32_t, 5> means;
    double factor;
    bool changes;  // outside the dead band 0.6 < f < 1.2
};

void PrintTo(const FactorCase& c, std::ostream* os) { *os << c.name; }

class AutoIrisFactorTest : public testing::TestWithParam<FactorCase> {};

TEST_P(AutoIrisFactorTest, SumsStepsInWindowOrder) {
    const double f = AutoIrisFactor(GetParam().means);
    EXPECT_EQ(f, GetParam().factor);  // exact: the order of the double operations matters
    EXPECT_EQ(!(f > 0.6 && f < 1.2), GetParam().changes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AutoIrisFactorTest,
    testing::Values(FactorCase{"AllMid", {120, 120, 120, 120, 120}, 1.0, false},
                    FactorCase{"AllBright", {201, 250, 255, 230, 210}, 0.24999999999999992, true},
                    FactorCase{"FourFairlyBright", {161, 200, 180, 190, 120}, 0.6000000000000001, false},
                    FactorCase{"FourDim", {50, 99, 70, 60, 120}, 1.2000000000000002, true},
                    FactorCase{"AllDark", {0, 10, 49, 20, 30}, 1.5000000000000004, true},
                    FactorCase{"Boundaries", {200, 160, 100, 50, 120}, 0.9500000000000001, false}),
    [](const testing::TestParamInfo<FactorCase>& info) { return info.param.name; });

TEST(AutoIris, WindowsOfTheFullFrame) {
    const auto w = AutoIrisWindows(1280, 720);
    EXPECT_EQ(w[0].left, 128);
    EXPECT_EQ(w[0].top, 72);
    EXPECT_EQ(w[0].right, 256);
    EXPECT_EQ(w[0].bottom, 144);
    EXPECT_EQ(w[2].left, 576);
    EXPECT_EQ(w[2].right, 704);
    EXPECT_EQ(w[2].top, 324);
    EXPECT_EQ(w[2].bottom, 396);
    EXPECT_EQ(w[4].left, 1024);
    EXPECT_EQ(w[4].bottom, 648);
}

TEST(AutoIris, BrightSixteenBitFramesReadBright) {
    // 12-bit samples near full scale: a 10-bit reduction would wrap them to dark.
    CDibImage raw;
    ASSERT_EQ(raw.Create(40, 20, 16), 1);
    for (int32_t r = 0; r < 20; ++r)
        for (int32_t c = 0; c < 40; ++c) pixel::Store16(raw.Row(r) + c * 2, 4000);
    for (const Rect& window : AutoIrisWindows(40, 20))
        EXPECT_EQ(AutoIrisMeanLevel(raw, window), 4000 >> 4);
    CDibImage mono;
    ASSERT_EQ(mono.Create(40, 20, 8), 1);
    std::fill(mono.Bits(), mono.Bits() + mono.SizeBytes(), 77);
    EXPECT_EQ(AutoIrisMeanLevel(mono, AutoIrisWindows(40, 20)[2]), 77);
}

}  // namespace
}  // namespace rezive
