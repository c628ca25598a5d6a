// Message windows under concurrent handler changes: a window always ends with at most one
// dispatcher, however many threads replace its handler at once.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/window_system.h"

namespace rezive::platform {
namespace {

TEST(WindowSystemThreaded, HandlersReplacedFromManyThreadsAtOnce) {
    const WindowId window = CreateMessageWindow();
    ASSERT_NE(window, 0u);
    std::atomic<int> handled{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                if ((i + t) % 3 == 0) {
                    SetMessageHandler(window, nullptr);
                } else {
                    SetMessageHandler(window, [&](WindowId, const Message&) { ++handled; });
                }
                PostMessage(window, 0x8002, 0, 0);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_TRUE(DestroyWindow(window));
}

}  // namespace
}  // namespace rezive::platform
