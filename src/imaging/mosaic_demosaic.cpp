// Colour reconstruction from the Bayer mosaic.
//
// The 9/3/3/1 weights are separable: a colour sum is 3 x (the nearer row's 3:1 horizontal mix)
// + (the farther row's 3:1 mix). Every mosaic row carries one non-green colour, so for an
// output row the "own" colour X comes from rows r and r - 2 and the other colour Y from rows
// r - 1 and r + 1. Columns alternate between sitting on X (X near at c, far at c - 2; Y near at
// c - 1, far at c + 1) and sitting between (the other way round). The interior runs this over
// column pairs into small planes that the compiler vectorises, then interleaves the planes into
// the destination pixels; the border evaluates the same sums per pixel with substituted
// coordinates.
#include "imaging/mosaic.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "imaging/cpu_dispatch.h"
#include "imaging/pixel_access.h"

namespace rezive {
namespace {

using pixel::RowAt;

using U16A = uint16_t __attribute__((may_alias));
using U32A = uint32_t __attribute__((may_alias));
using U64A = uint64_t __attribute__((may_alias));

constexpr int kChunk = 512;  // columns per plane chunk: planes stay in L1 and on the stack

// Gain factor: gain x 128 / 100, the gain limited to the accepted 0..400.
int32_t GainFactor(int32_t gain) { return std::clamp(gain, 0, 400) * 128 / 100; }

// Per-width arithmetic. 8-bit sums (at most 16 x 255) fit 16 bits and the factor (at most 512)
// times 32 does too, so (sum x K) >> 11 is the high half of sum x (K << 5): one 16-bit
// multiply-high per sample, and the clamp at 256 x 2048 becomes a min with 255.
struct Raw8 {
    // The baseline build interleaves 24-bit pixels with SSE2 shifts (the compiler would store
    // them byte by byte); the wide build's own vectorisation does better with byte shuffles.
    static constexpr bool kSse2Interleave = true;
    using Sample = uint8_t;
    using Sum = uint16_t;
    using Out = uint8_t;
    using Pair = uint16_t;  // two neighbouring samples
    static Pair LoadPair(const uint8_t* p) { return pixel::Load16(p); }
    static void StorePair(uint8_t* p, Pair v) { pixel::Store16(p, v); }
    static uint16_t Factor(int32_t gain) { return static_cast<uint16_t>(GainFactor(gain) << 5); }
    static Out Scale(Sum s, uint16_t k) {
        const auto v = static_cast<uint16_t>((static_cast<uint32_t>(s) * k) >> 16);
        return static_cast<Out>(v < 255 ? v : 255);
    }
    static Out Green(Sample a, Sample b) {
        return static_cast<Out>((static_cast<uint16_t>(a) + b) >> 1);
    }
    // The same results kept in the sum's width, so the pair loop never narrows and widens.
    // The product's high half is at most 1020: a signed 16-bit minimum (pminsw) clamps it.
    static Sum ScaleWide(Sum s, uint16_t k) {
        const auto v = static_cast<int16_t>((static_cast<uint32_t>(s) * k) >> 16);
        return static_cast<Sum>(v < int16_t{255} ? v : int16_t{255});
    }
    static Sum GreenWide(Sum a, Sum b) { return static_cast<Sum>((a + b) >> 1); }
};

// 16-bit samples may carry garbage above 12 bits: sums need 32 bits (16 x 65535 x 512 < 2^31).
struct Raw16 {
    static constexpr bool kSse2Interleave = false;
    using Sample = uint16_t;
    using Sum = uint32_t;
    using Out = uint16_t;
    using Pair = uint32_t;
    static Pair LoadPair(const uint8_t* p) {
        Pair v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    static void StorePair(uint8_t* p, Pair v) { std::memcpy(p, &v, sizeof v); }
    static uint32_t Factor(int32_t gain) { return static_cast<uint32_t>(GainFactor(gain)); }
    static Out Scale(Sum s, uint32_t k) {
        const uint32_t v = (s * k) >> 11;
        return static_cast<Out>(v < 4095 ? v : 4095);
    }
    static Out Green(Sample a, Sample b) {
        const uint32_t v = (static_cast<uint32_t>(a) + b) >> 1;
        return static_cast<Out>(v < 4095 ? v : 4095);
    }
    static Sum ScaleWide(Sum s, uint32_t k) { return Scale(s, k); }
    static Sum GreenWide(Sum a, Sum b) {
        const uint32_t v = (a + b) >> 1;
        return v < 4095 ? v : 4095;
    }
};

struct Raw8Wide : Raw8 {
    static constexpr bool kSse2Interleave = false;
};

template <class W>
using SampleRow = const typename W::Sample*;

template <class W>
inline SampleRow<W> SamplesOf(const uint8_t* src, int32_t row, int32_t stride, int32_t left) {
    using S = typename W::Sample;
    if constexpr (sizeof(S) == 1) {
        return RowAt(src, row, stride) + left;
    } else {
        return reinterpret_cast<const U16A*>(RowAt(src, row, stride)) + left;
    }
}

#if defined(__SSE2__)
// Packs four 32-bit pixels (blue, green, red, 0) into their 12 bytes at the bottom of a register.
inline __m128i Compact4(__m128i p) {
    const __m128i low24 = _mm_set1_epi64x(0x0000000000FFFFFFll);
    const __m128i next24 = _mm_set1_epi64x(0x0000FFFFFF000000ll);
    const __m128i pairs =
        _mm_or_si128(_mm_and_si128(p, low24), _mm_and_si128(_mm_srli_epi64(p, 8), next24));
    return _mm_or_si128(_mm_move_epi64(pairs), _mm_slli_si128(_mm_srli_si128(pairs, 8), 6));
}

// Writes 16-pixel blocks of three byte planes as 24-bit pixels; returns the pixels written.
inline int InterleaveBgr24Sse2(uint8_t* d, const uint8_t* b, const uint8_t* g, const uint8_t* r,
                               int n) {
    const __m128i zero = _mm_setzero_si128();
    int j = 0;
    for (; j + 16 <= n; j += 16) {
        const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + j));
        const __m128i vg = _mm_loadu_si128(reinterpret_cast<const __m128i*>(g + j));
        const __m128i vr = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r + j));
        const __m128i bgLo = _mm_unpacklo_epi8(vb, vg), bgHi = _mm_unpackhi_epi8(vb, vg);
        const __m128i rLo = _mm_unpacklo_epi8(vr, zero), rHi = _mm_unpackhi_epi8(vr, zero);
        const __m128i c0 = Compact4(_mm_unpacklo_epi16(bgLo, rLo));
        const __m128i c1 = Compact4(_mm_unpackhi_epi16(bgLo, rLo));
        const __m128i c2 = Compact4(_mm_unpacklo_epi16(bgHi, rHi));
        const __m128i c3 = Compact4(_mm_unpackhi_epi16(bgHi, rHi));
        auto* out = reinterpret_cast<__m128i*>(d + 3 * j);
        _mm_storeu_si128(out, _mm_or_si128(c0, _mm_slli_si128(c1, 12)));
        _mm_storeu_si128(out + 1, _mm_or_si128(_mm_srli_si128(c1, 4), _mm_slli_si128(c2, 8)));
        _mm_storeu_si128(out + 2, _mm_or_si128(_mm_srli_si128(c2, 8), _mm_slli_si128(c3, 4)));
    }
    return j;
}
#endif

