#include "virtual_camera/frame_sequence.h"

namespace rezive::virtual_camera {

void StampSequence(uint32_t sequence, int32_t width, int32_t height, bool sixteen, uint8_t* out,
                   size_t outBytes) {
    const size_t s = sixteen ? 2 : 1;
    const uint16_t full = sixteen ? 4095 : 255;
    for (int32_t r = 0; r < kStampRows && r < height; ++r) {
        for (int32_t c = 0; c < kStampColumns && c < width; ++c) {
            const size_t index = static_cast<size_t>(r) * width + c;
            if ((index + 1) * s > outBytes) continue;
            const uint16_t v = ((sequence >> (31 - c / 4)) & 1u) != 0 ? full : 0;
            if (sixteen) {
                out[2 * index] = static_cast<uint8_t>(v);
                out[2 * index + 1] = static_cast<uint8_t>(v >> 8);
            } else {
                out[index] = static_cast<uint8_t>(v);
            }
        }
    }
}

int64_t RecoverSequence(const uint8_t* pixels, int32_t width, int32_t height, size_t strideBytes,
                        int32_t bytesPerPixel, bool sixteen) {
    if (pixels == nullptr || width < kStampColumns || height < kStampRows || bytesPerPixel < 1)
        return -1;
    const bool words = bytesPerPixel == 2 || bytesPerPixel == 6 || bytesPerPixel == 8;
    const uint32_t threshold = sixteen ? 2048 : 128;
    uint32_t value = 0;
    for (int32_t bit = 0; bit < 32; ++bit) {
        uint32_t sum = 0;
        for (int32_t r = 1; r <= 2; ++r) {
            for (int32_t c = 4 * bit + 1; c <= 4 * bit + 2; ++c) {
                const uint8_t* p = pixels + r * strideBytes + static_cast<size_t>(c) * bytesPerPixel;
                sum += words ? static_cast<uint32_t>(p[0] | (p[1] << 8)) : p[0];
            }
        }
        value = (value << 1) | (sum / 4 >= threshold ? 1u : 0u);
    }
    return value;
}

}  // namespace rezive::virtual_camera
