// Brightness, contrast and gamma: per-sample maps of the four layouts.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "imaging/filter_walk.h"
#include "imaging/filters.h"
#include "imaging/pixel_access.h"

namespace rezive {
namespace {

using filter_walk::ForEachSample;
using filter_walk::LayoutFits;

int32_t BitsOf(const FilterParams& p) { return std::clamp(p.bitDepth, 8, 16); }

// 8-bit brightness as fixed point: trunc(float(v) * k) for v = 0..255 equals
// (v * m) >> 16 (clamped to 255) for every m in the intersection of the per-sample intervals,
// when that intersection is not empty. Splitting m into its integer and fraction halves keeps
// every product in 16 bits, so the walk is two 16-bit multiplies per sample. Returns false
// when no such m exists (the caller then uses the float arithmetic itself).
bool FixedPointBrightness(float k, uint16_t& whole, uint16_t& fraction) {
    int64_t lo = 0, hi = int64_t{12} << 16;  // k never exceeds 11
    for (int32_t v = 1; v < 256; ++v) {
        const int64_t t = std::min(static_cast<int32_t>(static_cast<float>(v) * k), 255);
        lo = std::max(lo, (t * 65536 + v - 1) / v);
        if (t < 255) hi = std::min(hi, ((t + 1) * 65536 + v - 1) / v - 1);
    }
    if (lo > hi) return false;
    whole = static_cast<uint16_t>(lo >> 16);
    fraction = static_cast<uint16_t>(lo & 0xFFFF);
    for (uint32_t v = 0; v < 256; ++v) {  // belt and braces: the map must be identical
        const auto t = std::min(static_cast<int32_t>(static_cast<float>(v) * k), 255);
        if (static_cast<int32_t>(std::min<uint32_t>(v * whole + ((v * fraction) >> 16), 255)) != t)
            return false;
    }
    return true;
}

template <class S, int Channels>
REZIVE_INLINE int32_t Brightness(uint8_t* dst, const uint8_t* src, const Rect& r, int32_t x,
                                 int32_t y, int32_t db, int32_t sb, int32_t ds, int32_t ss,
                                 void* param) {
    if (param == nullptr || !LayoutFits<S>(db, sb, Channels)) return 0;
    const auto& p = *static_cast<const FilterParams*>(param);
    const float k = BrightnessFactor(p.value);
    if (sizeof(S) == 1) {
        uint16_t whole = 0, fraction = 0;
        if (FixedPointBrightness(k, whole, fraction)) {
            ForEachSample<S, Channels>(dst, src, r, x, y, db, sb, ds, ss, [whole, fraction](S v) {
                const auto s16 = static_cast<uint16_t>(v);
                const auto t = static_cast<uint16_t>(
                    s16 * whole + ((static_cast<uint32_t>(s16) * fraction) >> 16));
                return static_cast<S>(t < 255 ? t : 255);
            });
            return 1;
        }
    }
    const int32_t limit = sizeof(S) == 1 ? 255 : (1 << BitsOf(p)) - 1;
    // The product is rounded to single precision before truncation, as the filter always was.
    // Clamping the product to 0..limit (integers) before truncating gives the same result as
    // clamping after, and lets the vectoriser use float min/max.
    const float top = static_cast<float>(limit);
    ForEachSample<S, Channels>(dst, src, r, x, y, db, sb, ds, ss, [k, top](S v) {
        const float f = static_cast<float>(static_cast<int32_t>(v)) * k;
        return static_cast<S>(static_cast<int32_t>(std::min(std::max(f, 0.0f), top)));
    });
    return 1;
}

// Table lookups cannot vectorise; reading and writing eight samples per memory access keeps
// the loop bound by the lookups alone.
inline void LutRun8(uint8_t* d, const uint8_t* s, int32_t n, const uint8_t* table) {
    int32_t j = 0;
    for (; j + 8 <= n; j += 8) {
        uint64_t in;
        std::memcpy(&in, s + j, 8);
        uint64_t out = 0;
        for (int b = 0; b < 8; ++b)
            out |= static_cast<uint64_t>(table[(in >> (8 * b)) & 0xFF]) << (8 * b);
        std::memcpy(d + j, &out, 8);
    }
    for (; j < n; ++j) d[j] = table[s[j]];
}

template <int Channels>
int32_t Lut8(uint8_t* dst, const uint8_t* src, const Rect& r, int32_t x, int32_t y, int32_t db,
             int32_t sb, int32_t ds, int32_t ss, const uint8_t* table) {
    const int32_t w = r.Width(), h = r.Height();
    if (db == sb && (db == Channels || (Channels == 3 && db == 4))) {
        for (int32_t i = 0; i < h; ++i) {
            const uint8_t* s = pixel::RowAt(src, r.top + i, ss) + r.left * sb;
            uint8_t* d = pixel::RowAt(dst, y + i, ds) + x * db;
            if (db == Channels) {
                LutRun8(d, s, w * Channels, table);
            } else {
                for (int32_t j = 0; j < w; ++j) {
                    uint32_t in, kept;
                    std::memcpy(&in, s + 4 * j, 4);
                    std::memcpy(&kept, d + 4 * j, 4);
                    const uint32_t out = table[in & 0xFF] |
                                         static_cast<uint32_t>(table[(in >> 8) & 0xFF]) << 8 |
                                         static_cast<uint32_t>(table[(in >> 16) & 0xFF]) << 16 |
                                         (kept & 0xFF000000u);
                    std::memcpy(d + 4 * j, &out, 4);
                }
            }
        }
        return 1;
    }
    ForEachSample<uint8_t, Channels>(dst, src, r, x, y, db, sb, ds, ss,
                                     [table](uint8_t v) { return table[v]; });
    return 1;
}

template <int Channels>
int32_t Lut16(uint8_t* dst, const uint8_t* src, const Rect& r, int32_t x, int32_t y, int32_t db,
              int32_t sb, int32_t ds, int32_t ss, const uint16_t* table, int32_t n) {
    const uint16_t limit = static_cast<uint16_t>((1 << n) - 1);
    ForEachSample<uint16_t, Channels>(
        dst, src, r, x, y, db, sb, ds, ss,
        [table, limit](uint16_t v) { return table[std::min(v, limit)]; });
    return 1;
}

enum class Tone { kContrast, kGamma };

template <Tone T, int Channels>
int32_t Tone8(uint8_t* dst, const uint8_t* src, const Rect& r, int32_t x, int32_t y, int32_t db,
              int32_t sb, int32_t ds, int32_t ss, void* param) {
    if (param == nullptr || !LayoutFits<uint8_t>(db, sb, Channels)) return 0;
    const auto& p = *static_cast<const FilterParams*>(param);
    uint8_t table[256];
    if (T == Tone::kContrast)
        BuildContrastTable8(p.value, table);
    else
        BuildGammaTable8(p.value, Channels == 3, table);
    return Lut8<Channels>(dst, src, r, x, y, db, sb, ds, ss, table);
}

template <Tone T, int Channels>
int32_t Tone16(uint8_t* dst, const uint8_t* src, const Rect& r, int32_t x, int32_t y, int32_t db,
               int32_t sb, int32_t ds, int32_t ss, void* param) {
    if (param == nullptr || !LayoutFits<uint16_t>(db, sb, Channels)) return 0;
    const auto& p = *static_cast<const FilterParams*>(param);
    const int32_t n = BitsOf(p);
    const uint16_t* table = nullptr;
    std::unique_ptr<uint16_t[]> own;
    if (p.tables != nullptr) {
        table =
            T == Tone::kContrast ? p.tables->Contrast16(p.value, n) : p.tables->Gamma16(p.value, n);
    } else {
        own.reset(new (std::nothrow) uint16_t[static_cast<size_t>(1) << n]);
        if (own) {
            if (T == Tone::kContrast)
                BuildContrastTable16(p.value, n, own.get());
            else
                BuildGammaTable16(p.value, n, own.get());
            table = own.get();
        }
    }
    // Without its table the filter leaves the image as it is.
    if (table == nullptr) return 0;
    return Lut16<Channels>(dst, src, r, x, y, db, sb, ds, ss, table, n);
}

template <int Channels>
int32_t ToneMap8(uint8_t* dst, const uint8_t* src, const Rect& r, int32_t x, int32_t y, int32_t db,
                 int32_t sb, int32_t ds, int32_t ss, void* param) {
    if (param == nullptr || !LayoutFits<uint8_t>(db, sb, Channels)) return 0;
    const auto& p = *static_cast<const ToneMapParams*>(param);
    if (p.table8 == nullptr) return 0;
    return Lut8<Channels>(dst, src, r, x, y, db, sb, ds, ss, p.table8);
}

template <int Channels>
int32_t ToneMap16(uint8_t* dst, const uint8_t* src, const Rect& r, int32_t x, int32_t y,
                  int32_t db, int32_t sb, int32_t ds, int32_t ss, void* param) {
    if (param == nullptr || !LayoutFits<uint16_t>(db, sb, Channels)) return 0;
    const auto& p = *static_cast<const ToneMapParams*>(param);
    if (p.table16 == nullptr) return 0;
    return Lut16<Channels>(dst, src, r, x, y, db, sb, ds, ss, p.table16,
                           std::clamp(p.bitDepth, 8, 16));
}

}  // namespace

#define REZIVE_DEFINE_FILTER(name, impl)                                                   \
    int32_t name(uint8_t* dst, const uint8_t* src, const Rect& rect, int32_t x, int32_t y, \
                 int32_t dstBpp, int32_t srcBpp, int32_t dstStride, int32_t srcStride,     \
                 void* param) {                                                            \
        return impl(dst, src, rect, x, y, dstBpp, srcBpp, dstStride, srcStride, param);    \
    }

REZIVE_DEFINE_FILTER(ContrastMono8, (Tone8<Tone::kContrast, 1>))
REZIVE_DEFINE_FILTER(ContrastMono16, (Tone16<Tone::kContrast, 1>))
REZIVE_DEFINE_FILTER(ContrastColor8, (Tone8<Tone::kContrast, 3>))
REZIVE_DEFINE_FILTER(ContrastColor16, (Tone16<Tone::kContrast, 3>))
REZIVE_DEFINE_FILTER(GammaMono8, (Tone8<Tone::kGamma, 1>))
REZIVE_DEFINE_FILTER(GammaMono16, (Tone16<Tone::kGamma, 1>))
REZIVE_DEFINE_FILTER(GammaColor8, (Tone8<Tone::kGamma, 3>))
REZIVE_DEFINE_FILTER(GammaColor16, (Tone16<Tone::kGamma, 3>))
REZIVE_DEFINE_FILTER(ToneMapMono8, ToneMap8<1>)
REZIVE_DEFINE_FILTER(ToneMapMono16, ToneMap16<1>)
REZIVE_DEFINE_FILTER(ToneMapColor8, ToneMap8<3>)
REZIVE_DEFINE_FILTER(ToneMapColor16, ToneMap16<3>)

#undef REZIVE_DEFINE_FILTER

REZIVE_DEFINE_DISPATCHED_KERNEL(BrightnessMono8, (Brightness<uint8_t, 1>))
REZIVE_DEFINE_DISPATCHED_KERNEL(BrightnessMono16, (Brightness<uint16_t, 1>))
REZIVE_DEFINE_DISPATCHED_KERNEL(BrightnessColor8, (Brightness<uint8_t, 3>))
REZIVE_DEFINE_DISPATCHED_KERNEL(BrightnessColor16, (Brightness<uint16_t, 3>))

}  // namespace rezive
