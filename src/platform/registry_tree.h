// The in-memory key/value tree that stands in for HKEY_CURRENT_USER, and its REGEDIT4 text.
// Depends on the standard library only, so the parser can be fuzzed on its own.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rezive::platform {

inline constexpr std::string_view kCurrentUserHive = "HKEY_CURRENT_USER";

// Limits of the registry itself; longer names or deeper paths in a file are skipped as damage.
inline constexpr size_t kMaxKeyNameLength = 255;
inline constexpr size_t kMaxValueNameLength = 16383;
inline constexpr size_t kMaxKeyDepth = 512;

// Key and value names compare without regard to ASCII case, as in the registry.
struct NameLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};
bool SameName(std::string_view a, std::string_view b);

struct RegistryValue {
    std::string name;
    std::optional<uint32_t> dword;  // empty: a value of another type, kept as written
    std::string text;               // what follows '=' when the value is not a dword
};

struct RegistryNode {
    // True when the key has a section of its own in the file; keys that only lead to a listed
    // key exist without one, as after importing the file.
    bool listed = false;
    std::vector<RegistryValue> values;  // in the order they were first written
    std::map<std::string, std::unique_ptr<RegistryNode>, NameLess> children;
    // Position of each value in values, so a damaged file with a huge key parses in n log n.
    std::map<std::string, size_t, NameLess> valueIndex;

    RegistryNode* Child(std::string_view name) const;
    RegistryNode* AddChild(std::string_view name);
    const RegistryValue* FindValue(std::string_view name) const;
    // Values are changed only through these, which keep valueIndex in step.
    void SetDword(std::string_view name, uint32_t value);
    void SetText(std::string_view name, std::string_view text);

private:
    RegistryValue& ValueSlot(std::string_view name);
};

// A key path relative to the hive ("Software\Ruredo\X"), split at '\'. Empty when any part is
// empty or too long, or the path is too deep.
std::vector<std::string_view> SplitKeyPath(std::string_view path);

// Reads REGEDIT4 text into the tree of HKEY_CURRENT_USER. Never fails: lines that do not parse,
// sections of other hives and deletion entries are skipped.
RegistryNode ParseRegistryText(std::string_view text);

// The canonical REGEDIT4 text of the tree: CRLF lines (as the registry editor writes and
// imports them), listed keys depth-first with subkeys in name order, dwords as 8 lower-case
// hex digits. Parsing this text gives the same tree back.
std::string SerializeRegistryText(const RegistryNode& currentUser);

}  // namespace rezive::platform
