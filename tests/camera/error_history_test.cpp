#include <gtest/gtest.h>

#include <vector>

#include "camera/error_history.h"

namespace rezive {
namespace {

struct HistoryCase {
    const char* name;
    std::vector<int32_t> pushed;
    std::vector<int32_t> popped;  // what consecutive pops return
};

void PrintTo(const HistoryCase& c, std::ostream* os) { *os << c.name; }

class ErrorHistoryTest : public testing::TestWithParam<HistoryCase> {};

TEST_P(ErrorHistoryTest, PopsNewestFirst) {
    ErrorHistory history;
    for (int32_t code : GetParam().pushed) history.Push(code);
    for (size_t i = 0; i < GetParam().popped.size(); ++i) {
        EXPECT_EQ(history.Pop(), GetParam().popped[i]) << "pop " << i;
    }
}

std::vector<int32_t> Range(int32_t from, int32_t to) {  // inclusive, either direction
    std::vector<int32_t> v;
    for (int32_t i = from; from <= to ? i <= to : i >= to; i += from <= to ? 1 : -1) v.push_back(i);
    return v;
}

std::vector<int32_t> Concat(std::vector<int32_t> a, const std::vector<int32_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ErrorHistoryTest,
    testing::Values(
        HistoryCase{"Empty", {}, {0, 0}},
        HistoryCase{"ThreeCodes", {4, 5, 6}, {6, 5, 4, 0, 0}},
        HistoryCase{"ExactlyTwenty", Range(1, 20), Concat(Range(20, 1), {0})},
        HistoryCase{"OlderCodesPushedOut", Range(1, 25), Concat(Range(25, 6), {0, 0})},
        HistoryCase{"ZeroIsStoredLikeAnyCode", {7, 0, 8}, {8, 0, 7, 0}}),
    [](const testing::TestParamInfo<HistoryCase>& info) { return info.param.name; });

TEST(ErrorHistory, PushAfterPartialDrainKeepsOrder) {
    ErrorHistory history;
    history.Push(1);
    history.Push(2);
    EXPECT_EQ(history.Pop(), 2);
    history.Push(3);
    EXPECT_EQ(history.Pop(), 3);
    EXPECT_EQ(history.Pop(), 1);
    EXPECT_EQ(history.Pop(), 0);
}

}  // namespace
}  // namespace rezive
