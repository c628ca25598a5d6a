#include <gtest/gtest.h>

#include <vector>

#include "platform/clock.h"

namespace rezive::platform {
namespace {

std::vector<int32_t> g_slept;
void Record(int32_t milliseconds) { g_slept.push_back(milliseconds); }

TEST(ClockTest, SleepHookTakesEveryPositiveSleepAndNullRestoresTheRealOne) {
    g_slept.clear();
    SetSleepForTesting(Record);
    for (int32_t ms : {5, 0, -3, 100000}) SleepMs(ms);
    SetSleepForTesting(nullptr);
    EXPECT_EQ(g_slept, (std::vector<int32_t>{5, 100000}));  // nothing for 0 or negative
    SleepMs(1);
    EXPECT_EQ(g_slept.size(), 2u);
}

}  // namespace
}  // namespace rezive::platform
