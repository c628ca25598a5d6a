// Conversion of the UTF-16 names of the W exports into the narrow encoding (UTF-8).
#pragma once

#include <cstddef>

namespace rezive::platform {

// Size of the narrow buffer the W exports convert into.
inline constexpr size_t kNarrowNameBuffer = 1024;

// Converts the NUL-terminated UTF-16 text into UTF-8 with its terminator in out[0..outSize).
// False (out holds an empty string when outSize > 0) for a null source, an unpaired surrogate or
// a result that does not fit; never writes past outSize.
bool Utf16ToNarrow(const char16_t* text, char* out, size_t outSize);

// Converts the narrow (UTF-8) text into UTF-16 with its terminator; false when it does not fit
// or is not valid UTF-8 (out then holds what was converted, terminated, when outSize > 0).
bool NarrowToUtf16(const char* text, char16_t* out, size_t outSize);

}  // namespace rezive::platform
