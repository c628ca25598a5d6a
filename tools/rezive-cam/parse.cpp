#include "parse.h"

#include <ReziveSdk.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace rezive::cli {
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

struct FormatName {
    const char* name;
    int32_t format;
    const char* extension;
};
constexpr FormatName kFormats[] = {
    {"bmp", RZ_FILE_BMP, ".bmp"},          {"raw", RZ_FILE_RAW, ".raw"},
    {"jpeg", RZ_FILE_JPEG_HIGH, ".jpg"},   {"jpeg-normal", RZ_FILE_JPEG_NORMAL, ".jpg"},
    {"jpeg-low", RZ_FILE_JPEG_LOW, ".jpg"}, {"png", RZ_FILE_PNG, ".png"},
    {"tiff", RZ_FILE_TIFF, ".tif"},
};

}  // namespace

std::optional<int32_t> ParseDurationMs(const std::string& text) {
    if (text.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const double number = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || errno != 0 || !std::isfinite(number) || number < 0) {
        return std::nullopt;
    }
    const std::string unit = Lower(end);
    double ms;
    if (unit.empty() || unit == "s") {
        ms = number * 1000.0;
    } else if (unit == "ms") {
        ms = number;
    } else if (unit == "m" || unit == "min") {
        ms = number * 60000.0;
    } else {
        return std::nullopt;
    }
    if (ms > std::numeric_limits<int32_t>::max()) return std::nullopt;
    return static_cast<int32_t>(std::llround(ms));
}

std::optional<int32_t> ParseSwitch(const std::string& text) {
    const std::string t = Lower(text);
    if (t == "on" || t == "true" || t == "yes" || t == "1") return 1;
    if (t == "off" || t == "false" || t == "no" || t == "0") return 0;
    return std::nullopt;
}

std::optional<int32_t> ParseInt(const std::string& text) {
    if (text.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (*end != '\0' || errno != 0 || value < std::numeric_limits<int32_t>::min() ||
        value > std::numeric_limits<int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<int32_t>(value);
}

std::optional<int32_t> FileFormatByName(const std::string& name) {
    const std::string n = Lower(name);
    for (const auto& f : kFormats) {
        if (n == f.name) return f.format;
    }
    if (n == "jpg" || n == "jpeg-high") return RZ_FILE_JPEG_HIGH;
    if (n == "tif") return RZ_FILE_TIFF;
    return std::nullopt;
}

std::optional<int32_t> FileFormatByExtension(const std::string& fileName) {
    const size_t slash = fileName.find_last_of('/');
    const size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return std::nullopt;
    }
    const std::string ext = Lower(fileName.substr(dot + 1));
    if (ext == "jpg" || ext == "jpeg") return RZ_FILE_JPEG_HIGH;
    if (ext == "tif" || ext == "tiff") return RZ_FILE_TIFF;
    if (ext == "bmp") return RZ_FILE_BMP;
    if (ext == "png") return RZ_FILE_PNG;
    if (ext == "raw") return RZ_FILE_RAW;
    return std::nullopt;
}

const char* FileFormatExtension(int32_t format) {
    for (const auto& f : kFormats) {
        if (f.format == format) return f.extension;
    }
    return "";
}

const char* FileFormatName(int32_t format) {
    for (const auto& f : kFormats) {
        if (f.format == format) return f.name;
    }
    return "unknown";
}

std::string NumberedName(const std::string& fileName, int32_t index) {
    char number[16];
    std::snprintf(number, sizeof number, "-%04d", index);
    const size_t slash = fileName.find_last_of('/');
    const size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) ||
        dot == (slash == std::string::npos ? 0 : slash + 1)) {
        return fileName + number;  // no extension (or a dot file): append
    }
    return fileName.substr(0, dot) + number + fileName.substr(dot);
}

}  // namespace rezive::cli
