#include <gtest/gtest.h>

#include "acquisition/frame_rate.h"

namespace rezive {
namespace {

TEST(FrameRate, UpdatesOnlyAfterMoreThanASecond) {
    FrameRateMeter meter(5000);
    for (int i = 1; i < 30; ++i) EXPECT_EQ(meter.Count(5000 + i * 30), 0);
    EXPECT_EQ(meter.Count(6000), 0) << "at exactly 1000 ms the rate is not yet updated";
    FrameRateMeter later(5000);
    for (int i = 1; i < 30; ++i) later.Count(5000 + i * 30);
    EXPECT_EQ(later.Count(6001), 299) << "30 frames in 1001 ms";
    EXPECT_EQ(later.Count(6100), 299) << "the rate holds until the next update";
}

TEST(FrameRate, SurvivesTheTickWrapping) {
    FrameRateMeter meter(0xFFFFFF00u);
    for (int i = 0; i < 9; ++i) meter.Count(0xFFFFFF00u + 100 * (i + 1));
    EXPECT_EQ(meter.Count(0xFFFFFF00u + 1100), 10 * 10000 / 1100);
}

}  // namespace
}  // namespace rezive