// Writes n pixels of planes (blue, green, red) to d, advancing by the destination pixel size;
// the fourth channel of 32/64-bit pixels is kept.
template <class W, int DB>
REZIVE_INLINE void Interleave(uint8_t* __restrict d, const typename W::Out* __restrict b,
                              const typename W::Out* __restrict g,
                              const typename W::Out* __restrict r, int n, int32_t dbRuntime) {
    using O = typename W::Out;
#if defined(__SSE2__)
    if constexpr (DB == 3 && sizeof(O) == 1 && W::kSse2Interleave) {
        const int done = InterleaveBgr24Sse2(d, b, g, r, n);
        d += 3 * done;
        b += done;
        g += done;
        r += done;
        n -= done;
    }
#endif
    if constexpr (DB == 3 && sizeof(O) == 1) {
        for (int j = 0; j < n; ++j) {
            d[3 * j] = b[j];
            d[3 * j + 1] = g[j];
            d[3 * j + 2] = r[j];
        }
    } else if constexpr (DB == 4 && sizeof(O) == 1) {
        auto* p = reinterpret_cast<U32A*>(d);
        for (int j = 0; j < n; ++j) {
            p[j] = (p[j] & 0xFF000000u) | b[j] | (static_cast<uint32_t>(g[j]) << 8) |
                   (static_cast<uint32_t>(r[j]) << 16);
        }
    } else if constexpr (DB == 6 && sizeof(O) == 2) {
        auto* p = reinterpret_cast<U16A*>(d);
        for (int j = 0; j < n; ++j) {
            p[3 * j] = b[j];
            p[3 * j + 1] = g[j];
            p[3 * j + 2] = r[j];
        }
    } else if constexpr (DB == 8 && sizeof(O) == 2) {
        auto* p = reinterpret_cast<U64A*>(d);
        for (int j = 0; j < n; ++j) {
            p[j] = (p[j] & 0xFFFF000000000000ull) | b[j] | (static_cast<uint64_t>(g[j]) << 16) |
                   (static_cast<uint64_t>(r[j]) << 32);
        }
    } else {
        for (int j = 0; j < n; ++j) {
            uint8_t* q = d + static_cast<ptrdiff_t>(j) * dbRuntime;
            const O v[3] = {b[j], g[j], r[j]};
            std::memcpy(q, v, sizeof v);
        }
    }
}

