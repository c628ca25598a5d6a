// Helpers for the imaging tests: typed pixel access to CDibImage buffers by memory row.
#pragma once

#include <cstdint>
#include <cstring>
#include <random>

#include "imaging/cpu_dispatch.h"
#include "imaging/dib_image.h"

namespace rezive::test {

inline uint16_t Get16(const CDibImage& img, int32_t col, int32_t row, int32_t channel = 0) {
    uint16_t v;
    std::memcpy(&v, img.Row(row) + col * img.BytesPerPixel() + channel * 2, 2);
    return v;
}

inline void Set16(CDibImage& img, int32_t col, int32_t row, int32_t channel, uint16_t v) {
    std::memcpy(img.Row(row) + col * img.BytesPerPixel() + channel * 2, &v, 2);
}

inline uint8_t Get8(const CDibImage& img, int32_t col, int32_t row, int32_t channel = 0) {
    return img.Row(row)[col * img.BytesPerPixel() + channel];
}

inline void Set8(CDibImage& img, int32_t col, int32_t row, int32_t channel, uint8_t v) {
    img.Row(row)[col * img.BytesPerPixel() + channel] = v;
}

// Fills every byte of the buffer (padding included) with random values.
inline void FillRandom(CDibImage& img, std::mt19937& rng) {
    std::uniform_int_distribution<int> byte(0, 255);
    for (size_t i = 0; i < img.SizeBytes(); ++i) img.Bits()[i] = static_cast<uint8_t>(byte(rng));
}

// Fills every 16-bit sample (padding bytes too) with random values below limit + 1.
inline void FillRandom16(CDibImage& img, std::mt19937& rng, int limit) {
    std::uniform_int_distribution<int> sample(0, limit);
    for (size_t i = 0; i + 1 < img.SizeBytes(); i += 2) {
        const auto v = static_cast<uint16_t>(sample(rng));
        std::memcpy(img.Bits() + i, &v, 2);
    }
}

// Runs the dispatched kernels on the baseline build while in scope (both builds must agree).
struct BaselineScope {
    explicit BaselineScope(bool baseline) { dispatch::ForceBaseline(baseline); }
    ~BaselineScope() { dispatch::ForceBaseline(false); }
    BaselineScope(const BaselineScope&) = delete;
    BaselineScope& operator=(const BaselineScope&) = delete;
};

}  // namespace rezive::test
