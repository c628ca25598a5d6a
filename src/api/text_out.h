// Text handed out through a caller's buffer, the rule of the companion calls that return text:
// the text is cut to fit (always terminated when size > 0) and its whole length is returned, so
// a caller can size a second call.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace rezive::api {

inline int32_t CopyTextOut(std::string_view source, char* text, int32_t size) {
    if (size > 0) {
        const size_t n = std::min(source.size(), static_cast<size_t>(size) - 1);
        std::memcpy(text, source.data(), n);
        text[n] = '\0';
    }
    return static_cast<int32_t>(std::min<size_t>(source.size(), 0x7FFFFFFF));
}

}  // namespace rezive::api