// Rows around output row r (all pointing at column 0 of the processed rectangle).
template <class W>
struct RowSet {
    SampleRow<W> up2, up1, cur, down1;
};

// One pixel off X (X between columns) at column c, and one on X at column c + 1.
template <class W>
struct PairMath {
    using Sum = typename W::Sum;
    static Sum Mix(SampleRow<W> row, int near, int far) {
        return static_cast<Sum>(3 * static_cast<Sum>(row[near]) + row[far]);
    }
    static Sum Vertical(Sum nearRow, Sum farRow) { return static_cast<Sum>(3 * nearRow + farRow); }
};

// Fills planes x, y, g for columns [c0, c0 + n) of one interior row. onXFirst tells whether
// column c0 sits on the row's own colour X.
template <class W, class K>
REZIVE_INLINE void InteriorPlanes(const RowSet<W>& rs, int c0, int n, bool onXFirst, K fx, K fy,
                                  typename W::Out* __restrict px, typename W::Out* __restrict py,
                                  typename W::Out* __restrict pg) {
    using M = PairMath<W>;
    const SampleRow<W> a = rs.cur, a2 = rs.up2, b = rs.up1, b2 = rs.down1;

    auto offX = [&](int c, int j) {  // X at c-1 (near) / c+1; Y at c (near) / c-2
        px[j] = W::Scale(M::Vertical(M::Mix(a, c - 1, c + 1), M::Mix(a2, c - 1, c + 1)), fx);
        py[j] = W::Scale(M::Vertical(M::Mix(b, c, c - 2), M::Mix(b2, c, c - 2)), fy);
        pg[j] = W::Green(a[c], b[c - 1]);
    };
    auto onX = [&](int c, int j) {  // X at c (near) / c-2; Y at c-1 (near) / c+1
        px[j] = W::Scale(M::Vertical(M::Mix(a, c, c - 2), M::Mix(a2, c, c - 2)), fx);
        py[j] = W::Scale(M::Vertical(M::Mix(b, c - 1, c + 1), M::Mix(b2, c - 1, c + 1)), fy);
        pg[j] = W::Green(a[c - 1], b[c]);
    };

    int j = 0;
    if (onXFirst && n > 0) {
        onX(c0, 0);
        j = 1;
    }
    // Pairs (off X at c, on X at c + 1). Both samples of a pair are read as one packed word
    // (low half column c, high half c + 1), so every load is contiguous and the even/odd
    // split is a mask and a shift: the loop vectorises without gathers or shuffles.
    const int pairs = (n - j) / 2;
    {
        using Pair = typename W::Pair;
        constexpr int kHalf = 8 * sizeof(typename W::Sample);
        constexpr Pair kLow = static_cast<Pair>((Pair{1} << kHalf) - 1);
        using Sum = typename W::Sum;
        const int cb = c0 + j;
        const auto* ra = reinterpret_cast<const uint8_t*>(a + cb);
        const auto* ra2 = reinterpret_cast<const uint8_t*>(a2 + cb);
        const auto* rb = reinterpret_cast<const uint8_t*>(b + cb);
        const auto* rb2 = reinterpret_cast<const uint8_t*>(b2 + cb);
        uint8_t* __restrict qx = reinterpret_cast<uint8_t*>(px + j);
        uint8_t* __restrict qy = reinterpret_cast<uint8_t*>(py + j);
        uint8_t* __restrict qg = reinterpret_cast<uint8_t*>(pg + j);
        constexpr ptrdiff_t kStep = sizeof(Pair);  // bytes per pair
        auto lo = [](Pair w) { return static_cast<Sum>(w & kLow); };
        auto hi = [](Pair w) { return static_cast<Sum>(w >> kHalf); };
        auto load = [](const uint8_t* p) { return W::LoadPair(p); };
        // First the vertical 3:1 mixes, once per pair: X of rows r and r - 2 (high halves),
        // Y of rows r - 1 and r + 1 (low halves), for pairs -1 .. pairs.
        alignas(64) Sum mixX[kChunk / 2 + 2], mixY[kChunk / 2 + 2];
        for (int k = 0; k <= pairs + 1; ++k) {
            const ptrdiff_t o = (k - 1) * kStep;
            mixX[k] = static_cast<Sum>(3 * hi(load(ra + o)) + hi(load(ra2 + o)));
            mixY[k] = static_cast<Sum>(3 * lo(load(rb + o)) + lo(load(rb2 + o)));
        }
        const Sum* __restrict vx = mixX + 1;
        const Sum* __restrict vy = mixY + 1;
        for (int k = 0; k < pairs; ++k) {
            const ptrdiff_t o = k * kStep;
            const Pair a0 = load(ra + o), bM = load(rb + o - kStep), b0 = load(rb + o);
            const Sum vaPrev = vx[k - 1], vaNext = vx[k];  // X at c - 1, c + 1
            const Sum vbPrev = vy[k - 1], vbCur = vy[k],
                      vbNext = vy[k + 1];  // Y at c - 2, c, c + 2
            const Sum xOff = W::ScaleWide(static_cast<Sum>(3 * vaPrev + vaNext), fx);
            const Sum xOn = W::ScaleWide(static_cast<Sum>(3 * vaNext + vaPrev), fx);
            const Sum yOff = W::ScaleWide(static_cast<Sum>(3 * vbCur + vbPrev), fy);
            const Sum yOn = W::ScaleWide(static_cast<Sum>(3 * vbCur + vbNext), fy);
            const Sum gOff = W::GreenWide(lo(a0), hi(bM));
            const Sum gOn = W::GreenWide(lo(a0), hi(b0));
            W::StorePair(qx + o, static_cast<Pair>(xOff | (static_cast<Pair>(xOn) << kHalf)));
            W::StorePair(qy + o, static_cast<Pair>(yOff | (static_cast<Pair>(yOn) << kHalf)));
            W::StorePair(qg + o, static_cast<Pair>(gOff | (static_cast<Pair>(gOn) << kHalf)));
        }
    }
    j += 2 * pairs;
    if (j < n) offX(c0 + j, j);
}

