// The camera's nine image buffers and the colour modes that select them.
#pragma once

#include <cstdint>

#include "ReziveSdk.h"

namespace rezive {

// Colour modes 0..5 index the frame buffer of their pixel layout.
inline constexpr int32_t kColorModeBits[6] = {RZ_BITS_GRAY8, RZ_BITS_GRAY16, RZ_BITS_BGR24,
                                              RZ_BITS_BGRX32, RZ_BITS_BGR48, RZ_BITS_BGRX64};
// What Rezive_GetColorMode reports per colour mode.
inline constexpr int32_t kColorModeReported[6] = {
    RZ_COLOR_MODE_GRAY8,  RZ_COLOR_MODE_GRAY16, RZ_COLOR_MODE_BGR24,
    RZ_COLOR_MODE_BGRX32, RZ_COLOR_MODE_BGR48,  RZ_COLOR_MODE_BGRX64};

inline int32_t ColorModeBits(int32_t mode) { return mode >= 0 && mode < 6 ? kColorModeBits[mode] : 0; }

// Slots 0..5 are the frame buffers of the colour modes; then the sharpness work copy, the
// display buffer of the preview and a spare.
enum ImageSlot : int { kSlotWork = 6, kSlotDisplay = 7, kSlotSpare = 8, kImageSlots = 9 };

}  // namespace rezive
