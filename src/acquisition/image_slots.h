// The camera's nine image buffers and the colour modes that select them.
#pragma once

#include <cstdint>

namespace rezive {

// Colour modes 0..5 index the frame buffer of their pixel layout: gray 8 and 16, BGR 24, BGRX
// 32, BGR 48 and BGRX 64 bits per pixel (the 16-bit samples have 12 significant bits).
inline constexpr int32_t kColorModeBits[6] = {8, 16, 24, 32, 48, 64};
// What Rezive_GetColorMode reports per colour mode (each 16-bit layout reports four less than
// its bits per pixel).
inline constexpr int32_t kColorModeReported[6] = {8, 12, 24, 32, 44, 60};

inline int32_t ColorModeBits(int32_t mode) { return mode >= 0 && mode < 6 ? kColorModeBits[mode] : 0; }

// Slots 0..5 are the frame buffers of the colour modes; then the sharpness work copy, the
// display buffer of the preview and a spare.
enum ImageSlot : int { kSlotWork = 6, kSlotDisplay = 7, kSlotSpare = 8, kImageSlots = 9 };

}  // namespace rezive
