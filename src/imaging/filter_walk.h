// Sample walks shared by the filter kernels: every colour sample of a rectangle, in place or
// from a distinct source of the same layout, leaving a fourth channel as it was.
#pragma once

#include <algorithm>
#include <cstdint>

#include "imaging/cpu_dispatch.h"
#include "imaging/kernel.h"
#include "imaging/pixel_access.h"

namespace rezive::filter_walk {

template <class S>
inline S* Samples(uint8_t* base, int32_t row, int32_t stride, int32_t byteOffset) {
    return reinterpret_cast<S*>(pixel::RowAt(base, row, stride) + byteOffset);
}

template <class S>
inline const S* Samples(const uint8_t* base, int32_t row, int32_t stride, int32_t byteOffset) {
    return reinterpret_cast<const S*>(pixel::RowAt(base, row, stride) + byteOffset);
}

// True when pixels of db / sb bytes can hold `channels` samples of type S and stay aligned to
// the sample size (so the walk never reaches into the next pixel).
template <class S>
inline bool LayoutFits(int32_t db, int32_t sb, int32_t channels) {
    const int32_t need = channels * static_cast<int32_t>(sizeof(S));
    return db >= need && sb >= need && db % sizeof(S) == 0 && sb % sizeof(S) == 0;
}

// Calls d = op(s) for every colour sample. Channels is 1 (mono) or 3 (colour). Tightly packed
// rows are walked as one flat run; 4-channel pixels keep their fourth sample by writing back
// the destination's own value, which keeps the loop free of gaps so it still vectorises.
template <class S, int Channels, class Op>
REZIVE_INLINE void ForEachSample(uint8_t* dst, const uint8_t* src, const Rect& r, int32_t x,
                                 int32_t y, int32_t db, int32_t sb, int32_t dstStride,
                                 int32_t srcStride, Op op) {
    using SA = S;
    constexpr int32_t kSize = sizeof(S);
    const int32_t w = r.Width(), h = r.Height();
    const int32_t dStep = db / kSize, sStep = sb / kSize;
    for (int32_t i = 0; i < h; ++i) {
        const SA* s = Samples<SA>(src, r.top + i, srcStride, r.left * sb);
        SA* d = Samples<SA>(dst, y + i, dstStride, x * db);
        if (dStep == Channels && sStep == Channels) {
            const int32_t n = w * Channels;
            if (s == d) {
                for (int32_t j = 0; j < n; ++j) d[j] = op(d[j]);
            } else {
                const SA* __restrict sr = s;
                SA* __restrict dr = d;
                for (int32_t j = 0; j < n; ++j) dr[j] = op(sr[j]);
            }
        } else if (Channels == 3 && dStep == 4 && sStep == 4) {
            const int32_t n = w * 4;
            for (int32_t j = 0; j < n; ++j) {
                const S kept = d[j], made = op(s[j]);
                d[j] = (j & 3) == 3 ? kept : made;
            }
        } else {
            for (int32_t j = 0; j < w; ++j)
                for (int32_t k = 0; k < Channels; ++k) d[j * dStep + k] = op(s[j * sStep + k]);
        }
    }
}

}  // namespace rezive::filter_walk
