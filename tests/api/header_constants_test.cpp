// The named constants of the public header against what the library does with them: each
// filter id is the id its named functions use, each colour-mode pair is what Rezive_SetColorMode
// takes and Rezive_GetColorMode gives back, and the version macros are the reported version.
#include <gtest/gtest.h>

#include "support/api_camera_fixture.h"

namespace rezive::test {
namespace {

TEST(HeaderConstants, VersionMacrosAreTheReportedVersion) {
    EXPECT_EQ(Rezive_GetDllVersion(), RZ_DLL_VERSION);
    const uint32_t v = static_cast<uint32_t>(Rezive_GetDllVersion());
    EXPECT_EQ(v >> 24, static_cast<uint32_t>(RZ_DLL_VERSION_MAJOR));
    EXPECT_EQ((v >> 16) & 0xFF, static_cast<uint32_t>(RZ_DLL_VERSION_MINOR));
    EXPECT_EQ((v >> 8) & 0xFF, static_cast<uint32_t>(RZ_DLL_VERSION_BUILD));
    EXPECT_EQ(v & 0xFF, static_cast<uint32_t>(RZ_DLL_VERSION_REVISION));
}

struct NamedFilter {
    const char* name;
    int32_t id;
    int32_t (*set)(RzHandle, int32_t);
    int32_t (*get)(RzHandle, int32_t*);
    int32_t a, b;  // two different values in the filter's range
};

void PrintTo(const NamedFilter& f, std::ostream* os) { *os << f.name; }

class NamedFilterTest : public ApiCameraTest, public testing::WithParamInterface<NamedFilter> {};

// Written through one path and read through the other, both ways: a named function that
// forwards to another id, or a constant with the wrong value, shows as a mismatch.
TEST_P(NamedFilterTest, NamedFunctionsUseTheHeaderId) {
    const NamedFilter& f = GetParam();
    int32_t ok = 0;
    ASSERT_EQ(f.set(handle_, f.a), 1);
    EXPECT_EQ(Rezive_GetFilterValue(handle_, f.id, &ok), f.a);
    EXPECT_EQ(ok, 1);
    ASSERT_EQ(Rezive_SetFilterValue(handle_, f.id, f.b), 1);
    ok = 0;
    EXPECT_EQ(f.get(handle_, &ok), f.b);
    EXPECT_EQ(ok, 1);
}

#define RZ_NAMED(Name, ID, a, b) \
    NamedFilter { #Name, ID, Rezive_Set##Name, Rezive_Get##Name, a, b }

INSTANTIATE_TEST_SUITE_P(
    Header, NamedFilterTest,
    testing::Values(RZ_NAMED(Brightness, RZ_FILTER_BRIGHTNESS, -17, 23),
                    RZ_NAMED(Contrast, RZ_FILTER_CONTRAST, -5, 9),
                    RZ_NAMED(Hue, RZ_FILTER_HUE, -90, 45),
                    RZ_NAMED(Saturation, RZ_FILTER_SATURATION, 30, -40),
                    RZ_NAMED(Sharpness, RZ_FILTER_SHARPNESS, 3, 7),
                    RZ_NAMED(BayerGainRGB, RZ_FILTER_BAYER_GAIN_RGB, 0x030201, 0x102030),
                    RZ_NAMED(BayerGainRed, RZ_FILTER_BAYER_GAIN_RED, 120, 80),
                    RZ_NAMED(BayerGainGreen, RZ_FILTER_BAYER_GAIN_GREEN, 90, 110),
                    RZ_NAMED(BayerGainBlue, RZ_FILTER_BAYER_GAIN_BLUE, 130, 70),
                    RZ_NAMED(BayerGainAuto, RZ_FILTER_BAYER_GAIN_AUTO, 1, 0),
                    RZ_NAMED(Gamma, RZ_FILTER_GAMMA, 150, 60),
                    RZ_NAMED(BayerMode, RZ_FILTER_BAYER_MODE, 2, 1),
                    RZ_NAMED(GlobalGain, RZ_FILTER_GLOBAL_GAIN, 5, 9),
                    RZ_NAMED(ExposureTime, RZ_FILTER_EXPOSURE_TIME, 700, 1200),
                    RZ_NAMED(GrayMode, RZ_FILTER_GRAY_MODE, 1, 2),
                    RZ_NAMED(GrayGainR, RZ_FILTER_GRAY_GAIN_R, 100, 140),
                    RZ_NAMED(GrayGainG1, RZ_FILTER_GRAY_GAIN_G1, 101, 141),
                    RZ_NAMED(GrayGainG2, RZ_FILTER_GRAY_GAIN_G2, 102, 142),
                    RZ_NAMED(GrayGainB, RZ_FILTER_GRAY_GAIN_B, 103, 143),
                    RZ_NAMED(GrayOffsetR, RZ_FILTER_GRAY_OFFSET_R, -10, 20),
                    RZ_NAMED(GrayOffsetG1, RZ_FILTER_GRAY_OFFSET_G1, -11, 21),
                    RZ_NAMED(GrayOffsetG2, RZ_FILTER_GRAY_OFFSET_G2, -12, 22),
                    RZ_NAMED(GrayOffsetB, RZ_FILTER_GRAY_OFFSET_B, -13, 23)));

#undef RZ_NAMED

using HeaderConstantsTest = ApiCameraTest;

// The colour gains accept only 0, so their named functions are told apart from the other
// filters by refusing 1.
TEST_F(HeaderConstantsTest, NamedColourGainsAreTheZeroOnlyFilters) {
    const struct {
        int32_t (*set)(RzHandle, int32_t);
        int32_t (*get)(RzHandle, int32_t*);
    } gains[] = {{Rezive_SetColorGainRed, Rezive_GetColorGainRed},
                 {Rezive_SetColorGainGreen1, Rezive_GetColorGainGreen1},
                 {Rezive_SetColorGainGreen2, Rezive_GetColorGainGreen2},
                 {Rezive_SetColorGainBlue, Rezive_GetColorGainBlue}};
    for (size_t i = 0; i < std::size(gains); ++i) {
        EXPECT_EQ(gains[i].set(handle_, 1), 0) << i;
        EXPECT_EQ(Rezive_GetLastError(handle_), RZ_ERR_ARGUMENT) << i;
        EXPECT_EQ(gains[i].set(handle_, 0), 1) << i;
        int32_t ok = 0;
        EXPECT_EQ(gains[i].get(handle_, &ok), 0) << i;
        EXPECT_EQ(ok, 1) << i;
    }
}

TEST_F(HeaderConstantsTest, ColourModeCodesPairWithTheirBits) {
    const struct {
        int32_t bits, code;
    } modes[] = {{RZ_BITS_GRAY8, RZ_COLOR_MODE_GRAY8},   {RZ_BITS_GRAY16, RZ_COLOR_MODE_GRAY16},
                 {RZ_BITS_BGR24, RZ_COLOR_MODE_BGR24},   {RZ_BITS_BGRX32, RZ_COLOR_MODE_BGRX32},
                 {RZ_BITS_BGR48, RZ_COLOR_MODE_BGR48},   {RZ_BITS_BGRX64, RZ_COLOR_MODE_BGRX64}};
    for (const auto& m : modes) {
        ASSERT_EQ(Rezive_SetColorMode(handle_, m.bits), 1) << m.bits;
        const int32_t code = Rezive_GetColorMode(handle_);
        EXPECT_EQ(code, m.code) << m.bits;
        EXPECT_EQ(RZ_BITS_OF_COLOR_MODE(code), m.bits) << m.bits;
    }
    // A failed call's 0, and bits given where a code is expected, are no colour mode.
    for (const int32_t notACode : {0, 16, 48, 64, -1}) EXPECT_EQ(RZ_BITS_OF_COLOR_MODE(notACode), 0);
}

}  // namespace
}  // namespace rezive::test
