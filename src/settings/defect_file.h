// The defect-pixel file: a headerless run of 8-byte records, x then y, each a signed 32-bit
// little-endian coordinate in the 1280 x 720 sensor grid.
#pragma once

#include <cstdint>
#include <vector>

namespace rezive::settings {

struct DefectPoint {
    int32_t x;
    int32_t y;
    friend bool operator==(const DefectPoint&, const DefectPoint&) = default;
};

// Reads every whole record of the file, in file order (a partial record at the end is ignored;
// coordinates are not checked). True when the file was read, also when it holds no whole record;
// false, with *out untouched, when it is missing, not a regular file or cannot be read.
// Never allocates more than the file's size.
bool ReadDefectFile(const char* path, std::vector<DefectPoint>* out);

}  // namespace rezive::settings
