#include "platform/text.h"

#include <cstdint>

namespace rezive::platform {

bool Utf16ToNarrow(const char16_t* text, char* out, size_t outSize) {
    if (out == nullptr || outSize == 0) return false;
    out[0] = '\0';
    if (text == nullptr) return false;
    size_t n = 0;
    auto put = [&](uint8_t byte) {
        if (n + 1 >= outSize) return false;  // keep room for the terminator
        out[n++] = static_cast<char>(byte);
        return true;
    };
    for (size_t i = 0; text[i] != 0; ++i) {
        uint32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            const uint32_t low = text[i + 1];
            if (low < 0xDC00 || low > 0xDFFF) { out[0] = '\0'; return false; }
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            ++i;
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            out[0] = '\0';
            return false;
        }
        bool ok;
        if (cp < 0x80) {
            ok = put(static_cast<uint8_t>(cp));
        } else if (cp < 0x800) {
            ok = n + 2 < outSize && put(0xC0 | (cp >> 6)) && put(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            ok = n + 3 < outSize && put(0xE0 | (cp >> 12)) && put(0x80 | ((cp >> 6) & 0x3F)) &&
                 put(0x80 | (cp & 0x3F));
        } else {
            ok = n + 4 < outSize && put(0xF0 | (cp >> 18)) && put(0x80 | ((cp >> 12) & 0x3F)) &&
                 put(0x80 | ((cp >> 6) & 0x3F)) && put(0x80 | (cp & 0x3F));
        }
        if (!ok) { out[0] = '\0'; return false; }
    }
    out[n] = '\0';
    return true;
}

bool NarrowToUtf16(const char* text, char16_t* out, size_t outSize) {
    if (out == nullptr || outSize == 0) return false;
    out[0] = 0;
    if (text == nullptr) return false;
    size_t n = 0;
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    while (*s != 0) {
        uint32_t cp;
        int extra;
        if (*s < 0x80) { cp = *s; extra = 0; }
        else if ((*s & 0xE0) == 0xC0) { cp = *s & 0x1F; extra = 1; }
        else if ((*s & 0xF0) == 0xE0) { cp = *s & 0x0F; extra = 2; }
        else if ((*s & 0xF8) == 0xF0) { cp = *s & 0x07; extra = 3; }
        else { out[n] = 0; return false; }
        ++s;
        for (int k = 0; k < extra; ++k, ++s) {
            if ((*s & 0xC0) != 0x80) { out[n] = 0; return false; }
            cp = (cp << 6) | (*s & 0x3F);
        }
        const size_t units = cp >= 0x10000 ? 2 : 1;
        if (n + units >= outSize) { out[n] = 0; return false; }
        if (units == 2) {
            cp -= 0x10000;
            out[n++] = static_cast<char16_t>(0xD800 + (cp >> 10));
            out[n++] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out[n++] = static_cast<char16_t>(cp);
        }
    }
    out[n] = 0;
    return true;
}

}  // namespace rezive::platform
