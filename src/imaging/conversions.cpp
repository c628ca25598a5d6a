#include "imaging/conversions.h"

#include <algorithm>
#include <cstring>

#include "imaging/pixel_access.h"

namespace rezive {
namespace {

using pixel::Load16;
using pixel::RowAt;
using pixel::Store16;

// Walks rect row by row and calls op(dstPixel, srcPixel) per pixel. DB/SB are the pixel sizes
// as compile-time constants for the common layouts (so the per-pixel offsets fold and the loop
// vectorises); 0 means "use the run-time value".
template <int DB, int SB, bool Flip, class Op>
inline void Walk(uint8_t* dst, const uint8_t* src, const Rect& r, int32_t x, int32_t y, int32_t db,
                 int32_t sb, int32_t dstStride, int32_t srcStride, Op op) {
    const ptrdiff_t dbpp = DB != 0 ? DB : db;
    const ptrdiff_t sbpp = SB != 0 ? SB : sb;
    const int32_t w = r.Width(), h = r.Height();
    for (int32_t i = 0; i < h; ++i) {
        const int32_t sr = Flip ? r.bottom - 1 - i : r.top + i;
        const uint8_t* s = RowAt(src, sr, srcStride) + r.left * sbpp;
        uint8_t* d = RowAt(dst, y + i, dstStride) + x * dbpp;
        for (int32_t j = 0; j < w; ++j) op(d + j * dbpp, s + j * sbpp);
    }
}

// Picks a specialised walk for the usual pixel sizes, else the generic one. Returns 0 (nothing
// touched) when a pixel is too small for what the kernel reads or writes, so a mismatched
// buffer can never make a kernel reach into the next pixel or past the end of a row.
template <bool Flip, class Op>
int32_t Run(uint8_t* dst, const uint8_t* src, const Rect& r, int32_t x, int32_t y, int32_t db,
            int32_t sb, int32_t ds, int32_t ss, int32_t minDb, int32_t minSb, Op op) {
    if (db < minDb || sb < minSb) return 0;
#define REZIVE_CASE(D, S)                                        \
    if (db == D && sb == S) {                                    \
        Walk<D, S, Flip>(dst, src, r, x, y, db, sb, ds, ss, op); \
        return 1;                                                \
    }
    REZIVE_CASE(1, 2)
    REZIVE_CASE(2, 2)
    REZIVE_CASE(3, 3)
    REZIVE_CASE(3, 4)
    REZIVE_CASE(4, 4)
    REZIVE_CASE(4, 3)
    REZIVE_CASE(3, 6)
    REZIVE_CASE(3, 8)
    REZIVE_CASE(6, 6)
    REZIVE_CASE(8, 8)
#undef REZIVE_CASE
    Walk<0, 0, Flip>(dst, src, r, x, y, db, sb, ds, ss, op);
    return 1;
}

struct Mono12To8Op {
    void operator()(uint8_t* d, const uint8_t* s) const {
        d[0] = static_cast<uint8_t>(Load16(s) >> 4);
    }
};
struct Mono10To8Op {
    void operator()(uint8_t* d, const uint8_t* s) const {
        d[0] = static_cast<uint8_t>(Load16(s) >> 2);
    }
};
struct Mono12To16Op {
    void operator()(uint8_t* d, const uint8_t* s) const {
        Store16(d, static_cast<uint16_t>(Load16(s) << 4));
    }
};
struct Copy3Op {
    void operator()(uint8_t* d, const uint8_t* s) const {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
    }
};
struct Swap3Op {
    void operator()(uint8_t* d, const uint8_t* s) const {
        const uint8_t b = s[0], g = s[1], r = s[2];
        d[0] = r;
        d[1] = g;
        d[2] = b;
    }
};
struct InvertAlphaOp {
    void operator()(uint8_t* d, const uint8_t* s) const {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        d[3] = static_cast<uint8_t>(255 - s[3]);
    }
};
template <int Shift>
struct Color16To8Op {
    void operator()(uint8_t* d, const uint8_t* s) const {
        d[0] = static_cast<uint8_t>(Load16(s) >> Shift);
        d[1] = static_cast<uint8_t>(Load16(s + 2) >> Shift);
        d[2] = static_cast<uint8_t>(Load16(s + 4) >> Shift);
    }
};
template <bool Swap, bool Alpha>
struct Color12To16Op {
    void operator()(uint8_t* d, const uint8_t* s) const {
        const auto c0 = static_cast<uint16_t>(Load16(s) << 4);
        const auto c1 = static_cast<uint16_t>(Load16(s + 2) << 4);
        const auto c2 = static_cast<uint16_t>(Load16(s + 4) << 4);
        Store16(d, Swap ? c2 : c0);
        Store16(d + 2, c1);
        Store16(d + 4, Swap ? c0 : c2);
        if (Alpha) Store16(d + 6, 0xFFFF);
    }
};

template <class T>
int32_t MeanLevel(const uint8_t* src, const Rect& r, int32_t srcStride, T reduce,
                  int32_t bytesPerSample) {
    const int32_t w = r.Width(), h = r.Height();
    if (w <= 0 || h <= 0) return 0;
    uint64_t sum = 0;
    for (int32_t i = 0; i < h; ++i) {
        const uint8_t* s = RowAt(src, r.top + i, srcStride) + r.left * bytesPerSample;
        for (int32_t j = 0; j < w; ++j) sum += reduce(s + j * bytesPerSample);
    }
    return static_cast<int32_t>(sum / (static_cast<uint64_t>(w) * static_cast<uint64_t>(h)));
}

int32_t SpreadRows(uint8_t* dst, const uint8_t* src, const Rect& r, int32_t x, int32_t y,
                   int32_t dstStride, int32_t bytesPerSample) {
    const int32_t w = r.Width(), h = r.Height();
    if (w <= 0 || h <= 0) return 1;
    const size_t rowBytes = static_cast<size_t>(w) * bytesPerSample;
    // Last row first: each destination row lies at or beyond its packed source, so a row is
    // only ever overwritten after it has been moved (memmove keeps the in-row overlap right).
    for (int32_t i = h - 1; i >= 0; --i) {
        std::memmove(RowAt(dst, y + i, dstStride) + static_cast<ptrdiff_t>(x) * bytesPerSample,
                     src + static_cast<size_t>(i) * rowBytes, rowBytes);
    }
    return 1;
}

// Clamps a rectangle to a width x height buffer.
Rect ClampRect(const Rect& r, int32_t width, int32_t height) {
    return Rect{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, width),
                std::min(r.bottom, height)};
}

template <int Bytes>
int32_t ScaleNearest(uint8_t* dst, const uint8_t* src, const Rect& dstRect, const Rect& srcRect,
                     int32_t dstWidth, int32_t dstHeight, int32_t srcWidth, int32_t srcHeight,
                     int32_t dstBpp, int32_t srcBpp, int32_t dstStride, int32_t srcStride) {
    if (dstBpp < Bytes || srcBpp < Bytes) return 0;
    const Rect d = ClampRect(dstRect, dstWidth, dstHeight);
    const Rect s = ClampRect(srcRect, srcWidth, srcHeight);
    const int32_t wd = dstRect.Width(), hd = dstRect.Height();
    const int32_t ws = s.Width(), hs = s.Height();
    if (d.Width() <= 0 || d.Height() <= 0 || ws <= 0 || hs <= 0 || wd <= 0 || hd <= 0) return 1;
    // Single-precision ratio times index, as the preview always computed it.
    const float rowRatio = static_cast<float>(hs) / static_cast<float>(hd);
    const float colRatio = static_cast<float>(ws) / static_cast<float>(wd);
    for (int32_t row = d.top; row < d.bottom; ++row) {
        const int32_t i = row - dstRect.top;
        int32_t sr = static_cast<int32_t>(rowRatio * static_cast<float>(i));
        sr = std::clamp(sr, 0, hs - 1);
        const uint8_t* sRow = RowAt(src, s.bottom - 1 - sr, srcStride);
        uint8_t* dRow = RowAt(dst, row, dstStride);
        for (int32_t col = d.left; col < d.right; ++col) {
            const int32_t j = col - dstRect.left;
            int32_t sc = static_cast<int32_t>(colRatio * static_cast<float>(j));
            sc = std::clamp(sc, 0, ws - 1);
            const uint8_t* sp = sRow + static_cast<ptrdiff_t>(s.left + sc) * srcBpp;
            uint8_t* dp = dRow + static_cast<ptrdiff_t>(col) * dstBpp;
            for (int k = 0; k < Bytes; ++k) dp[k] = sp[k];
        }
    }
    return 1;
}

}  // namespace

