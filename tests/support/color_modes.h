// Bits per pixel in memory of the colour-mode code Rezive_GetColorMode reports (the 12-bit
// modes are stored in 16-bit samples); 0 for a code the library never reports.
#pragma once

#include <ReziveSdk.h>

#include <cstdint>

namespace rezive::test {

inline int32_t StorageBitsOfColorMode(int32_t reported) {
    switch (reported) {
        case RZ_COLOR_MODE_GRAY8: return RZ_BITS_GRAY8;
        case RZ_COLOR_MODE_GRAY16: return RZ_BITS_GRAY16;
        case RZ_COLOR_MODE_BGR24: return RZ_BITS_BGR24;
        case RZ_COLOR_MODE_BGRX32: return RZ_BITS_BGRX32;
        case RZ_COLOR_MODE_BGR48: return RZ_BITS_BGR48;
        case RZ_COLOR_MODE_BGRX64: return RZ_BITS_BGRX64;
        default: return 0;
    }
}

}  // namespace rezive::test
