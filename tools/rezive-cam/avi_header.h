// What rezive-cam reads back from an AVI file the library wrote: the frame count, size and rate
// its header declares.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace rezive::cli {

struct AviSummary {
    uint32_t frames = 0;
    int32_t width = 0;
    int32_t height = 0;
    double framesPerSecond = 0.0;
    uint64_t fileBytes = 0;
};

// The main header of a finished file; nullopt when the file is not a finished AVI.
std::optional<AviSummary> ReadAviSummary(const std::string& path);

}  // namespace rezive::cli
