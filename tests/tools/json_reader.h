// A strict little JSON reader for checking rezive-cam's --json output (independent of the
// tool's own writer, so that a writer fault cannot hide itself).
#pragma once

#include <cctype>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace rezive::test {

struct JsonValue {
    enum class Type { kNull, kBool, kNumber, kString, kArray, kObject } type = Type::kNull;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> elements;
    // Object members in document order: memberNames[i] names memberValues[i]. (Two vectors, not
    // pairs: clang refuses std::pair<std::string, JsonValue> while JsonValue is incomplete.)
    std::vector<std::string> memberNames;
    std::vector<JsonValue> memberValues;

    const JsonValue* Get(const std::string& key) const {
        for (size_t i = 0; i < memberNames.size(); ++i) {
            if (memberNames[i] == key) return &memberValues[i];
        }
        return nullptr;
    }
};

class JsonReader {
public:
    // The document, or nullopt when the text is not exactly one JSON value (whitespace around).
    static std::optional<JsonValue> Parse(const std::string& text) {
        JsonReader reader(text);
        JsonValue value;
        if (!reader.Value(value, 0)) return std::nullopt;
        reader.Space();
        if (reader.pos_ != text.size()) return std::nullopt;
        return value;
    }

private:
    explicit JsonReader(const std::string& text) : s_(text) {}

    void Space() {
        while (pos_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[pos_]))) ++pos_;
    }
    bool Literal(const char* word) {
        const std::string w = word;
        if (s_.compare(pos_, w.size(), w) != 0) return false;
        pos_ += w.size();
        return true;
    }
    bool String(std::string& out) {
        if (pos_ >= s_.size() || s_[pos_] != '"') return false;
        ++pos_;
        while (pos_ < s_.size()) {
            const char c = s_[pos_++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= s_.size()) return false;
            const char e = s_[pos_++];
            switch (e) {
                case '"': case '\\': case '/': out += e; break;
                case 'n': out += '\n'; break;
                case 't': out += '\t'; break;
                case 'r': out += '\r'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'u': {
                    if (pos_ + 4 > s_.size()) return false;
                    for (int k = 0; k < 4; ++k) {
                        if (!std::isxdigit(static_cast<unsigned char>(s_[pos_ + k]))) return false;
                    }
                    const long code = std::strtol(s_.substr(pos_, 4).c_str(), nullptr, 16);
                    pos_ += 4;
                    out += code < 0x80 ? static_cast<char>(code) : '?';
                    break;
                }
                default: return false;
            }
        }
        return false;
    }
    bool Number(double& out) {
        const size_t start = pos_;
        if (pos_ < s_.size() && s_[pos_] == '-') ++pos_;
        if (pos_ >= s_.size() || !std::isdigit(static_cast<unsigned char>(s_[pos_]))) return false;
        if (s_[pos_] == '0' && pos_ + 1 < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_ + 1]))) {
            return false;  // no leading zeros
        }
        while (pos_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[pos_])) ||
                                    s_[pos_] == '.' || s_[pos_] == 'e' || s_[pos_] == 'E' ||
                                    s_[pos_] == '+' || s_[pos_] == '-')) {
            ++pos_;
        }
        char* end = nullptr;
        const std::string number = s_.substr(start, pos_ - start);
        out = std::strtod(number.c_str(), &end);
        return end == number.c_str() + number.size();
    }
    bool Value(JsonValue& v, int depth) {
        if (depth > 64) return false;
        Space();
        if (pos_ >= s_.size()) return false;
        const char c = s_[pos_];
        if (c == '{') {
            v.type = JsonValue::Type::kObject;
            ++pos_;
            Space();
            if (pos_ < s_.size() && s_[pos_] == '}') { ++pos_; return true; }
            while (true) {
                Space();
                std::string key;
                if (!String(key)) return false;
                Space();
                if (pos_ >= s_.size() || s_[pos_++] != ':') return false;
                JsonValue member;
                if (!Value(member, depth + 1)) return false;
                v.memberNames.push_back(std::move(key));
                v.memberValues.push_back(std::move(member));
                Space();
                if (pos_ >= s_.size()) return false;
                if (s_[pos_] == ',') { ++pos_; continue; }
                if (s_[pos_] == '}') { ++pos_; return true; }
                return false;
            }
        }
        if (c == '[') {
            v.type = JsonValue::Type::kArray;
            ++pos_;
            Space();
            if (pos_ < s_.size() && s_[pos_] == ']') { ++pos_; return true; }
            while (true) {
                JsonValue element;
                if (!Value(element, depth + 1)) return false;
                v.elements.push_back(std::move(element));
                Space();
                if (pos_ >= s_.size()) return false;
                if (s_[pos_] == ',') { ++pos_; continue; }
                if (s_[pos_] == ']') { ++pos_; return true; }
                return false;
            }
        }
        if (c == '"') {
            v.type = JsonValue::Type::kString;
            return String(v.text);
        }
        if (Literal("true")) { v.type = JsonValue::Type::kBool; v.boolean = true; return true; }
        if (Literal("false")) { v.type = JsonValue::Type::kBool; return true; }
        if (Literal("null")) { v.type = JsonValue::Type::kNull; return true; }
        v.type = JsonValue::Type::kNumber;
        return Number(v.number);
    }

    const std::string& s_;
    size_t pos_ = 0;
};

}  // namespace rezive::test
