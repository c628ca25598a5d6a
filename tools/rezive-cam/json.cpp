#include "json.h"

#include <cmath>
#include <cstdio>

namespace rezive::cli {

Json& Json::Set(const std::string& key, Json value) {
    if (!std::holds_alternative<Object>(value_)) value_ = Object{};
    auto& members = std::get<Object>(value_);
    for (auto& member : members) {
        if (member.first == key) {
            member.second = std::move(value);
            return member.second;
        }
    }
    members.emplace_back(key, std::move(value));
    return members.back().second;
}

Json& Json::Push(Json value) {
    if (!std::holds_alternative<Array>(value_)) value_ = Array{};
    auto& elements = std::get<Array>(value_);
    elements.push_back(std::move(value));
    return elements.back();
}

std::string Json::Dump() const {
    std::string out;
    DumpTo(out);
    return out;
}

std::string JsonQuote(const std::string& text) {
    std::string out = "\"";
    for (const unsigned char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += static_cast<char>(c);  // UTF-8 passes through unchanged
                }
        }
    }
    return out + "\"";
}

void Json::DumpTo(std::string& out) const {
    if (std::holds_alternative<std::nullptr_t>(value_)) {
        out += "null";
    } else if (const bool* b = std::get_if<bool>(&value_)) {
        out += *b ? "true" : "false";
    } else if (const int64_t* i = std::get_if<int64_t>(&value_)) {
        out += std::to_string(*i);
    } else if (const double* d = std::get_if<double>(&value_)) {
        if (!std::isfinite(*d)) {
            out += "null";  // JSON has no infinities
        } else {
            char number[32];
            std::snprintf(number, sizeof number, "%.6g", *d);
            out += number;
        }
    } else if (const std::string* s = std::get_if<std::string>(&value_)) {
        out += JsonQuote(*s);
    } else if (const Array* a = std::get_if<Array>(&value_)) {
        out += '[';
        for (size_t k = 0; k < a->size(); ++k) {
            if (k) out += ',';
            (*a)[k].DumpTo(out);
        }
        out += ']';
    } else {
        const Object& o = std::get<Object>(value_);
        out += '{';
        for (size_t k = 0; k < o.size(); ++k) {
            if (k) out += ',';
            out += JsonQuote(o[k].first);
            out += ':';
            o[k].second.DumpTo(out);
        }
        out += '}';
    }
}

}  // namespace rezive::cli