int32_t MeanLevelMono8(uint8_t*, const uint8_t* src, const Rect& rect, int32_t, int32_t, int32_t,
                       int32_t, int32_t, int32_t srcStride, void*) {
    return MeanLevel(
        src, rect, srcStride, [](const uint8_t* p) -> uint32_t { return p[0]; }, 1);
}

int32_t MeanLevelMono16(uint8_t*, const uint8_t* src, const Rect& rect, int32_t, int32_t, int32_t,
                        int32_t, int32_t, int32_t srcStride, void*) {
    return MeanLevel(
        src, rect, srcStride, [](const uint8_t* p) -> uint32_t { return (Load16(p) >> 2) & 0xFF; },
        2);
}

int32_t SpreadRowsMono8(uint8_t* dst, const uint8_t* src, const Rect& rect, int32_t x, int32_t y,
                        int32_t, int32_t, int32_t dstStride, int32_t, void*) {
    return SpreadRows(dst, src, rect, x, y, dstStride, 1);
}

int32_t SpreadRowsMono16(uint8_t* dst, const uint8_t* src, const Rect& rect, int32_t x, int32_t y,
                         int32_t, int32_t, int32_t dstStride, int32_t, void*) {
    return SpreadRows(dst, src, rect, x, y, dstStride, 2);
}