// Fills columns 2 .. w - 3 of output row r from the four mosaic rows around it.
template <class W, int DB>
REZIVE_INLINE void InteriorRow(uint8_t* dRow, const RowSet<W>& rs, int32_t r, int32_t w,
                               ptrdiff_t db, int32_t dbRuntime, const WhiteBalanceParams& p) {
    using O = typename W::Out;
    const int rowBit = p.phase & 1, colBit = (p.phase >> 1) & 1;
    const auto kb = W::Factor(p.blueGain), kr = W::Factor(p.redGain);
    const int rowPar = (r + rowBit) & 1;
    // Rows of parity 0 carry blue (X) and take red (Y) from the rows around; parity 1 the
    // other way round.
    const auto kx = rowPar == 0 ? kb : kr, ky = rowPar == 0 ? kr : kb;
    alignas(64) O planeX[kChunk], planeY[kChunk], planeG[kChunk];
    const O* planeB = rowPar == 0 ? planeX : planeY;
    const O* planeR = rowPar == 0 ? planeY : planeX;
    for (int32_t c0 = 2; c0 <= w - 3; c0 += kChunk) {
        const int n = std::min<int32_t>(kChunk, w - 2 - c0);
        // X sits on column parity 1 in blue rows and 0 in red rows.
        const bool onXFirst = ((c0 + colBit + rowPar) & 1) == 1;
        InteriorPlanes<W>(rs, c0, n, onXFirst, kx, ky, planeX, planeY, planeG);
        Interleave<W, DB>(dRow + c0 * db, planeB, planeG, planeR, n, dbRuntime);
    }
}

