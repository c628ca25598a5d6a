#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/window_system.h"

namespace rezive::platform {
namespace {

TEST(WindowSystem, PostedMessagesArriveInOrder) {
    const WindowId w = CreateMessageWindow();
    ASSERT_NE(w, 0u);
    for (uint32_t i = 0; i < 5; ++i) ASSERT_TRUE(PostMessage(w, 0x8000 + i, i, -static_cast<intptr_t>(i)));
    for (uint32_t i = 0; i < 5; ++i) {
        Message m;
        ASSERT_EQ(WaitMessage(w, &m, 1000), 1);
        EXPECT_EQ(m.message, 0x8000 + i);
        EXPECT_EQ(m.wParam, i);
        EXPECT_EQ(m.lParam, -static_cast<intptr_t>(i));
    }
    Message m;
    EXPECT_EQ(WaitMessage(w, &m, 0), 0);
    EXPECT_TRUE(DestroyWindow(w));
}

TEST(WindowSystem, UnknownWindowsAreHarmless) {
    Message m;
    EXPECT_FALSE(PostMessage(0, 1, 0, 0));
    EXPECT_FALSE(PostMessage(0x7FFFFFF0u, 1, 0, 0));
    EXPECT_EQ(WaitMessage(0x7FFFFFF0u, &m, 0), -1);
    EXPECT_FALSE(DestroyWindow(0x7FFFFFF0u));
    EXPECT_FALSE(IsWindow(0));
    const WindowId w = CreateMessageWindow();
    EXPECT_EQ(WaitMessage(w, nullptr, 0), -1);
    EXPECT_TRUE(DestroyWindow(w));
    EXPECT_FALSE(DestroyWindow(w));
    EXPECT_FALSE(PostMessage(w, 1, 0, 0));
}

TEST(WindowSystem, AFullQueueRefusesFurtherMessages) {
    const WindowId w = CreateMessageWindow();
    for (size_t i = 0; i < kMaxQueuedMessages; ++i) ASSERT_TRUE(PostMessage(w, 1, 0, 0));
    EXPECT_FALSE(PostMessage(w, 1, 0, 0));
    Message m;
    ASSERT_EQ(WaitMessage(w, &m, 0), 1);
    EXPECT_TRUE(PostMessage(w, 1, 0, 0));
    DestroyWindow(w);
}

TEST(WindowSystem, DestroyWakesAWaiter) {
    const WindowId w = CreateMessageWindow();
    std::atomic<int32_t> result{99};
    std::thread waiter([&] {
        Message m;
        result = WaitMessage(w, &m, -1);
    });
    // The waiter may or may not be waiting yet; either way it must end with -1.
    DestroyWindow(w);
    waiter.join();
    EXPECT_EQ(result.load(), -1);
}

TEST(WindowSystem, HandlerRunsOnItsOwnThreadInOrder) {
    const WindowId w = CreateMessageWindow();
    std::mutex mutex;
    std::condition_variable cv;
    std::vector<uint32_t> seen;
    std::thread::id handlerThread;
    ASSERT_TRUE(SetMessageHandler(w, [&](WindowId id, const Message& m) {
        EXPECT_EQ(id, w);
        std::lock_guard lock(mutex);
        handlerThread = std::this_thread::get_id();
        seen.push_back(m.message);
        cv.notify_all();
    }));
    for (uint32_t i = 0; i < 100; ++i) ASSERT_TRUE(PostMessage(w, i, 0, 0));
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(30), [&] { return seen.size() == 100; }));
        EXPECT_NE(handlerThread, std::this_thread::get_id());
        for (uint32_t i = 0; i < 100; ++i) EXPECT_EQ(seen[i], i);
    }
    ASSERT_TRUE(SetMessageHandler(w, nullptr));
    ASSERT_TRUE(PostMessage(w, 7, 0, 0));
    Message m;
    EXPECT_EQ(WaitMessage(w, &m, 5000), 1) << "without a handler messages queue again";
    EXPECT_EQ(m.message, 7u);
    DestroyWindow(w);
}

TEST(WindowSystem, AHandlerMayDestroyItsWindow) {
    const WindowId w = CreateMessageWindow();
    std::atomic<bool> done{false};
    ASSERT_TRUE(SetMessageHandler(w, [&](WindowId id, const Message&) {
        DestroyWindow(id);
        done = true;
    }));
    ASSERT_TRUE(PostMessage(w, 1, 0, 0));
    for (int i = 0; i < 3000 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(done.load());
    EXPECT_FALSE(IsWindow(w));
}

}  // namespace
}  // namespace rezive::platform
