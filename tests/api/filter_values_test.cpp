// The filter-identifier table of Rezive_SetFilterValue / Rezive_GetFilterValue and its named
// exports, against the virtual camera.
#include <gtest/gtest.h>

#include "support/api_camera_fixture.h"

namespace rezive::test {
namespace {

struct RangeCase {
    int32_t id;
    int32_t min, max;
};

void PrintTo(const RangeCase& c, std::ostream* os) { *os << "filter " << c.id; }

class FilterRangeTest : public ApiCameraTest, public testing::WithParamInterface<RangeCase> {};

TEST_P(FilterRangeTest, AcceptsItsRangeAndRejectsTheRestWithNine) {
    const auto [id, min, max] = GetParam();
    int32_t ok = -1;
    for (int32_t v : {min, max, (min + max) / 2}) {
        ASSERT_EQ(Rezive_SetFilterValue(handle_, id, v), 1) << v;
        EXPECT_EQ(Rezive_GetFilterValue(handle_, id, &ok), v);
        EXPECT_EQ(ok, 1);
    }
    const int32_t kept = Rezive_GetFilterValue(handle_, id, nullptr);
    for (int32_t v : {min - 1, max + 1}) {
        EXPECT_EQ(Rezive_SetFilterValue(handle_, id, v), 0) << v;
        EXPECT_EQ(Rezive_GetLastError(handle_), RZ_ERR_ARGUMENT);
        EXPECT_EQ(Rezive_GetFilterValue(handle_, id, nullptr), kept) << "unchanged after " << v;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, FilterRangeTest,
    testing::Values(RangeCase{1, -255, 255}, RangeCase{2, -127, 127}, RangeCase{3, -360, 360},
                    RangeCase{4, -255, 255}, RangeCase{5, 0, 30}, RangeCase{7, 0, 400},
                    RangeCase{8, 0, 400}, RangeCase{9, 0, 400}, RangeCase{11, 0, 200},
                    RangeCase{12, 0, 3}, RangeCase{13, 0, 11}, RangeCase{18, 1, 32767},
                    RangeCase{19, 0, 2}, RangeCase{20, 0, 255}, RangeCase{21, 0, 255},
                    RangeCase{22, 0, 255}, RangeCase{23, 0, 255}, RangeCase{24, -255, 255},
                    RangeCase{25, -255, 255}, RangeCase{26, -255, 255}, RangeCase{27, -255, 255},
                    RangeCase{28, 0, 1}));

using FilterValuesTest = ApiCameraTest;

TEST_F(FilterValuesTest, UnknownIdsRecordNineAndClearTheFlag) {
    for (int32_t id : {0, 29, -1, 1000}) {
        int32_t ok = 1;
        EXPECT_EQ(Rezive_SetFilterValue(handle_, id, 0), 0);
        EXPECT_EQ(Rezive_GetLastError(handle_), RZ_ERR_ARGUMENT);
        EXPECT_EQ(Rezive_GetFilterValue(handle_, id, &ok), 0);
        EXPECT_EQ(ok, 0);
        EXPECT_EQ(Rezive_GetLastError(handle_), RZ_ERR_ARGUMENT);
    }
}

TEST_F(FilterValuesTest, PackedBayerGains) {
    ASSERT_EQ(Rezive_SetBayerGainRGB(handle_, 3 * 65536 + 2 * 256 + 1), 1);
    int32_t ok = 0;
    EXPECT_EQ(Rezive_GetBayerGainRed(handle_, &ok), 1);
    EXPECT_EQ(Rezive_GetBayerGainGreen(handle_, &ok), 2);
    EXPECT_EQ(Rezive_GetBayerGainBlue(handle_, &ok), 3);
    EXPECT_EQ(Rezive_GetBayerGainRGB(handle_, &ok), 3 * 65536 + 2 * 256 + 1);
    // Any value is taken; only the low 8 bits of each gain are reported back.
    ASSERT_EQ(Rezive_SetBayerGainRed(handle_, 300), 1);
    EXPECT_EQ(Rezive_GetBayerGainRGB(handle_, &ok), 3 * 65536 + 2 * 256 + (300 & 0xFF));
}

TEST_F(FilterValuesTest, ColourGainsAcceptOnlyZero) {
    int32_t ok = 0;
    EXPECT_EQ(Rezive_SetColorGainRed(handle_, 0), 1);
    EXPECT_EQ(Rezive_SetColorGainRed(handle_, 1), 0);
    EXPECT_EQ(Rezive_GetLastError(handle_), RZ_ERR_ARGUMENT);
    EXPECT_EQ(Rezive_GetColorGainRed(handle_, &ok), 0);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(Rezive_SetColorGainBlue(handle_, 0), 1);
    EXPECT_EQ(Rezive_SetColorGainGreen1(handle_, 0), 1);
    EXPECT_EQ(Rezive_SetColorGainGreen2(handle_, 0), 1);
}

TEST_F(FilterValuesTest, GainAndExposureReachTheSensor) {
    ASSERT_EQ(Rezive_SetGlobalGain(handle_, 11), 1);
    EXPECT_EQ(camera_->Register(0x23), 0x3D3D);
    EXPECT_EQ(camera_->Register(0x24), 0x3D3D);
    int32_t ok = 0;
    EXPECT_EQ(Rezive_GetGlobalGain(handle_, &ok), 11);
    ASSERT_EQ(Rezive_SetExposureTime(handle_, 900), 1);
    EXPECT_EQ(camera_->Register(0x0F), 900);
    EXPECT_EQ(Rezive_GetExposureTime(handle_, &ok), 900);
    EXPECT_EQ(ok, 1);
    ASSERT_EQ(Rezive_SetBayerGainAuto(handle_, 7), 1);
    EXPECT_EQ(Rezive_GetBayerGainAuto(handle_, &ok), 1) << "stored as a flag";
}

TEST_F(FilterValuesTest, RealExposureRoundTrips) {
    int32_t ok = 0;
    ASSERT_EQ(Rezive_SetExposureTime(handle_, 637), 1);
    const int32_t ms = Rezive_GetRealExposureTime(handle_, &ok);
    EXPECT_EQ(ok, 1);
    // The virtual sensor's line takes (1280 + 370) / 24 MHz = 68.75 us, so register 0x2E reads
    // 1 and L = 7: 637 lines are 637 x 7 x 1e-5 s, within a line of the real 43.8 ms.
    EXPECT_EQ(ms, static_cast<int32_t>(637.0 * 7 * static_cast<double>(1e-5f) * 1000));
    EXPECT_NEAR(ms, 637 * 68.75e-3, 1.0);
    ASSERT_EQ(Rezive_SetRealExposureTime(handle_, ms), 1);
    const int32_t lines = Rezive_GetExposureTime(handle_, &ok);
    EXPECT_NEAR(lines, 637, 15) << "within the lines of one millisecond";
    EXPECT_EQ(Rezive_SetRealExposureTime(handle_, 0), 0) << "0 lines is out of range";
    EXPECT_EQ(Rezive_GetLastError(handle_), RZ_ERR_ARGUMENT);
}

TEST_F(FilterValuesTest, CameraInformation) {
    RzCameraInfo info{};
    info.size = 36;
    ASSERT_EQ(Rezive_GetCameraInfo(handle_, &info), 1);
    EXPECT_EQ(info.size, 36);
    EXPECT_EQ(info.width, 1280);
    EXPECT_EQ(info.height, 720);
    EXPECT_EQ(info.gainMin, 0);
    EXPECT_EQ(info.gainMax, 11);
    EXPECT_EQ(info.exposureMin, 1);
    EXPECT_EQ(info.exposureMax, 32767);
    info.size = 35;
    EXPECT_EQ(Rezive_GetCameraInfo(handle_, &info), 0);
    EXPECT_EQ(Rezive_GetLastError(handle_), RZ_ERR_BUFFER);
    EXPECT_EQ(Rezive_GetCameraInfo(handle_, nullptr), 0);
    EXPECT_EQ(Rezive_GetLastError(handle_), RZ_ERR_ARGUMENT);
}

}  // namespace
}  // namespace rezive::test
