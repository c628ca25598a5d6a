// Small inline helpers shared by the kernels: unaligned little-endian sample access and row
// addressing. They compile to plain loads and stores, so loops that use them still vectorise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace rezive::pixel {

inline uint16_t Load16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void Store16(uint8_t* p, uint16_t v) { std::memcpy(p, &v, sizeof v); }

inline uint8_t* RowAt(uint8_t* base, int32_t row, int32_t stride) {
    return base + static_cast<ptrdiff_t>(row) * stride;
}

inline const uint8_t* RowAt(const uint8_t* base, int32_t row, int32_t stride) {
    return base + static_cast<ptrdiff_t>(row) * stride;
}

}  // namespace rezive::pixel