template <class W, int DB>
REZIVE_INLINE void InteriorRows(uint8_t* dst, const uint8_t* src, const Rect& rect, int32_t x,
                                int32_t y, int32_t dbRuntime, int32_t dstStride, int32_t srcStride,
                                const WhiteBalanceParams& p) {
    const int32_t w = rect.Width(), h = rect.Height();
    if (w < 5 || h < 5) return;
    const ptrdiff_t db = DB != 0 ? DB : dbRuntime;
    for (int32_t r = 2; r <= h - 3; ++r) {
        const RowSet<W> rs{SamplesOf<W>(src, rect.top + r - 2, srcStride, rect.left),
                           SamplesOf<W>(src, rect.top + r - 1, srcStride, rect.left),
                           SamplesOf<W>(src, rect.top + r, srcStride, rect.left),
                           SamplesOf<W>(src, rect.top + r + 1, srcStride, rect.left)};
        uint8_t* dRow = RowAt(dst, y + r, dstStride) + static_cast<ptrdiff_t>(x) * db;
        InteriorRow<W, DB>(dRow, rs, r, w, db, dbRuntime, p);
    }
}

// Coordinate of a neighbour, brought inside [0, size): four further inside keeps the filter
// colour; images smaller than four samples clamp what is still outside.
inline int32_t Inside(int32_t i, int32_t size) {
    if (i < 0)
        i += 4;
    else if (i >= size)
        i -= 4;
    return std::clamp(i, 0, size - 1);
}

template <class W>
void BorderPixel(const uint8_t* src, const Rect& rect, int32_t srcStride, int32_t c, int32_t r,
                 int rowBit, int colBit, uint32_t kb, uint32_t kr, typename W::Out out[3]) {
    using Sum = typename W::Sum;
    const int32_t w = rect.Width(), h = rect.Height();
    SampleRow<W> rows[4];
    int32_t cols[4];
    for (int i = 0; i < 4; ++i) {
        rows[i] = SamplesOf<W>(src, rect.top + Inside(r + i - 2, h), srcStride, rect.left);
        cols[i] = Inside(c + i - 2, w);
    }
    auto at = [&](int dx, int dy) -> Sum { return rows[dy + 2][cols[dx + 2]]; };
    const int rowPar = (r + rowBit) & 1;
    const bool onX = ((c + colBit + rowPar) & 1) == 1;
    Sum sx, sy;
    typename W::Out g;
    if (onX) {
        sx = static_cast<Sum>(3 * (3 * at(0, 0) + at(-2, 0)) + (3 * at(0, -2) + at(-2, -2)));
        sy = static_cast<Sum>(3 * (3 * at(-1, -1) + at(1, -1)) + (3 * at(-1, 1) + at(1, 1)));
        g = W::Green(static_cast<typename W::Sample>(at(-1, 0)),
                     static_cast<typename W::Sample>(at(0, -1)));
    } else {
        sx = static_cast<Sum>(3 * (3 * at(-1, 0) + at(1, 0)) + (3 * at(-1, -2) + at(1, -2)));
        sy = static_cast<Sum>(3 * (3 * at(0, -1) + at(-2, -1)) + (3 * at(0, 1) + at(-2, 1)));
        g = W::Green(static_cast<typename W::Sample>(at(0, 0)),
                     static_cast<typename W::Sample>(at(-1, -1)));
    }
    const Sum sb = rowPar == 0 ? sx : sy, sr = rowPar == 0 ? sy : sx;
    using K = decltype(W::Factor(0));
    out[0] = W::Scale(sb, static_cast<K>(kb));
    out[1] = g;
    out[2] = W::Scale(sr, static_cast<K>(kr));
}

