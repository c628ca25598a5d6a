// Gray processing of the mosaic: gain and offset per filter position, and luminance of colour.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "imaging/mosaic.h"
#include "imaging/pixel_access.h"

namespace rezive {
namespace {

using pixel::RowAt;
using U16A = uint16_t __attribute__((may_alias));

struct Position {
    int32_t gain, offset;
};

// offset + gain * v / 128 (truncating), clamped to 0..limit. Acc is int32_t whenever no
// product can overflow it, else int64_t (measured gains have no upper limit).
template <class Acc, class S>
inline S GainOffset(S v, Position p, Acc limit) {
    const Acc value = static_cast<Acc>(p.offset) + static_cast<Acc>(p.gain) * v / 128;
    return static_cast<S>(std::clamp<Acc>(value, 0, limit));
}

template <class Acc, class S>
void GainOffsetRows(uint8_t* dst, int32_t w, int32_t h, int32_t x, int32_t y, int32_t stride,
                    const BayerGainParams& p, Acc limit) {
    const int rowBit = p.phase & 1, colBit = (p.phase >> 1) & 1;
    // Gray convention: [row parity][column parity] = G1, R / B, G2.
    const Position pos[2][2] = {{{p.gainG1, p.offsetG1}, {p.gainR, p.offsetR}},
                                {{p.gainB, p.offsetB}, {p.gainG2, p.offsetG2}}};
    for (int32_t r = 0; r < h; ++r) {
        const int rp = (r + rowBit) & 1;
        const Position even = pos[rp][colBit], odd = pos[rp][colBit ^ 1];
        S* __restrict s;
        if constexpr (sizeof(S) == 1) {
            s = RowAt(dst, y + r, stride) + x;
        } else {
            s = reinterpret_cast<U16A*>(RowAt(dst, y + r, stride)) + x;
        }
        const int32_t pairs = w / 2;
        for (int32_t k = 0; k < pairs; ++k) {
            s[2 * k] = GainOffset<Acc, S>(s[2 * k], even, limit);
            s[2 * k + 1] = GainOffset<Acc, S>(s[2 * k + 1], odd, limit);
        }
        if (w & 1) s[w - 1] = GainOffset<Acc, S>(s[w - 1], even, limit);
    }
}

template <class S>
int32_t GainOffsetKernel(uint8_t* dst, const uint8_t* src, const Rect& rect, int32_t x, int32_t y,
                         int32_t dstBpp, int32_t dstStride, int32_t srcStride, void* param) {
    if (param == nullptr || dstBpp < static_cast<int32_t>(sizeof(S))) return 0;
    const auto& p = *static_cast<const BayerGainParams*>(param);
    const int32_t limit = sizeof(S) == 1 ? 255 : GrayFullScale(p.bitDepth);
    // In place: the kernel reads the samples it writes. A distinct source is first copied so
    // the same walk serves both cases.
    if (src != dst) {
        const size_t rowBytes = static_cast<size_t>(rect.Width()) * sizeof(S);
        for (int32_t r = 0; r < rect.Height(); ++r) {
            std::copy_n(RowAt(src, rect.top + r, srcStride) + rect.left * sizeof(S), rowBytes,
                        RowAt(dst, y + r, dstStride) + x * sizeof(S));
        }
    }
    const int64_t maxSample = sizeof(S) == 1 ? 255 : 65535;
    int64_t gain = 0, offset = 0;
    for (int32_t v : {p.gainR, p.gainG1, p.gainG2, p.gainB})
        gain = std::max<int64_t>(gain, std::llabs(v));
    for (int32_t v : {p.offsetR, p.offsetG1, p.offsetG2, p.offsetB})
        offset = std::max<int64_t>(offset, std::llabs(v));
    if (gain * maxSample <= INT32_MAX && offset <= (int64_t{1} << 30)) {
        GainOffsetRows<int32_t, S>(dst, rect.Width(), rect.Height(), x, y, dstStride, p, limit);
        return 1;
    }
    GainOffsetRows<int64_t, S>(dst, rect.Width(), rect.Height(), x, y, dstStride, p, limit);
    return 1;
}

}  // namespace

int32_t BayerGainOffsetRaw8(uint8_t* dst, const uint8_t* src, const Rect& rect, int32_t x,
                            int32_t y, int32_t dstBpp, int32_t, int32_t dstStride,
                            int32_t srcStride, void* param) {
    return GainOffsetKernel<uint8_t>(dst, src, rect, x, y, dstBpp, dstStride, srcStride, param);
}

int32_t BayerGainOffsetRaw16(uint8_t* dst, const uint8_t* src, const Rect& rect, int32_t x,
                             int32_t y, int32_t dstBpp, int32_t, int32_t dstStride,
                             int32_t srcStride, void* param) {
    return GainOffsetKernel<uint16_t>(dst, src, rect, x, y, dstBpp, dstStride, srcStride, param);
}

int32_t BgrToGray8(uint8_t* dst, const uint8_t* src, const Rect& rect, int32_t x, int32_t y,
                   int32_t dstBpp, int32_t srcBpp, int32_t dstStride, int32_t srcStride, void*) {
    if (dstBpp < 1 || srcBpp < 3) return 0;
    const int32_t w = rect.Width(), h = rect.Height();
    for (int32_t r = 0; r < h; ++r) {
        const uint8_t* __restrict s = RowAt(src, rect.top + r, srcStride) + rect.left * srcBpp;
        uint8_t* __restrict d = RowAt(dst, y + r, dstStride) + x * dstBpp;
        if (srcBpp == 3 && dstBpp == 1) {
            for (int32_t c = 0; c < w; ++c) {
                const uint32_t v = 59u * s[3 * c + 1] + 30u * s[3 * c + 2] + 11u * s[3 * c];
                d[c] = static_cast<uint8_t>(v / 100);
            }
        } else {
            for (int32_t c = 0; c < w; ++c) {
                const uint8_t* q = s + static_cast<ptrdiff_t>(c) * srcBpp;
                const uint32_t v = 59u * q[1] + 30u * q[2] + 11u * q[0];
                d[static_cast<ptrdiff_t>(c) * dstBpp] = static_cast<uint8_t>(v / 100);
            }
        }
    }
    return 1;
}

}  // namespace rezive
