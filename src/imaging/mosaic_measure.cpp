// Measurements over the mosaic: white-balance gains and the automatic gray gains.
#include <algorithm>
#include <cmath>
#include <limits>

#include "imaging/mosaic.h"
#include "imaging/pixel_access.h"

namespace rezive {
namespace {

using pixel::RowAt;
using U16A = uint16_t __attribute__((may_alias));

// Columns per partial sum: 32-bit lanes cannot overflow within one chunk of 16-bit samples.
constexpr int32_t kSumChunk = 32768;

// Sums of the even and odd columns (relative to rect.left) of one row.
template <class S>
void RowParitySums(const S* __restrict s, int32_t w, uint64_t& even, uint64_t& odd) {
    for (int32_t c0 = 0; c0 < w; c0 += kSumChunk) {
        const int32_t n = std::min(kSumChunk, w - c0);
        const S* p = s + c0;
        uint32_t e = 0, o = 0;
        const int32_t pairs = n / 2;
        for (int32_t k = 0; k < pairs; ++k) {
            e += p[2 * k];
            o += p[2 * k + 1];
        }
        if (n & 1) e += p[n - 1];
        even += e;
        odd += o;
    }
}

// Converts a non-negative double to int32 after truncation, saturating instead of overflowing.
int32_t TruncSaturated(double v) {
    if (!(v < 2147483647.0)) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(v);
}

template <class S>
const S* SampleRow(const uint8_t* src, int32_t row, int32_t stride, int32_t left) {
    if constexpr (sizeof(S) == 1) {
        return RowAt(src, row, stride) + left;
    } else {
        return reinterpret_cast<const U16A*>(RowAt(src, row, stride)) + left;
    }
}

template <class S>
int32_t MeasureWhiteBalance(const uint8_t* src, const Rect& rect, int32_t srcStride, int32_t srcBpp,
                            void* param) {
    if (param == nullptr || srcBpp < static_cast<int32_t>(sizeof(S))) return 0;
    auto& m = *static_cast<WhiteBalanceMeasurement*>(param);
    const int32_t w = rect.Width(), h = rect.Height();
    if (w <= 0 || h <= 0) return 0;
    const int rowBit = m.phase & 1, colBit = (m.phase >> 1) & 1;
    // Sums are 64-bit for both widths: exact for any frame size.
    uint64_t sum[2][2] = {{0, 0}, {0, 0}};  // [row parity][column parity]
    uint64_t rows[2] = {0, 0};
    for (int32_t r = 0; r < h; ++r) {
        const int rp = (r + rowBit) & 1;
        uint64_t even = 0, odd = 0;
        RowParitySums(SampleRow<S>(src, rect.top + r, srcStride, rect.left), w, even, odd);
        sum[rp][colBit] += even;
        sum[rp][colBit ^ 1] += odd;
        ++rows[rp];
    }
    const uint64_t evenCols = static_cast<uint64_t>((w + 1) / 2), oddCols = w / 2;
    const uint64_t cols[2] = {colBit == 0 ? evenCols : oddCols, colBit == 0 ? oddCols : evenCols};
    const uint64_t countG = rows[0] * cols[0] + rows[1] * cols[1];
    const uint64_t countB = rows[0] * cols[1], countR = rows[1] * cols[0];
    if (countG == 0 || countB == 0 || countR == 0) return 0;
    const double mG = static_cast<double>(sum[0][0] + sum[1][1]) / static_cast<double>(countG);
    const double mB = static_cast<double>(sum[0][1]) / static_cast<double>(countB);
    const double mR = static_cast<double>(sum[1][0]) / static_cast<double>(countR);
    // A black or empty colour gives no usable gain: keep the previous ones.
    if (mG <= 0.0 || mB <= 0.0 || mR <= 0.0) return 0;
    // This exact sequence of operations decides where the truncation falls.
    const double s = (mG + mB) + mR;
    const double green = s / mG / 3;
    m.blueGain = TruncSaturated(((s / mB / 3) * 100) / green);
    m.greenGain = 100;
    m.redGain = TruncSaturated(((s / mR / 3) * 100) / green);
    return 1;
}

// Sums and counts of the samples strictly between 0 and full scale, per column parity.
template <class S>
void RowUsableSums(const S* __restrict s, int32_t w, uint32_t fullScale, uint64_t sums[2],
                   uint64_t counts[2]) {
    for (int32_t c0 = 0; c0 < w; c0 += kSumChunk) {
        const int32_t n = std::min(kSumChunk, w - c0);
        const S* p = s + c0;
        uint32_t se = 0, so = 0, ce = 0, co = 0;
        const int32_t pairs = n / 2;
        for (int32_t k = 0; k < pairs; ++k) {
            const uint32_t a = p[2 * k], b = p[2 * k + 1];
            const uint32_t ua = (a != 0) & (a != fullScale), ub = (b != 0) & (b != fullScale);
            se += a * ua;
            ce += ua;
            so += b * ub;
            co += ub;
        }
        if (n & 1) {
            const uint32_t a = p[n - 1];
            const uint32_t ua = (a != 0) & (a != fullScale);
            se += a * ua;
            ce += ua;
        }
        sums[0] += se;
        sums[1] += so;
        counts[0] += ce;
        counts[1] += co;
    }
}

template <class S>
int32_t MeasureGrayGains(const uint8_t* src, const Rect& rect, int32_t srcStride,
                         BayerGainParams& p) {
    const int32_t w = rect.Width(), h = rect.Height();
    const uint32_t fullScale = static_cast<uint32_t>(GrayFullScale(p.bitDepth));
    const int rowBit = p.phase & 1, colBit = (p.phase >> 1) & 1;
    uint64_t sum[2][2] = {{0, 0}, {0, 0}}, count[2][2] = {{0, 0}, {0, 0}};
    for (int32_t r = 0; r < h; ++r) {
        const int rp = (r + rowBit) & 1;
        uint64_t sums[2] = {0, 0}, counts[2] = {0, 0};  // by column index parity
        RowUsableSums(SampleRow<S>(src, rect.top + r, srcStride, rect.left), w, fullScale, sums,
                      counts);
        for (int j = 0; j < 2; ++j) {
            sum[rp][colBit ^ j] += sums[j];
            count[rp][colBit ^ j] += counts[j];
        }
    }
    // Gray convention: (0,0) G1, (0,1) R, (1,0) B, (1,1) G2.
    const int rowOf[4] = {0, 0, 1, 1}, colOf[4] = {1, 0, 1, 0};  // R, G1, G2, B
    double mean[4];
    for (int i = 0; i < 4; ++i) {
        const uint64_t n = count[rowOf[i]][colOf[i]];
        if (n == 0) return 0;
        mean[i] = static_cast<double>(sum[rowOf[i]][colOf[i]]) / static_cast<double>(n);
    }
    const double top = std::max(std::max(mean[0], mean[1]), std::max(mean[2], mean[3]));
    p.gainR = TruncSaturated(top / mean[0] * 128);
    p.gainG1 = TruncSaturated(top / mean[1] * 128);
    p.gainG2 = TruncSaturated(top / mean[2] * 128);
    p.gainB = TruncSaturated(top / mean[3] * 128);
    return 1;
}

}  // namespace

int32_t EffectiveBayerPhase(int32_t bayerMode, bool mirrorVertical, bool mirrorHorizontal) {
    return (bayerMode & 3) ^ (mirrorVertical ? 1 : 0) ^ (mirrorHorizontal ? 2 : 0);
}

int32_t GrayFullScale(int32_t bitDepth) {
    switch (bitDepth) {
        case 8:
            return 255;
        case 10:
            return 1023;
        case 12:
            return 4095;
        case 14:
            return 16383;
        default:
            return 65535;
    }
}

int32_t MeasureWhiteBalanceRaw8(uint8_t*, const uint8_t* src, const Rect& rect, int32_t, int32_t,
                                int32_t, int32_t srcBpp, int32_t, int32_t srcStride, void* param) {
    return MeasureWhiteBalance<uint8_t>(src, rect, srcStride, srcBpp, param);
}

int32_t MeasureWhiteBalanceRaw16(uint8_t*, const uint8_t* src, const Rect& rect, int32_t, int32_t,
                                 int32_t, int32_t srcBpp, int32_t, int32_t srcStride, void* param) {
    return MeasureWhiteBalance<uint16_t>(src, rect, srcStride, srcBpp, param);
}

int32_t MeasureBayerGains(uint8_t*, const uint8_t* src, const Rect& rect, int32_t, int32_t, int32_t,
                          int32_t srcBpp, int32_t, int32_t srcStride, void* param) {
    if (param == nullptr || srcBpp < 1 || rect.Width() <= 0 || rect.Height() <= 0) return 0;
    auto& p = *static_cast<BayerGainParams*>(param);
    return srcBpp == 1 ? MeasureGrayGains<uint8_t>(src, rect, srcStride, p)
                       : MeasureGrayGains<uint16_t>(src, rect, srcStride, p);
}

}  // namespace rezive
