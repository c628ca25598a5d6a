#include "avi_header.h"

#include <cstdio>
#include <cstring>

namespace rezive::cli {
namespace {

uint32_t Le32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// The RIFF header, the main header ("avih" at 24, its 56 bytes at 32) and the stream header
// ("strh" at 100, its length field at 140: every frame, also past the first RIFF).
constexpr size_t kHeaderBytes = 144;

bool ReadHeader(const std::string& path, unsigned char (&header)[kHeaderBytes], uint64_t* size) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    const bool ok = std::fread(header, 1, kHeaderBytes, file) == kHeaderBytes;
    if (ok && size != nullptr && std::fseek(file, 0, SEEK_END) == 0) {
        const long end = std::ftell(file);
        *size = end > 0 ? static_cast<uint64_t>(end) : 0;
    }
    std::fclose(file);
    return ok && std::memcmp(header, "RIFF", 4) == 0 && std::memcmp(header + 8, "AVI ", 4) == 0;
}

}  // namespace

std::optional<AviSummary> ReadAviSummary(const std::string& path) {
    unsigned char header[kHeaderBytes];
    AviSummary summary;
    if (!ReadHeader(path, header, &summary.fileBytes) || Le32(header + 4) == 0 ||
        std::memcmp(header + 24, "avih", 4) != 0) {
        return std::nullopt;
    }
    const uint32_t microsecondsPerFrame = Le32(header + 32);
    summary.frames = std::memcmp(header + 100, "strh", 4) == 0 ? Le32(header + 140)
                                                               : Le32(header + 48);
    summary.width = static_cast<int32_t>(Le32(header + 64));
    summary.height = static_cast<int32_t>(Le32(header + 68));
    if (microsecondsPerFrame != 0) summary.framesPerSecond = 1e6 / microsecondsPerFrame;
    return summary;
}

}  // namespace rezive::cli
