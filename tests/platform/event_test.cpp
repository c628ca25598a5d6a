#include <gtest/gtest.h>

#include <thread>

#include "platform/event.h"

namespace rezive::platform {
namespace {

TEST(Event, AutoResetReleasesOneWait) {
    Event e(false);
    EXPECT_FALSE(e.Wait(0));
    e.Set();
    EXPECT_TRUE(e.Wait(0));
    EXPECT_FALSE(e.Wait(0));
}

TEST(Event, ManualResetStaysSignalled) {
    Event e(true);
    e.Set();
    EXPECT_TRUE(e.Wait(0));
    EXPECT_TRUE(e.Wait(10));
    e.Reset();
    EXPECT_FALSE(e.Wait(0));
}

TEST(Event, WakesAnotherThread) {
    Event e(true);
    std::thread setter([&] { e.Set(); });
    EXPECT_TRUE(e.Wait(-1));
    setter.join();
}

}  // namespace
}  // namespace rezive::platform
