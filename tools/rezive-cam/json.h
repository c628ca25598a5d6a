// A small ordered JSON value for --json output: members keep the order they were added in, so
// the output reads like the text form.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace rezive::cli {

class Json {
public:
    using Array = std::vector<Json>;
    using Object = std::vector<std::pair<std::string, Json>>;

    Json() : value_(nullptr) {}
    Json(std::nullptr_t) : value_(nullptr) {}
    Json(bool b) : value_(b) {}
    Json(int v) : value_(static_cast<int64_t>(v)) {}
    Json(int64_t v) : value_(v) {}
    Json(uint32_t v) : value_(static_cast<int64_t>(v)) {}
    Json(double v) : value_(v) {}
    Json(const char* s) : value_(std::string(s)) {}
    Json(std::string s) : value_(std::move(s)) {}
    Json(Array a) : value_(std::move(a)) {}

    static Json MakeObject() { Json j; j.value_ = Object{}; return j; }
    static Json MakeArray() { Json j; j.value_ = Array{}; return j; }

    // Object member (replaces an existing one of the same key); turns null into an object.
    Json& Set(const std::string& key, Json value);
    // Array element; turns null into an array.
    Json& Push(Json value);

    // Compact one-line serialisation.
    std::string Dump() const;

private:
    void DumpTo(std::string& out) const;
    std::variant<std::nullptr_t, bool, int64_t, double, std::string, Array, Object> value_;
};

// The JSON text of a string, with quotes.
std::string JsonQuote(const std::string& text);

}  // namespace rezive::cli
