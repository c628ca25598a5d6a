// Numbers as the dialogs read and write them in their edits.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace rezive::dialogs {

// A signed decimal (optional '-', digits, surrounding blanks allowed) that fits 32 bits; any
// other text reads as 0.
int32_t ParseSigned(std::string_view text);
// An unsigned decimal that fits 32 bits, as its two's-complement int32; any other text reads as 0.
int32_t ParseUnsigned(std::string_view text);

inline std::string SignedText(int32_t value) { return std::to_string(value); }
inline std::string UnsignedText(int32_t value) { return std::to_string(static_cast<uint32_t>(value)); }

}  // namespace rezive::dialogs