int32_t ScaleNearestMono8(uint8_t* dst, const uint8_t* src, const Rect& dstRect,
                          const Rect& srcRect, int32_t dstWidth, int32_t dstHeight,
                          int32_t srcWidth, int32_t srcHeight, int32_t dstBpp, int32_t srcBpp,
                          int32_t dstStride, int32_t srcStride, void*) {
    return ScaleNearest<1>(dst, src, dstRect, srcRect, dstWidth, dstHeight, srcWidth, srcHeight,
                           dstBpp, srcBpp, dstStride, srcStride);
}

int32_t ScaleNearestBgr24(uint8_t* dst, const uint8_t* src, const Rect& dstRect,
                          const Rect& srcRect, int32_t dstWidth, int32_t dstHeight,
                          int32_t srcWidth, int32_t srcHeight, int32_t dstBpp, int32_t srcBpp,
                          int32_t dstStride, int32_t srcStride, void*) {
    return ScaleNearest<3>(dst, src, dstRect, srcRect, dstWidth, dstHeight, srcWidth, srcHeight,
                           dstBpp, srcBpp, dstStride, srcStride);
}

#define REZIVE_DEFINE_CONVERSION(name, flip, minDb, minSb, op)                                     \
    int32_t name(uint8_t* dst, const uint8_t* src, const Rect& rect, int32_t x, int32_t y,         \
                 int32_t dstBpp, int32_t srcBpp, int32_t dstStride, int32_t srcStride, void*) {    \
        return Run<flip>(dst, src, rect, x, y, dstBpp, srcBpp, dstStride, srcStride, minDb, minSb, \
                         op);                                                                      \
    }

REZIVE_DEFINE_CONVERSION(Mono12To8, false, 1, 2, Mono12To8Op{})
REZIVE_DEFINE_CONVERSION(Mono12To8Flipped, true, 1, 2, Mono12To8Op{})
REZIVE_DEFINE_CONVERSION(Mono10To8Flipped, true, 1, 2, Mono10To8Op{})
REZIVE_DEFINE_CONVERSION(Mono12To16, false, 2, 2, Mono12To16Op{})
REZIVE_DEFINE_CONVERSION(Bgr32ToBgr24, false, 3, 3, Copy3Op{})
REZIVE_DEFINE_CONVERSION(Color8To24Flipped, true, 3, 3, Copy3Op{})
REZIVE_DEFINE_CONVERSION(SwapRedBlue8, false, 3, 3, Swap3Op{})
REZIVE_DEFINE_CONVERSION(Bgr32InvertAlpha, false, 4, 4, InvertAlphaOp{})
REZIVE_DEFINE_CONVERSION(Color12To8, false, 3, 6, Color16To8Op<4>{})
REZIVE_DEFINE_CONVERSION(Color12To8Flipped, true, 3, 6, Color16To8Op<4>{})
REZIVE_DEFINE_CONVERSION(Color10To8Flipped, true, 3, 6, Color16To8Op<2>{})
REZIVE_DEFINE_CONVERSION(Color12To16, false, 6, 6, (Color12To16Op<false, false>{}))
REZIVE_DEFINE_CONVERSION(Color12To16Swap, false, 6, 6, (Color12To16Op<true, false>{}))
REZIVE_DEFINE_CONVERSION(Color12To16Alpha, false, 8, 8, (Color12To16Op<false, true>{}))
REZIVE_DEFINE_CONVERSION(Color12To16AlphaSwap, false, 8, 8, (Color12To16Op<true, true>{}))

#undef REZIVE_DEFINE_CONVERSION

int32_t CopyRowsFlipped(uint8_t* dst, const uint8_t* src, const Rect& rect, int32_t x, int32_t y,
                        int32_t dstBpp, int32_t srcBpp, int32_t dstStride, int32_t srcStride,
                        void*) {
    // Whole rows, padding included, as far as both rows reach from the first copied pixel.
    const ptrdiff_t dstAvail = dstStride - static_cast<ptrdiff_t>(x) * dstBpp;
    const ptrdiff_t srcAvail = srcStride - static_cast<ptrdiff_t>(rect.left) * srcBpp;
    const ptrdiff_t bytes = std::min(dstAvail, srcAvail);
    if (bytes <= 0) return 1;
    const int32_t h = rect.Height();
    for (int32_t i = 0; i < h; ++i) {
        std::memcpy(
            RowAt(dst, y + i, dstStride) + static_cast<ptrdiff_t>(x) * dstBpp,
            RowAt(src, rect.bottom - 1 - i, srcStride) + static_cast<ptrdiff_t>(rect.left) * srcBpp,
            static_cast<size_t>(bytes));
    }
    return 1;
}

}  // namespace rezive
