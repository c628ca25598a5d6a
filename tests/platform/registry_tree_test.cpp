#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/registry_tree.h"
#include "support/text_files.h"

namespace rezive::platform {
namespace {

using test::Crlf;

const RegistryNode* Find(const RegistryNode& root, std::string_view path) {
    const RegistryNode* node = &root;
    for (std::string_view part : SplitKeyPath(path)) {
        node = node->Child(part);
        if (!node) return nullptr;
    }
    return node;
}

std::optional<uint32_t> Dword(const RegistryNode& root, std::string_view key, std::string_view name) {
    const RegistryNode* node = Find(root, key);
    const RegistryValue* v = node ? node->FindValue(name) : nullptr;
    return v ? v->dword : std::nullopt;
}

struct ReadCase {
    const char* what;
    std::string text;
    const char* key;
    const char* name;
    std::optional<uint32_t> expected;
};

TEST(RegistryTreeTest, ReadsWhatParsesAndSkipsTheRest) {
    const ReadCase cases[] = {
        {"canonical", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"v\"=dword:0000002a\r\n", "A", "v", 42},
        {"LF lines, no header", "[HKEY_CURRENT_USER\\A]\n\"v\"=dword:2A\n", "A", "v", 42},
        {"version 5 header", "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"v\"=dword:1\n", "A", "v", 1},
        {"UTF-8 BOM", "\xEF\xBB\xBFREGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"v\"=dword:1\n", "A", "v", 1},
        {"names ignore case", "[hkey_current_user\\SOFTWARE\\a]\n\"VALUE\"=DWORD:ffffffff\n", "Software\\A", "value",
         0xFFFFFFFFu},
        {"blanks around =", "[HKEY_CURRENT_USER\\A]\n  \"v\" = dword:7  \n", "A", "v", 7},
        {"last duplicate wins", "[HKEY_CURRENT_USER\\A]\n\"v\"=dword:1\n[HKEY_CURRENT_USER\\a]\n\"V\"=dword:2\n", "A", "v", 2},
        {"escaped name", "[HKEY_CURRENT_USER\\A]\n\"a\\\"b\\\\c\"=dword:3\n", "A", "a\"b\\c", 3},
        {"nine hex digits", "[HKEY_CURRENT_USER\\A]\n\"v\"=dword:000000001\n", "A", "v", std::nullopt},
        {"not hex", "[HKEY_CURRENT_USER\\A]\n\"v\"=dword:12g4\n", "A", "v", std::nullopt},
        {"no digits", "[HKEY_CURRENT_USER\\A]\n\"v\"=dword:\n", "A", "v", std::nullopt},
        {"string value", "[HKEY_CURRENT_USER\\A]\n\"v\"=\"12\"\n", "A", "v", std::nullopt},
        {"other hive", "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=dword:1\n", "A", "v", std::nullopt},
        {"value of a skipped section", "[HKEY_CURRENT_USER\\A]\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=dword:1\n", "A", "v",
         std::nullopt},
        {"deletion entry", "[-HKEY_CURRENT_USER\\A]\n\"v\"=dword:1\n", "A", "v", std::nullopt},
        {"empty key name", "[HKEY_CURRENT_USER\\A\\\\B]\n\"v\"=dword:1\n", "A", "v", std::nullopt},
        {"value before any section", "\"v\"=dword:1\n[HKEY_CURRENT_USER\\A]\n", "A", "v", std::nullopt},
        {"unterminated name", "[HKEY_CURRENT_USER\\A]\n\"v=dword:1\n", "A", "v", std::nullopt},
        {"bad escape", "[HKEY_CURRENT_USER\\A]\n\"\\v\"=dword:1\n", "A", "v", std::nullopt},
        {"damage between lines", "[HKEY_CURRENT_USER\\A]\n\x01\xff garbage\n\"v\"=dword:5\n", "A", "v", 5},
        {"truncated last line", "[HKEY_CURRENT_USER\\A]\n\"v\"=dword:5\n\"w\"=dwo", "A", "v", 5},
    };
    for (const ReadCase& c : cases) {
        const RegistryNode root = ParseRegistryText(c.text);
        EXPECT_EQ(Dword(root, c.key, c.name), c.expected) << c.what;
    }
}

TEST(RegistryTreeTest, KeysLeadingToAListedKeyExistWithoutASectionOfTheirOwn) {
    const RegistryNode root = ParseRegistryText("REGEDIT4\n\n[HKEY_CURRENT_USER\\A\\B\\C]\n");
    ASSERT_NE(Find(root, "A\\B"), nullptr);
    EXPECT_FALSE(Find(root, "A\\B")->listed);
    EXPECT_TRUE(Find(root, "A\\B\\C")->listed);
    EXPECT_EQ(SerializeRegistryText(root), Crlf("REGEDIT4\n\n[HKEY_CURRENT_USER\\A\\B\\C]\n\n"));
}

TEST(RegistryTreeTest, CanonicalTextRoundTripsByteForByte) {
    const std::string canonical = Crlf(
        "REGEDIT4\n\n"
        "[HKEY_CURRENT_USER\\Software\\Ruredo]\n"
        "\"b\"=dword:00000001\n"
        "\"a\"=dword:ffffffec\n"
        "\"Note\"=\"kept \\\"as\\\" written\"\n"
        "\"Bytes\"=hex:01,02,03\n"
        "\"q\\\"\\\\\"=dword:00000000\n\n"
        "[HKEY_CURRENT_USER\\Software\\Ruredo\\Camera_00]\n\n"
        "[HKEY_CURRENT_USER\\Software\\Ruredo\\Camera_00\\Gain]\n\n"
        "[HKEY_CURRENT_USER\\Software\\Ruredo\\Camera_00A]\n\n");
    EXPECT_EQ(SerializeRegistryText(ParseRegistryText(canonical)), canonical);
}

TEST(RegistryTreeTest, WritesSubkeysDepthFirstInNameOrderWhateverTheInputOrder) {
    const std::string text =
        "[HKEY_CURRENT_USER\\R\\b]\n[HKEY_CURRENT_USER\\R\\A0]\n[HKEY_CURRENT_USER\\R\\a\\z]\n"
        "[HKEY_CURRENT_USER\\R]\n";
    EXPECT_EQ(SerializeRegistryText(ParseRegistryText(text)),
              Crlf("REGEDIT4\n\n[HKEY_CURRENT_USER\\R]\n\n[HKEY_CURRENT_USER\\R\\a\\z]\n\n"
                   "[HKEY_CURRENT_USER\\R\\A0]\n\n[HKEY_CURRENT_USER\\R\\b]\n\n"));
}

TEST(RegistryTreeTest, NamesBeyondTheRegistryLimitsAreSkipped) {
    const std::string longName(kMaxKeyNameLength + 1, 'k');
    std::string deep = "[HKEY_CURRENT_USER";
    for (size_t i = 0; i <= kMaxKeyDepth; ++i) deep += "\\d";
    deep += "]\n";
    EXPECT_TRUE(ParseRegistryText("[HKEY_CURRENT_USER\\" + longName + "]\n").children.empty());
    EXPECT_TRUE(ParseRegistryText(deep).children.empty());
    EXPECT_NE(ParseRegistryText("[HKEY_CURRENT_USER\\" + longName.substr(1) + "]\n").Child(longName.substr(1)),
              nullptr);
}

}  // namespace
}  // namespace rezive::platform
