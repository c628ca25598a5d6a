// Sharpness: unsharp masking against the mean of a fixed 4 x 4 box.
//
// Per output row the four source rows are summed column-wise into a small stack buffer, then
// four neighbouring column sums give the box. out = src + trunc(s * (src - mean) / 10) is the
// difference table of the filter (D[j] = trunc(s * (j - limit) / 10)) evaluated directly, which
// keeps the loop free of table lookups so it vectorises.
#include <algorithm>

#include "imaging/filter_walk.h"
#include "imaging/filters.h"

namespace rezive {
namespace {

using filter_walk::LayoutFits;
using filter_walk::Samples;
using U16A = uint16_t;

constexpr int32_t kChunk = 256;  // output columns per chunk of column sums

template <class S>
struct Width;
template <>
struct Width<uint8_t> {
    using Sample = uint8_t;
    using Sum = uint16_t;  // 4 rows x 255
    using Box = uint16_t;  // 16 x 255
};
template <>
struct Width<uint16_t> {
    using Sample = uint16_t;
    using Sum = uint32_t;
    using Box = uint32_t;
};

template <class S, int Channels>
REZIVE_INLINE void SharpenRows(uint8_t* dst, const uint8_t* src, const Rect& r, int32_t x,
                               int32_t y, int32_t dStep, int32_t sStep, int32_t db, int32_t sb,
                               int32_t dstStride, int32_t srcStride, int32_t amount,
                               int32_t limit) {
    using W = Width<S>;
    using Sample = typename W::Sample;
    using Sum = typename W::Sum;
    const int32_t w = r.Width(), h = r.Height();
    if (w < 5 || h < 5) return;
    const bool flat = dStep == sStep;
    const bool keepFourth = Channels == 3 && sStep == 4;
    // 8-bit samples never exceed the limit; the clamp then folds away.
    const auto clampIn = [limit](uint32_t v) -> int32_t {
        return sizeof(S) == 1 ? static_cast<int32_t>(v)
                              : static_cast<int32_t>(std::min<uint32_t>(v, limit));
    };
    Sum sums[(kChunk + 3) * 4];
    for (int32_t row = 2; row <= h - 3; ++row) {
        const Sample* __restrict s0 = Samples<Sample>(src, r.top + row - 2, srcStride, r.left * sb);
        const Sample* __restrict s1 = Samples<Sample>(src, r.top + row - 1, srcStride, r.left * sb);
        const Sample* __restrict s2 = Samples<Sample>(src, r.top + row, srcStride, r.left * sb);
        const Sample* __restrict s3 = Samples<Sample>(src, r.top + row + 1, srcStride, r.left * sb);
        Sample* __restrict d = Samples<Sample>(dst, y + row, dstStride, x * db);
        for (int32_t c0 = 2; c0 <= w - 3; c0 += kChunk) {
            const int32_t n = std::min(kChunk, w - 2 - c0);
            const int32_t first = (c0 - 2) * sStep, count = (n + 3) * sStep;
            for (int32_t j = 0; j < count; ++j) {
                sums[j] = static_cast<Sum>(clampIn(s0[first + j]) + clampIn(s1[first + j]) +
                                           clampIn(s2[first + j]) + clampIn(s3[first + j]));
            }
            const Sum* __restrict v = sums + 2 * sStep;  // column c0 of the sums
            const int32_t st = sStep;
            if (flat) {
                const int32_t total = n * sStep;
                const Sample* __restrict sc = s2 + c0 * sStep;
                Sample* __restrict dc = d + c0 * dStep;
                if (sizeof(S) == 1 && amount >= -128 && amount <= 128) {
                    // 8-bit samples: every intermediate fits 16 bits (|128 x 255| < 2^15), so
                    // the loop runs on 16-bit lanes with a multiply-high division by 10.
                    const auto a16 = static_cast<int16_t>(amount);
                    for (int32_t t = 0; t < total; ++t) {
                        const auto box =
                            static_cast<uint16_t>(v[t - 2 * st] + v[t - st] + v[t] + v[t + st]);
                        const auto mean = static_cast<int16_t>(box >> 4);
                        const auto cur = static_cast<int16_t>(sc[t]);
                        const auto prod =
                            static_cast<int16_t>(a16 * static_cast<int16_t>(cur - mean));
                        const auto q = static_cast<int16_t>(prod / 10);
                        auto out = static_cast<int16_t>(cur + q);
                        out = out < 0 ? int16_t{0} : out > 255 ? int16_t{255} : out;
                        dc[t] = keepFourth && (t & 3) == 3 ? dc[t] : static_cast<S>(out);
                    }
                } else {
                    for (int32_t t = 0; t < total; ++t) {
                        const int32_t mean = static_cast<int32_t>(
                            static_cast<uint32_t>(v[t - 2 * st] + v[t - st] + v[t] + v[t + st]) >>
                            4);
                        const int32_t cur = clampIn(sc[t]);
                        const int32_t out = std::clamp(cur + amount * (cur - mean) / 10, 0, limit);
                        dc[t] = keepFourth && (t & 3) == 3 ? dc[t] : static_cast<S>(out);
                    }
                }
            } else {
                for (int32_t c = 0; c < n; ++c)
                    for (int32_t k = 0; k < Channels; ++k) {
                        const int32_t t = c * sStep + k;
                        const int32_t mean = static_cast<int32_t>(
                            static_cast<uint32_t>(v[t - 2 * st] + v[t - st] + v[t] + v[t + st]) >>
                            4);
                        const int32_t cur = clampIn(s2[(c0 + c) * sStep + k]);
                        d[(c0 + c) * dStep + k] =
                            static_cast<S>(std::clamp(cur + amount * (cur - mean) / 10, 0, limit));
                    }
            }
        }
    }
}

template <class S, int Channels>
REZIVE_INLINE int32_t Sharpness(uint8_t* dst, const uint8_t* src, const Rect& r, int32_t x,
                                int32_t y, int32_t db, int32_t sb, int32_t dstStride,
                                int32_t srcStride, void* param) {
    if (param == nullptr || !LayoutFits<S>(db, sb, Channels)) return 0;
    // Sharpening in place would read rows it has already sharpened.
    if (dst == src) return 0;
    const int32_t sStep = sb / static_cast<int32_t>(sizeof(S));
    // The column sums buffer holds up to four samples per pixel.
    if (sStep > 4) return 0;
    const auto& p = *static_cast<const FilterParams*>(param);
    const int32_t limit = sizeof(S) == 1 ? 255 : (1 << std::clamp(p.bitDepth, 8, 16)) - 1;
    SharpenRows<S, Channels>(dst, src, r, x, y, db / static_cast<int32_t>(sizeof(S)), sStep, db, sb,
                             dstStride, srcStride, std::clamp(p.value, -10000, 10000), limit);
    return 1;
}

}  // namespace

REZIVE_DEFINE_DISPATCHED_KERNEL(SharpnessMono8, (Sharpness<uint8_t, 1>))
REZIVE_DEFINE_DISPATCHED_KERNEL(SharpnessMono16, (Sharpness<uint16_t, 1>))
REZIVE_DEFINE_DISPATCHED_KERNEL(SharpnessColor8, (Sharpness<uint8_t, 3>))
REZIVE_DEFINE_DISPATCHED_KERNEL(SharpnessColor16, (Sharpness<uint16_t, 3>))

}  // namespace rezive