template <class W>
void BorderPixels(uint8_t* dst, const uint8_t* src, const Rect& rect, int32_t x, int32_t y,
                  int32_t db, int32_t dstStride, int32_t srcStride, const WhiteBalanceParams& p) {
    const int32_t w = rect.Width(), h = rect.Height();
    if (w <= 0 || h <= 0) return;
    const int rowBit = p.phase & 1, colBit = (p.phase >> 1) & 1;
    const uint32_t kb = W::Factor(p.blueGain), kr = W::Factor(p.redGain);
    auto one = [&](int32_t c, int32_t r) {
        typename W::Out v[3];
        BorderPixel<W>(src, rect, srcStride, c, r, rowBit, colBit, kb, kr, v);
        std::memcpy(RowAt(dst, y + r, dstStride) + static_cast<ptrdiff_t>(x + c) * db, v, sizeof v);
    };
    for (int32_t r = 0; r < h; ++r) {
        const bool edgeRow = r < 2 || r >= h - 2;
        if (edgeRow && w >= 5) {
            // The middle of an edge row is the interior formula on substituted rows.
            const RowSet<W> rs{
                SamplesOf<W>(src, rect.top + Inside(r - 2, h), srcStride, rect.left),
                SamplesOf<W>(src, rect.top + Inside(r - 1, h), srcStride, rect.left),
                SamplesOf<W>(src, rect.top + r, srcStride, rect.left),
                SamplesOf<W>(src, rect.top + Inside(r + 1, h), srcStride, rect.left)};
            uint8_t* dRow = RowAt(dst, y + r, dstStride) + static_cast<ptrdiff_t>(x) * db;
            constexpr int32_t kOut = 3 * static_cast<int32_t>(sizeof(typename W::Out));
            if (db == kOut)
                InteriorRow<W, kOut>(dRow, rs, r, w, db, db, p);
            else if (db == kOut + kOut / 3)
                InteriorRow<W, kOut + kOut / 3>(dRow, rs, r, w, db, db, p);
            else
                InteriorRow<W, 0>(dRow, rs, r, w, db, db, p);
        }
        if (edgeRow && w < 5) {
            for (int32_t c = 0; c < w; ++c) one(c, r);
        } else {
            for (int32_t c = 0; c < std::min(w, 2); ++c) one(c, r);
            for (int32_t c = std::max(2, w - 2); c < w; ++c) one(c, r);
        }
    }
}

template <class W>
REZIVE_INLINE int32_t Interior(uint8_t* dst, const uint8_t* src, const Rect& rect, int32_t x,
                               int32_t y, int32_t db, int32_t sb, int32_t dstStride,
                               int32_t srcStride, void* param) {
    constexpr int32_t kOut = 3 * static_cast<int32_t>(sizeof(typename W::Out));
    if (param == nullptr || db < kOut || sb < static_cast<int32_t>(sizeof(typename W::Sample)))
        return 0;
    const auto& p = *static_cast<const WhiteBalanceParams*>(param);
    switch (db) {
        case kOut:
            InteriorRows<W, kOut>(dst, src, rect, x, y, db, dstStride, srcStride, p);
            break;
        case kOut + kOut / 3:
            InteriorRows<W, kOut + kOut / 3>(dst, src, rect, x, y, db, dstStride, srcStride, p);
            break;
        default:
            InteriorRows<W, 0>(dst, src, rect, x, y, db, dstStride, srcStride, p);
            break;
    }
    return 1;
}

template <class W>
int32_t Border(uint8_t* dst, const uint8_t* src, const Rect& rect, int32_t x, int32_t y, int32_t db,
               int32_t sb, int32_t dstStride, int32_t srcStride, void* param) {
    constexpr int32_t kOut = 3 * static_cast<int32_t>(sizeof(typename W::Out));
    if (param == nullptr || db < kOut || sb < static_cast<int32_t>(sizeof(typename W::Sample)))
        return 0;
    BorderPixels<W>(dst, src, rect, x, y, db, dstStride, srcStride,
                    *static_cast<const WhiteBalanceParams*>(param));
    return 1;
}

}  // namespace

REZIVE_DEFINE_DISPATCHED_KERNEL_PAIR(DemosaicInteriorRaw8, Interior<Raw8Wide>, Interior<Raw8>)
REZIVE_DEFINE_DISPATCHED_KERNEL(DemosaicInteriorRaw16, Interior<Raw16>)

int32_t DemosaicBorderRaw8(uint8_t* dst, const uint8_t* src, const Rect& rect, int32_t x, int32_t y,
                           int32_t dstBpp, int32_t srcBpp, int32_t dstStride, int32_t srcStride,
                           void* param) {
    return Border<Raw8>(dst, src, rect, x, y, dstBpp, srcBpp, dstStride, srcStride, param);
}

int32_t DemosaicBorderRaw16(uint8_t* dst, const uint8_t* src, const Rect& rect, int32_t x,
                            int32_t y, int32_t dstBpp, int32_t srcBpp, int32_t dstStride,
                            int32_t srcStride, void* param) {
    return Border<Raw16>(dst, src, rect, x, y, dstBpp, srcBpp, dstStride, srcStride, param);
}

}  // namespace rezive
