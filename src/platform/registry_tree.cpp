#include "platform/registry_tree.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace rezive::platform {
namespace {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kBlanks = " \t\r\f\v";

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view Trim(std::string_view s) {
    const size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const size_t last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && SameName(s.substr(0, prefix.size()), prefix);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = Lower(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// "dword:" followed by one to eight hex digits and nothing else.
std::optional<uint32_t> ParseDword(std::string_view rhs) {
    constexpr std::string_view kPrefix = "dword:";
    if (!StartsWithNoCase(rhs, kPrefix)) return std::nullopt;
    const std::string_view digits = rhs.substr(kPrefix.size());
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    uint32_t value = 0;
    for (char c : digits) {
        const int d = HexDigit(c);
        if (d < 0) return std::nullopt;
        value = (value << 4) | static_cast<uint32_t>(d);
    }
    return value;
}

// Values of other types are kept only in forms that survive being written back on one line:
// a quoted string or a hex list without a continuation.
bool IsKeptText(std::string_view rhs) {
    if (rhs.empty() || rhs.back() == '\\') return false;
    if (rhs.size() >= 2 && rhs.front() == '"' && rhs.back() == '"') return true;
    return StartsWithNoCase(rhs, "hex") && rhs.find(':') != std::string_view::npos;
}

// The quoted value name at the start of line; on success the rest of the line follows in *rest.
std::optional<std::string> ParseQuotedName(std::string_view line, std::string_view* rest) {
    std::string name;
    for (size_t i = 1; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            *rest = line.substr(i + 1);
            return name;
        }
        if (c == '\\') {
            if (i + 1 >= line.size()) return std::nullopt;
            const char next = line[++i];
            if (next != '\\' && next != '"') return std::nullopt;
            name.push_back(next);
        } else {
            name.push_back(c);
        }
        if (name.size() > kMaxValueNameLength) return std::nullopt;
    }
    return std::nullopt;
}

void ParseValueLine(std::string_view line, RegistryNode* key) {
    std::string_view rest;
    std::optional<std::string> name = ParseQuotedName(line, &rest);
    if (!name) return;
    rest = Trim(rest);
    if (rest.empty() || rest.front() != '=') return;
    const std::string_view rhs = Trim(rest.substr(1));
    if (std::optional<uint32_t> dword = ParseDword(rhs)) {
        key->SetDword(*name, *dword);
    } else if (IsKeptText(rhs)) {
        key->SetText(*name, rhs);
    }
}

// The key of a section header, created as listed; null when the section is to be skipped.
RegistryNode* ParseSection(std::string_view inner, RegistryNode& root) {
    if (inner.empty() || inner.front() == '-') return nullptr;  // deletion entry
    const size_t slash = inner.find('\\');
    if (!SameName(inner.substr(0, slash), kCurrentUserHive)) return nullptr;
    RegistryNode* node = &root;
    if (slash != std::string_view::npos) {
        const std::vector<std::string_view> parts = SplitKeyPath(inner.substr(slash + 1));
        if (parts.empty()) return nullptr;
        for (std::string_view part : parts) node = node->AddChild(part);
    }
    node->listed = true;
    return node;
}

void AppendQuoted(std::string& out, std::string_view name) {
    out.push_back('"');
    for (char c : name) {
        if (c == '"' || c == '\\') out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
}

void AppendKey(std::string& out, const RegistryNode& node, std::string& path) {
    if (node.listed || !node.values.empty()) {
        out += '[';
        out += path;
        out += "]\r\n";
        for (const RegistryValue& v : node.values) {
            AppendQuoted(out, v.name);
            out.push_back('=');
            if (v.dword) {
                char hex[16];
                std::snprintf(hex, sizeof hex, "dword:%08x", static_cast<unsigned>(*v.dword));
                out += hex;
            } else {
                out += v.text;
            }
            out += "\r\n";
        }
        out += "\r\n";
    }
    for (const auto& [name, child] : node.children) {
        const size_t mark = path.size();
        path.push_back('\\');
        path += name;
        AppendKey(out, *child, path);
        path.resize(mark);
    }
}

}  // namespace

bool NameLess::operator()(std::string_view a, std::string_view b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) {
                                            return static_cast<unsigned char>(Lower(x)) <
                                                   static_cast<unsigned char>(Lower(y));
                                        });
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

RegistryNode* RegistryNode::Child(std::string_view name) const {
    auto it = children.find(name);
    return it == children.end() ? nullptr : it->second.get();
}

RegistryNode* RegistryNode::AddChild(std::string_view name) {
    if (RegistryNode* existing = Child(name)) return existing;
    auto node = std::make_unique<RegistryNode>();
    RegistryNode* raw = node.get();
    children.emplace(std::string(name), std::move(node));
    return raw;
}

const RegistryValue* RegistryNode::FindValue(std::string_view name) const {
    auto it = valueIndex.find(name);
    return it == valueIndex.end() ? nullptr : &values[it->second];
}

// The value of that name, added at the end when there is none (a rewrite keeps its place).
RegistryValue& RegistryNode::ValueSlot(std::string_view name) {
    auto it = valueIndex.find(name);
    if (it != valueIndex.end()) return values[it->second];
    valueIndex.emplace(std::string(name), values.size());
    return values.emplace_back(RegistryValue{std::string(name), {}, {}});
}

void RegistryNode::SetDword(std::string_view name, uint32_t value) {
    RegistryValue& v = ValueSlot(name);
    v.dword = value;
    v.text.clear();
}

void RegistryNode::SetText(std::string_view name, std::string_view text) {
    RegistryValue& v = ValueSlot(name);
    v.dword.reset();
    v.text.assign(text);
}

std::vector<std::string_view> SplitKeyPath(std::string_view path) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        const size_t slash = path.find('\\', start);
        const std::string_view part = path.substr(start, slash == std::string_view::npos ? slash : slash - start);
        if (part.empty() || part.size() > kMaxKeyNameLength || parts.size() >= kMaxKeyDepth) return {};
        parts.push_back(part);
        if (slash == std::string_view::npos) return parts;
        start = slash + 1;
    }
}

RegistryNode ParseRegistryText(std::string_view text) {
    RegistryNode root;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    RegistryNode* section = nullptr;
    bool first = true;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == ';') continue;
        const bool isFirst = std::exchange(first, false);
        if (isFirst && (line == kHeader4 || line == kHeader5)) continue;
        if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
            section = ParseSection(line.substr(1, line.size() - 2), root);
        } else if (line.front() == '"' && section != nullptr) {
            ParseValueLine(line, section);
        }
        // Anything else (a default "@" value, continuation lines, stray text) is damage.
    }
    return root;
}

std::string SerializeRegistryText(const RegistryNode& currentUser) {
    std::string out = "REGEDIT4\r\n\r\n";
    std::string path(kCurrentUserHive);
    AppendKey(out, currentUser, path);
    return out;
}

}  // namespace rezive::platform
