// Parsing of the values people type: durations, switches, file formats and numbered names.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace rezive::cli {

// "3s", "2.5s", "500ms", "1m", or a bare number of seconds; nullopt when malformed, negative
// or longer than the 32-bit millisecond range the library takes.
std::optional<int32_t> ParseDurationMs(const std::string& text);

// on/off, true/false, yes/no, 1/0.
std::optional<int32_t> ParseSwitch(const std::string& text);

// A whole decimal number within the 32-bit range (leading sign allowed).
std::optional<int32_t> ParseInt(const std::string& text);

// The SDK file type of a --format name (bmp, raw, jpeg, jpeg-normal, jpeg-low, png, tiff).
std::optional<int32_t> FileFormatByName(const std::string& name);
// The SDK file type guessed from a file name's extension.
std::optional<int32_t> FileFormatByExtension(const std::string& fileName);
// The usual extension of a file type, with its dot.
const char* FileFormatExtension(int32_t format);
const char* FileFormatName(int32_t format);

// name-0001.ext for item `index` (1-based) of a series: the number goes before the extension.
std::string NumberedName(const std::string& fileName, int32_t index);

}  // namespace rezive::cli
