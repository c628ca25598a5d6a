// Hue rotation and saturation on colours packed as 0x00RRGGBB.
//
// The hue circle has six sectors of 255 steps; a colour is described by its lightness
// (max + min), chroma (max - min), sector and position inside the sector. The rotation adds
// the hue offset to sector and position, the saturation rescales the chroma within what the
// lightness allows, and the colour is rebuilt from gray plus a masked chroma ramp. The kernel
// works on planar chunks of a row so that the per-pixel arithmetic vectorises.
#include <algorithm>

#include "imaging/cpu_dispatch.h"
#include "imaging/filter_walk.h"
#include "imaging/filters.h"

namespace rezive {
namespace {

using filter_walk::LayoutFits;

constexpr int32_t kChunk = 256;  // pixels per planar chunk

struct HueTables {
    int32_t q0 = 0, r0 = 0;   // hue offset: whole sectors and steps into the next
    int32_t satFactor = 256;  // saturation + 256
};

void BuildHueTables(const HueSaturationParams& p, HueTables& t) {
    const int32_t u = p.hue * 65536 / 360;
    const int32_t u16 = u & 0xFFFF;
    const int32_t l = (u16 * 6) >> 8;
    const int32_t h0 = l - 2 * ((l + 256) / 512);
    t.q0 = h0 / 255;
    t.r0 = h0 % 255;
    t.satFactor = std::clamp(p.saturation, -255, 255) + 256;
}

// One chunk of planar colours (each 0..255) transformed in place. The packed form of the
// filter adds the chroma ramp into 0x00RRGGBB; no channel ever carries into or borrows from
// its neighbour there (lo + C2 <= 255 and the ramp step m <= C2), so the same arithmetic is
// done here per channel, branch-free, which the compiler vectorises. The tables of the packed
// form become arithmetic: gray[v] is v in every channel, reciprocal[C] = 0xFF0000 / C is a
// float division corrected to the exact floor, limit[L] and sat[C] are their formulas.
REZIVE_INLINE void TransformPlanes(int16_t* __restrict pb, int16_t* __restrict pg,
                                   int16_t* __restrict pr, int32_t n, const HueTables& t) {
    // Everything but the reciprocal fits 16 bits; keeping the lanes that narrow doubles the
    // pixels per instruction. Conditions become all-ones masks and selections bit operations.
    using I16 = int16_t;
    auto mask = [](bool c) { return static_cast<I16>(-static_cast<I16>(c)); };
    auto pick = [](I16 m, I16 a, I16 b) { return static_cast<I16>((a & m) | (b & ~m)); };
    const auto q0 = static_cast<I16>(t.q0), r0 = static_cast<I16>(t.r0);
    const auto satHalf = static_cast<uint8_t>(t.satFactor >> 1);
    const auto oddMask = static_cast<I16>(-(t.satFactor & 1));
    for (int32_t i = 0; i < n; ++i) {
        const I16 r = pr[i], g = pg[i], b = pb[i];
        const I16 mx = std::max(std::max(r, g), b), mn = std::min(std::min(r, g), b);
        const auto chroma = static_cast<I16>(mx - mn), light = static_cast<I16>(mx + mn);
        // Sector (0..5) and position inside it.
        const I16 redFirst = mask(r >= g);
        I16 s = pick(redFirst, 1, 3);
        I16 num = pick(redFirst, static_cast<I16>(g - b), static_cast<I16>(b - r));
        const I16 candidate = pick(redFirst, r, g);
        const I16 blueTop = mask(b > candidate);
        s = pick(blueTop, 5, s);
        num = pick(blueTop, static_cast<I16>(r - g), num);
        const I16 negative = mask(num < 0);
        s = static_cast<I16>(s + negative);
        num = static_cast<I16>(num + (chroma & negative));
        // New chroma within what the lightness allows. (chroma * satFactor + 128) >> 8 with
        // 16-bit products: satFactor = 2 h + o, and floor(u / 256) = floor(floor(u / 2) / 128).
        const I16 limit = pick(mask(light < 256), light, static_cast<I16>(511 - light));
        const auto half = static_cast<uint16_t>(static_cast<uint8_t>(chroma) * satHalf);
        const auto odd = static_cast<uint16_t>(((chroma & oddMask) + 128) >> 1);
        const auto sat = static_cast<I16>(static_cast<uint16_t>(half + odd) >> 7);
        const I16 c1 = std::min(limit, sat);
        const auto lo = static_cast<I16>((light - c1) >> 1);
        const auto c2 = static_cast<I16>(((light + c1) >> 1) - lo);
        // Exact floor(0xFF0000 / chroma) * num in single precision: every integer involved
        // stays below 2^24, so the products are exact, and the rounded quotient is at most
        // one too large.
        const float divisor = static_cast<float>(std::max<int32_t>(chroma, 1));
        int32_t recip = static_cast<int32_t>(16711680.0f / divisor);
        recip -= static_cast<int32_t>(static_cast<float>(recip) * divisor) > 16711680 ? 1 : 0;
        const auto scaled =
            static_cast<int32_t>(static_cast<float>(recip) * static_cast<float>(num));
        auto f = static_cast<I16>(((scaled + 0x8000) >> 16) + r0);
        s = static_cast<I16>(s + q0);
        const I16 wrap = mask(f >= 255);
        f = static_cast<I16>(f - (255 & wrap));
        s = static_cast<I16>(s - wrap);
        const I16 sector = pick(mask(s >= 6), static_cast<I16>(s - 6), s);
        // c2 and f are bytes (f <= 254 after the wrap), so the product fits 16 bits.
        const auto m = static_cast<I16>(
            static_cast<uint16_t>(static_cast<uint8_t>(c2) * static_cast<uint8_t>(f) + 128) >> 8);
        // Sector masks (chroma added) and ramp channel: 0 B,R -B; 1 R +G; 2 R,G -R; 3 G +B;
        // 4 G,B -G; 5 B +R.
        const I16 s0 = mask(sector == 0), s1 = mask(sector == 1), s2 = mask(sector == 2),
                  s3 = mask(sector == 3), s4 = mask(sector == 4), s5 = mask(sector == 5);
        const auto nb = static_cast<I16>(lo + (c2 & (s0 | s4 | s5)) + (m & s3) - (m & s0));
        const auto ng = static_cast<I16>(lo + (c2 & (s2 | s3 | s4)) + (m & s1) - (m & s4));
        const auto nr = static_cast<I16>(lo + (c2 & (s0 | s1 | s2)) + (m & s5) - (m & s2));
        // A gray pixel keeps its value.
        const I16 gray = mask(chroma == 0);
        pb[i] = pick(gray, b, nb);
        pg[i] = pick(gray, g, ng);
        pr[i] = pick(gray, r, nr);
    }
}

// Rows of one pixel layout: SS and DS samples per source and destination pixel (0: the run-time
// values ss and ds).
template <class S, int SS, int DS>
REZIVE_INLINE void HueRows(uint8_t* dst, const uint8_t* src, const Rect& rc, int32_t x, int32_t y,
                           int32_t db, int32_t sb, int32_t dstStride, int32_t srcStride,
                           int32_t ssRuntime, int32_t dsRuntime, int32_t n, const HueTables& t,
                           const S* tone) {
    const int32_t ss = SS != 0 ? SS : ssRuntime, ds = DS != 0 ? DS : dsRuntime;
    // 16-bit channels contribute their top 8 bits of the bit depth (above the limit: the limit).
    const int32_t shift = sizeof(S) == 1 ? 0 : n - 8;
    const int32_t limit = sizeof(S) == 1 ? 255 : (1 << n) - 1;
    alignas(64) int16_t pb[kChunk], pg[kChunk], pr[kChunk];
    const int32_t w = rc.Width(), h = rc.Height();
    for (int32_t i = 0; i < h; ++i) {
        const S* s =
            reinterpret_cast<const S*>(pixel::RowAt(src, rc.top + i, srcStride) + rc.left * sb);
        S* d = reinterpret_cast<S*>(pixel::RowAt(dst, y + i, dstStride) + x * db);
        for (int32_t j0 = 0; j0 < w; j0 += kChunk) {
            const int32_t cnt = std::min(kChunk, w - j0);
            const S* sp = s + static_cast<ptrdiff_t>(j0) * ss;
            for (int32_t j = 0; j < cnt; ++j) {
                pb[j] = static_cast<int16_t>(std::min<int32_t>(sp[j * ss], limit) >> shift);
                pg[j] = static_cast<int16_t>(std::min<int32_t>(sp[j * ss + 1], limit) >> shift);
                pr[j] = static_cast<int16_t>(std::min<int32_t>(sp[j * ss + 2], limit) >> shift);
            }
            TransformPlanes(pb, pg, pr, cnt, t);
            S* dp = d + static_cast<ptrdiff_t>(j0) * ds;
            if (tone == nullptr) {
                for (int32_t j = 0; j < cnt; ++j) {
                    dp[j * ds] = static_cast<S>(pb[j] << shift);
                    dp[j * ds + 1] = static_cast<S>(pg[j] << shift);
                    dp[j * ds + 2] = static_cast<S>(pr[j] << shift);
                }
            } else {
                // Written samples never exceed the limit, so they index the table directly.
                for (int32_t j = 0; j < cnt; ++j) {
                    dp[j * ds] = tone[pb[j] << shift];
                    dp[j * ds + 1] = tone[pg[j] << shift];
                    dp[j * ds + 2] = tone[pr[j] << shift];
                }
            }
        }
    }
}

template <class S>
REZIVE_INLINE int32_t HueSaturation(uint8_t* dst, const uint8_t* src, const Rect& rc, int32_t x,
                                    int32_t y, int32_t db, int32_t sb, int32_t dstStride,
                                    int32_t srcStride, void* param) {
    if (param == nullptr || !LayoutFits<S>(db, sb, 3)) return 0;
    const auto& p = *static_cast<const HueSaturationParams*>(param);
    HueTables t;
    BuildHueTables(p, t);
    const int32_t n = sizeof(S) == 1 ? 8 : std::clamp(p.bitDepth, 8, 16);
    const int32_t ds = db / static_cast<int32_t>(sizeof(S));
    const int32_t ss = sb / static_cast<int32_t>(sizeof(S));
    const S* tone;
    if constexpr (sizeof(S) == 1)
        tone = p.tone8;
    else
        tone = p.tone16;
    if (ss == 3 && ds == 3)
        HueRows<S, 3, 3>(dst, src, rc, x, y, db, sb, dstStride, srcStride, ss, ds, n, t, tone);
    else if (ss == 4 && ds == 4)
        HueRows<S, 4, 4>(dst, src, rc, x, y, db, sb, dstStride, srcStride, ss, ds, n, t, tone);
    else
        HueRows<S, 0, 0>(dst, src, rc, x, y, db, sb, dstStride, srcStride, ss, ds, n, t, tone);
    return 1;
}

}  // namespace

REZIVE_DEFINE_DISPATCHED_KERNEL(HueSaturationColor8, HueSaturation<uint8_t>)
REZIVE_DEFINE_DISPATCHED_KERNEL(HueSaturationColor16, HueSaturation<uint16_t>)

}  // namespace rezive
