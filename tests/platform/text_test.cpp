#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/text.h"

namespace rezive::platform {
namespace {

struct Utf16Case {
    const char* name;
    std::u16string input;
    bool ok;
    std::string expected;
};

void PrintTo(const Utf16Case& c, std::ostream* os) { *os << c.name; }

class Utf16Test : public testing::TestWithParam<Utf16Case> {};

TEST_P(Utf16Test, ConvertsOrRejects) {
    char out[kNarrowNameBuffer];
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(Utf16ToNarrow(GetParam().input.c_str(), out, sizeof out), GetParam().ok);
    EXPECT_EQ(std::string(out), GetParam().ok ? GetParam().expected : std::string());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf16Test,
    testing::Values(Utf16Case{"Ascii", u"frame.png", true, "frame.png"},
                    Utf16Case{"Empty", u"", true, ""},
                    Utf16Case{"TwoByte", u"\u00e9t\u00e9", true, "\xc3\xa9t\xc3\xa9"},
                    Utf16Case{"ThreeByte", u"\u30d7\u30ed", true, "\xe3\x83\x97\xe3\x83\xad"},
                    Utf16Case{"SurrogatePair", u"\xd83d\xde00", true, "\xf0\x9f\x98\x80"},
                    Utf16Case{"LoneHighSurrogate", std::u16string(u"a\xd83d" u"b"), false, ""},
                    Utf16Case{"LoneLowSurrogate", std::u16string(u"\xde00"), false, ""},
                    Utf16Case{"HighAtEnd", std::u16string(u"ab\xd83d"), false, ""}),
    [](const testing::TestParamInfo<Utf16Case>& info) { return info.param.name; });

TEST(Utf16ToNarrow, NeverWritesPastTheBuffer) {
    // 1023 characters and the terminator fit exactly; one more does not.
    std::u16string fits(1023, u'a');
    char out[kNarrowNameBuffer + 8];
    std::memset(out, 'Z', sizeof out);
    EXPECT_TRUE(Utf16ToNarrow(fits.c_str(), out, kNarrowNameBuffer));
    EXPECT_EQ(std::string(out).size(), 1023u);
    std::memset(out, 'Z', sizeof out);
    EXPECT_FALSE(Utf16ToNarrow((fits + u"a").c_str(), out, kNarrowNameBuffer));
    EXPECT_EQ(out[0], '\0');
    for (size_t i = kNarrowNameBuffer; i < sizeof out; ++i) EXPECT_EQ(out[i], 'Z');
    // A multi-byte character that would straddle the end is refused, not cut.
    std::u16string straddle(1022, u'a');
    straddle += u"\u00e9";
    EXPECT_FALSE(Utf16ToNarrow(straddle.c_str(), out, kNarrowNameBuffer));
    EXPECT_FALSE(Utf16ToNarrow(nullptr, out, kNarrowNameBuffer));
    EXPECT_FALSE(Utf16ToNarrow(u"a", out, 0));
}

TEST(NarrowToUtf16, RoundTripsAndRespectsTheBuffer) {
    char16_t out[8];
    EXPECT_TRUE(NarrowToUtf16("Rezive", out, 8));
    EXPECT_EQ(std::u16string(out), u"Rezive");
    EXPECT_FALSE(NarrowToUtf16("12345678", out, 8));
    EXPECT_EQ(std::u16string(out), u"1234567");
    EXPECT_TRUE(NarrowToUtf16("\xf0\x9f\x98\x80", out, 8));
    EXPECT_EQ(std::u16string(out), u"\xd83d\xde00");
    EXPECT_FALSE(NarrowToUtf16("\xff", out, 8));
}

}  // namespace
}  // namespace rezive::platform
