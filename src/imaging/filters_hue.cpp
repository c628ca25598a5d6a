// Hue rotation and saturation on colours packed as 0x00RRGGBB.
//
// The hue circle has six sectors of 255 steps; a colour is described by its lightness
// (max + min), chroma (max - min), sector and position inside the sector. The rotation adds
// the hue offset to sector and position, the saturation rescales the chroma within what the
// lightness allows, and the colour is rebuilt from gray plus a masked chroma ramp. Integer
// arithmetic throughout, wrapping in 32 bits where the packed channels borrow.
#include <algorithm>
#include <array>

#include "imaging/filter_walk.h"
#include "imaging/filters.h"

namespace rezive {
namespace {

using filter_walk::LayoutFits;
using U16A = uint16_t;

struct Sector {
    uint32_t mask;
    int32_t multiplier;
};

// Indexed by sector 0..11 (the pattern repeats every six: rotation can carry past sector 5).
constexpr std::array<Sector, 12> kSectors = {{{0xFF00FF, -1},
                                              {0xFF0000, 0x100},
                                              {0xFFFF00, -0x10000},
                                              {0x00FF00, 1},
                                              {0x00FFFF, -0x100},
                                              {0x0000FF, 0x10000},
                                              {0xFF00FF, -1},
                                              {0xFF0000, 0x100},
                                              {0xFFFF00, -0x10000},
                                              {0x00FF00, 1},
                                              {0x00FFFF, -0x100},
                                              {0x0000FF, 0x10000}}};

struct HueTables {
    int32_t q0 = 0, r0 = 0;         // hue offset: whole sectors and steps
    uint32_t reciprocal[256] = {};  // 0xFF0000 / chroma
    uint16_t sat[256] = {};         // chroma scaled by the saturation
};

void BuildHueTables(const HueSaturationParams& p, HueTables& t) {
    const int32_t u = p.hue * 65536 / 360;
    const int32_t u16 = u & 0xFFFF;
    const int32_t l = (u16 * 6) >> 8;
    const int32_t h0 = l - 2 * ((l + 256) / 512);
    t.q0 = h0 / 255;
    t.r0 = h0 % 255;
    t.reciprocal[0] = 0;
    for (uint32_t c = 1; c < 256; ++c) t.reciprocal[c] = 0xFF0000u / c;
    const int32_t factor = std::clamp(p.saturation, -255, 255) + 256;
    for (int32_t c = 0; c < 256; ++c)
        t.sat[c] = static_cast<uint16_t>((c * factor + 128) / 256);
}

// The colour rebuilt after rotation and saturation; (b, g, r) each 0..255.
inline uint32_t Transform(int32_t r, int32_t g, int32_t b, const HueTables& t) {
    const int32_t mx = std::max(std::max(r, g), b), mn = std::min(std::min(r, g), b);
    const int32_t chroma = mx - mn, light = mx + mn;
    int32_t s, n, candidate;
    if (r >= g) {
        s = 1;
        n = g - b;
        candidate = r;
    } else {
        s = 3;
        n = b - r;
        candidate = g;
    }
    if (b > candidate) {
        s = 5;
        n = r - g;
    }
    if (n < 0) {
        s -= 1;
        n += chroma;
    }
    const int32_t limit = light < 256 ? light : 511 - light;  // lightness 0
    const int32_t c1 = std::min(limit, static_cast<int32_t>(t.sat[chroma]));
    const int32_t lo = (light - c1) >> 1;
    const int32_t c2 = ((light + c1) >> 1) - lo;
    uint32_t packed = static_cast<uint32_t>(lo) * 0x010101u;
    if (chroma != 0) {
        int32_t f = static_cast<int32_t>((t.reciprocal[chroma] * static_cast<uint32_t>(n) +
                                          0x8000u) >> 16) + t.r0;
        s += t.q0;
        if (f >= 255) {
            f -= 255;
            s += 1;
        }
        const Sector& sector = kSectors[static_cast<size_t>(s)];
        packed += (static_cast<uint32_t>(c2) * 0x010101u) & sector.mask;
        packed += static_cast<uint32_t>((c2 * f + 128) >> 8) *
                  static_cast<uint32_t>(sector.multiplier);
    }
    return packed;
}

int32_t HueSaturation8(uint8_t* dst, const uint8_t* src, const Rect& rc, int32_t x, int32_t y,
                       int32_t db, int32_t sb, int32_t dstStride, int32_t srcStride,
                       const HueTables& t) {
    const int32_t w = rc.Width(), h = rc.Height();
    for (int32_t i = 0; i < h; ++i) {
        const uint8_t* s = pixel::RowAt(src, rc.top + i, srcStride) + rc.left * sb;
        uint8_t* d = pixel::RowAt(dst, y + i, dstStride) + x * db;
        for (int32_t j = 0; j < w; ++j) {
            const uint8_t* sp = s + static_cast<ptrdiff_t>(j) * sb;
            const uint32_t p = Transform(sp[2], sp[1], sp[0], t);
            uint8_t* dp = d + static_cast<ptrdiff_t>(j) * db;
            dp[0] = static_cast<uint8_t>(p);
            dp[1] = static_cast<uint8_t>(p >> 8);
            dp[2] = static_cast<uint8_t>(p >> 16);
        }
    }
    return 1;
}

int32_t HueSaturation16(uint8_t* dst, const uint8_t* src, const Rect& rc, int32_t x, int32_t y,
                        int32_t db, int32_t sb, int32_t dstStride, int32_t srcStride,
                        const HueTables& t, int32_t n) {
    const int32_t w = rc.Width(), h = rc.Height();
    const int shift = n - 8;
    const uint16_t limit = static_cast<uint16_t>((1 << n) - 1);
    auto in = [&](const U16A* p) { return std::min(*p, limit) >> shift; };
    for (int32_t i = 0; i < h; ++i) {
        const uint8_t* s = pixel::RowAt(src, rc.top + i, srcStride) + rc.left * sb;
        uint8_t* d = pixel::RowAt(dst, y + i, dstStride) + x * db;
        for (int32_t j = 0; j < w; ++j) {
            const auto* sp = reinterpret_cast<const U16A*>(s + static_cast<ptrdiff_t>(j) * sb);
            const uint32_t p = Transform(in(sp + 2), in(sp + 1), in(sp), t);
            auto* dp = reinterpret_cast<U16A*>(d + static_cast<ptrdiff_t>(j) * db);
            dp[0] = static_cast<uint16_t>((p & 0xFF) << shift);
            dp[1] = static_cast<uint16_t>(((p >> 8) & 0xFF) << shift);
            dp[2] = static_cast<uint16_t>(((p >> 16) & 0xFF) << shift);
        }
    }
    return 1;
}

}  // namespace

int32_t HueSaturationColor8(uint8_t* dst, const uint8_t* src, const Rect& rect, int32_t x,
                            int32_t y, int32_t dstBpp, int32_t srcBpp, int32_t dstStride,
                            int32_t srcStride, void* param) {
    if (param == nullptr || !LayoutFits<uint8_t>(dstBpp, srcBpp, 3)) return 0;
    HueTables t;
    BuildHueTables(*static_cast<const HueSaturationParams*>(param), t);
    return HueSaturation8(dst, src, rect, x, y, dstBpp, srcBpp, dstStride, srcStride, t);
}

int32_t HueSaturationColor16(uint8_t* dst, const uint8_t* src, const Rect& rect, int32_t x,
                             int32_t y, int32_t dstBpp, int32_t srcBpp, int32_t dstStride,
                             int32_t srcStride, void* param) {
    if (param == nullptr || !LayoutFits<uint16_t>(dstBpp, srcBpp, 3)) return 0;
    const auto& p = *static_cast<const HueSaturationParams*>(param);
    HueTables t;
    BuildHueTables(p, t);
    return HueSaturation16(dst, src, rect, x, y, dstBpp, srcBpp, dstStride, srcStride, t,
                           std::clamp(p.bitDepth, 8, 16));
}

}  // namespace rezive
