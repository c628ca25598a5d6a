// The device-claim table: atomic claims, owner-only release, headless owners and claims left
// behind by processes that died.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "camera/claim_table.h"
#include "platform/shared_region.h"

namespace rezive {
namespace {

constexpr uint32_t kSelf = 1;  // stands for "this process" where liveness does not matter

// A pid that certainly belongs to no living process: a child that has exited and been reaped.
uint32_t DeadPid() {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return static_cast<uint32_t>(child);
}

class ClaimTableTest : public testing::Test {
protected:
    std::vector<uint8_t> region_ = std::vector<uint8_t>(platform::kSharedRegionSize, 0);
    DeviceClaimTable table_{region_.data()};
    const uint32_t pid_ = platform::CurrentProcessId();
};

TEST_F(ClaimTableTest, SlotLayoutIsTheSharedOne) {
    ASSERT_TRUE(table_.Claim(2, 0x1234, pid_));
    const size_t offset = (13856 + 2) * 140;
    uint32_t words[3];
    std::memcpy(words, region_.data() + offset, sizeof words);
    EXPECT_EQ(words[0], 0x1234u);
    EXPECT_EQ(words[1], pid_);
    EXPECT_EQ(words[2], 0u);
    EXPECT_STREQ(reinterpret_cast<const char*>(region_.data() + offset + 12),
                 "ReziveSdk_417DIR_DEZ.dll");
    // Neighbouring slots are untouched.
    EXPECT_EQ(region_[offset - 1], 0);
    EXPECT_EQ(region_[offset + 140], 0);
}

TEST_F(ClaimTableTest, ClaimReleaseCycle) {
    EXPECT_FALSE(table_.IsTaken(0));
    EXPECT_TRUE(table_.Claim(0, 7, pid_));
    EXPECT_TRUE(table_.IsTaken(0));
    EXPECT_FALSE(table_.Claim(0, 8, pid_)) << "a taken slot cannot be claimed again";
    EXPECT_FALSE(table_.Release(0, 8, pid_)) << "only the owner releases";
    EXPECT_FALSE(table_.Release(0, 7, pid_ + 1)) << "same window, other process";
    EXPECT_TRUE(table_.IsTaken(0));
    EXPECT_TRUE(table_.Release(0, 7, pid_));
    EXPECT_FALSE(table_.IsTaken(0));
    const auto slot = table_.Read(0);
    EXPECT_EQ(slot.ownerWindow, 0u);
    EXPECT_EQ(slot.ownerModule, 0u);
    EXPECT_STREQ(slot.name, "");
}

TEST_F(ClaimTableTest, ReleaseLeavesASlotWithANonzeroWordAlone) {
    ASSERT_TRUE(table_.Claim(1, 7, pid_));
    const uint32_t word = 1;
    std::memcpy(region_.data() + (13856 + 1) * 140 + 8, &word, 4);
    EXPECT_FALSE(table_.Release(1, 7, pid_));
    EXPECT_TRUE(table_.IsTaken(1));
}

TEST_F(ClaimTableTest, RefusesZeroOwnersAndDevicesOutOfRange) {
    EXPECT_FALSE(table_.Claim(0, 0, pid_));
    EXPECT_FALSE(table_.Claim(-1, 7, pid_));
    EXPECT_FALSE(table_.Claim(33, 7, pid_));
    EXPECT_TRUE(table_.Claim(32, 7, pid_));
    EXPECT_FALSE(table_.IsTaken(-1));
}

TEST_F(ClaimTableTest, AClaimOfADeadProcessCountsAsFree) {
    const uint32_t dead = DeadPid();
    ASSERT_TRUE(table_.Claim(3, 9, dead));
    EXPECT_FALSE(table_.IsTaken(3));
    EXPECT_TRUE(table_.Claim(3, 11, pid_));
    EXPECT_TRUE(table_.IsTaken(3));
    EXPECT_EQ(table_.Read(3).ownerWindow, 11u);
    EXPECT_EQ(table_.Read(3).ownerModule, pid_);
    EXPECT_FALSE(table_.Release(3, 9, dead)) << "the dead owner's values no longer own it";
}

TEST_F(ClaimTableTest, AClaimInProgressCountsAsTaken) {
    // Owner written, process id not yet: another claimer must not take the slot.
    const uint32_t owner = 5;
    std::memcpy(region_.data() + (13856 + 4) * 140, &owner, 4);
    EXPECT_TRUE(table_.IsTaken(4));
    EXPECT_FALSE(table_.Claim(4, 6, kSelf));
}

// Two processes hammer one slot of a real shared region; at every moment at most one owns it.
TEST(SharedClaims, TwoProcessesNeverBothWin) {
    platform::SharedRegion region;
    ASSERT_TRUE(region.Open());
    DeviceClaimTable table(region.View());
    constexpr int kRounds = 2000;
    int pipes[2];
    ASSERT_EQ(pipe(pipes), 0);
    const pid_t child = fork();
    if (child == 0) {
        platform::SharedRegion mine;
        if (!mine.Open()) _exit(2);
        DeviceClaimTable t(mine.View());
        const uint32_t me = platform::CurrentProcessId();
        int wins = 0;
        for (int i = 0; i < kRounds; ++i) {
            if (t.Claim(5, 0xC0DE, me)) {
                ++wins;
                if (t.Read(5).ownerModule != me) _exit(3);
                t.Release(5, 0xC0DE, me);
            }
        }
        if (write(pipes[1], &wins, sizeof wins) != sizeof wins) _exit(4);
        _exit(0);
    }
    const uint32_t me = platform::CurrentProcessId();
    int wins = 0;
    for (int i = 0; i < kRounds; ++i) {
        if (table.Claim(5, 0xBEEF, me)) {
            ++wins;
            EXPECT_EQ(table.Read(5).ownerModule, me);
            EXPECT_EQ(table.Read(5).ownerWindow, 0xBEEFu);
            table.Release(5, 0xBEEF, me);
        }
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    int childWins = 0;
    ASSERT_EQ(read(pipes[0], &childWins, sizeof childWins), static_cast<ssize_t>(sizeof childWins));
    EXPECT_GT(wins + childWins, 0);
    EXPECT_FALSE(table.IsTaken(5));
}

TEST(SharedClaims, AKilledProcessDoesNotBlockTheCamera) {
    platform::SharedRegion region;
    ASSERT_TRUE(region.Open());
    DeviceClaimTable table(region.View());
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
        platform::SharedRegion mine;
        if (!mine.Open()) _exit(2);
        DeviceClaimTable t(mine.View());
        const char ok = t.Claim(6, 0x80000001u, platform::CurrentProcessId()) ? 1 : 0;
        if (write(ready[1], &ok, 1) != 1) _exit(3);
        pause();  // killed while holding the claim
        _exit(0);
    }
    char ok = 0;
    ASSERT_EQ(read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, 1);
    EXPECT_TRUE(table.IsTaken(6));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_FALSE(table.IsTaken(6));
    EXPECT_TRUE(table.Claim(6, 0x1234, platform::CurrentProcessId()));
    EXPECT_TRUE(table.Release(6, 0x1234, platform::CurrentProcessId()));
}

}  // namespace
}  // namespace rezive
