#include "imaging/gray16.h"

#include "imaging/pixel_access.h"

namespace rezive {

int32_t BgrToGray16(uint8_t* dst, const uint8_t* src, const Rect& rect, int32_t x, int32_t y,
                    int32_t, int32_t srcBpp, int32_t dstStride, int32_t srcStride, void*) {
    for (int32_t r = 0; r < rect.Height(); ++r) {
        const uint8_t* s = pixel::RowAt(src, rect.top + r, srcStride) + rect.left * srcBpp;
        uint8_t* d = pixel::RowAt(dst, y + r, dstStride) + x * 2;
        for (int32_t c = 0; c < rect.Width(); ++c, s += srcBpp, d += 2) {
            const uint32_t b = pixel::Load16(s), g = pixel::Load16(s + 2), red = pixel::Load16(s + 4);
            pixel::Store16(d, static_cast<uint16_t>((59 * g + 30 * red + 11 * b) / 100));
        }
    }
    return 1;
}

}  // namespace rezive
