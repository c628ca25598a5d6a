// The handle ring: every registered handle is found exactly once per search, in any order, and a
// search for an absent handle stops after one full turn.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "api/sdk_chain.h"

namespace rezive {
namespace {

class RingTest : public testing::TestWithParam<int> {
protected:
    // The ring is used under its lock, as the library uses it.
    void SetUp() override {
        platform::MutexLock lock(chain_.Lock());
        for (int i = 0; i < GetParam(); ++i) {
            CSDKDATA e;
            e.handle = 1000u + static_cast<uint32_t>(i) * 7u;
            chain_.Add(e);
            handles_.push_back(e.handle);
        }
    }
    // Walks one turn from the current element and counts the handles met.
    std::vector<uint32_t> Turn() RZ_REQUIRES(chain_.Lock()) {
        std::vector<uint32_t> seen;
        const CSDKDATA* start = chain_.Current();
        if (start == nullptr) return seen;
        const CSDKDATA* e = start;
        do {
            seen.push_back(e->handle);
            EXPECT_EQ(e->next->previous, e);
            e = e->next;
        } while (e != start && seen.size() <= handles_.size());
        return seen;
    }

    CSdkChain chain_;
    std::vector<uint32_t> handles_;
};

TEST_P(RingTest, KeepsEveryElementOnceInTheRing) {
    platform::MutexLock lock(chain_.Lock());
    EXPECT_EQ(chain_.Count(), handles_.size());
    auto seen = Turn();
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, handles_);
}

TEST_P(RingTest, FindsEachHandleInAnyOrder) {
    platform::MutexLock lock(chain_.Lock());
    std::mt19937 random(GetParam());
    for (int round = 0; round < 5; ++round) {
        auto order = handles_;
        std::shuffle(order.begin(), order.end(), random);
        for (uint32_t h : order) {
            ASSERT_EQ(chain_.Find(h), 1) << h;
            EXPECT_EQ(chain_.Current()->handle, h);
        }
    }
}

TEST_P(RingTest, AbsentHandleStopsAfterOneTurn) {
    platform::MutexLock lock(chain_.Lock());
    if (handles_.empty()) {
        EXPECT_EQ(chain_.Find(5), 0);
        return;
    }
    const uint32_t lastOfTurn = chain_.Current()->previous->handle;
    EXPECT_EQ(chain_.Find(1), 0);
    EXPECT_EQ(chain_.Current()->handle, lastOfTurn);
    EXPECT_EQ(chain_.Find(1), 0);  // and again from wherever it stopped
}

TEST_P(RingTest, RemovingKeepsTheOthersFindable) {
    std::vector<uint32_t> left = handles_;
    std::mt19937 random(GetParam() + 17);
    while (!left.empty()) {
        const size_t i = random() % left.size();
        EXPECT_FALSE(chain_.Remove(left[i]));  // no camera attached in this test
        left.erase(left.begin() + static_cast<long>(i));
        platform::MutexLock lock(chain_.Lock());  // Remove takes it itself
        EXPECT_EQ(chain_.Count(), left.size());
        for (uint32_t h : left) EXPECT_EQ(chain_.Find(h), 1);
    }
    platform::MutexLock lock(chain_.Lock());
    EXPECT_EQ(chain_.Current(), nullptr);
    EXPECT_EQ(chain_.RemoveCurrent(), 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, RingTest, testing::Values(0, 1, 2, 3, 10));

TEST(SdkChain, LookupShieldsACameraFromItsRelease) {
    CSdkChain chain;
    const uint32_t handle = chain.CreateHandle();
    ASSERT_NE(handle, 0u);
    std::shared_ptr<CRezive> inFlight = chain.Lookup(handle);
    ASSERT_TRUE(inFlight);
    std::weak_ptr<CRezive> watch = inFlight;
    EXPECT_TRUE(chain.Remove(handle));
    EXPECT_FALSE(chain.Lookup(handle));
    EXPECT_FALSE(watch.expired()) << "a call in flight keeps its camera alive";
    inFlight.reset();
    EXPECT_TRUE(watch.expired());
}

TEST(SdkChain, CreatedHandlesAreNonzeroAndDistinct) {
    CSdkChain chain;
    std::vector<uint32_t> handles;
    for (int i = 0; i < 50; ++i) handles.push_back(chain.CreateHandle());
    for (uint32_t h : handles) EXPECT_NE(h, 0u);
    std::sort(handles.begin(), handles.end());
    EXPECT_EQ(std::adjacent_find(handles.begin(), handles.end()), handles.end());
    for (uint32_t h : handles) EXPECT_TRUE(chain.Remove(h));
}

}  // namespace
}  // namespace rezive
