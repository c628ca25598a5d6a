#include "imaging/dib_image.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace rezive {

CDibImage::~CDibImage() { Destroy(); }

int32_t CDibImage::StrideFor(int32_t width, uint16_t bitsPerPixel) {
    const int64_t rowBytes = static_cast<int64_t>(width) * (bitsPerPixel / 8);
    return static_cast<int32_t>((rowBytes + 3) & ~int64_t{3});
}

int32_t CDibImage::Create(int32_t width, int32_t height, uint16_t bitsPerPixel) {
    if (width <= 0 || height <= 0 || bitsPerPixel == 0) return 0;
    Destroy();
    bitmapInfo_.header.planes = 1;
    bitmapInfo_.header.width = width;
    bitmapInfo_.header.height = height;
    bitmapInfo_.header.bitCount = bitsPerPixel;
    bitmapInfo_.header.compression = 0;
    width_ = width;
    height_ = height;
    bitsPerPixel_ = bitsPerPixel;
    stride_ = StrideFor(width, bitsPerPixel);
    return Allocate();
}

int32_t CDibImage::CreateLike(const CDibImage* other) {
    if (other == nullptr || other->width_ <= 0 || other->height_ <= 0 || other->bitsPerPixel_ == 0)
        return 0;
    // Copy first: other may be this buffer.
    const BitmapInfoHeader header = other->bitmapInfo_.header;
    const int32_t width = other->width_, height = other->height_, stride = other->stride_;
    const uint16_t bpp = other->bitsPerPixel_;
    Destroy();
    bitmapInfo_.header = header;
    width_ = width;
    height_ = height;
    stride_ = stride;
    bitsPerPixel_ = bpp;
    return Allocate();
}

int32_t CDibImage::Allocate() {
    if (bitsPerPixel_ == 8) SetPalette(0, nullptr, 0, 256);
    const size_t bytes = SizeBytes();
    bits_ = static_cast<uint8_t*>(std::calloc(bytes == 0 ? 1 : bytes, 1));
    if (bits_ == nullptr) {
        Destroy();
        return 0;
    }
    return 1;
}

void CDibImage::Destroy() {
    std::free(bits_);
    bits_ = nullptr;
    width_ = height_ = stride_ = 0;
    bitsPerPixel_ = 0;
    bitmapInfo_ = BitmapInfo{};
}

int32_t CDibImage::SetPalette(int32_t mode, const PaletteEntry* colors, int32_t start,
                              int32_t count) {
    if (mode == 0) {
        for (int i = 0; i < 256; ++i) {
            const auto v = static_cast<uint8_t>(i);
            bitmapInfo_.colors[i] = PaletteEntry{v, v, v, 0};
        }
    } else if (mode == 2 && colors != nullptr && start >= 0 && start < 256 && count > 0) {
        const int32_t n = std::min(count, 256 - start);
        std::copy(colors, colors + n, bitmapInfo_.colors.begin() + start);
    }
    return 1;
}

int32_t CDibImage::Transfer(PixelKernel kernel, const CDibImage* source, const Rect* sourceRect,
                            int32_t x, int32_t y, void* param) {
    if (source == nullptr) return 0;
    const int32_t wd = width_, hd = height_, ws = source->width_, hs = source->height_;
    const Rect r = sourceRect ? *sourceRect : Rect{0, 0, ws, hs};

    Rect d{x, y, x + r.Width(), y + r.Height()};
    if (d.right <= 0 || d.bottom <= 0 || d.left >= wd || d.top >= hd) return 0;
    d.left = std::max(d.left, 0);
    d.top = std::max(d.top, 0);
    d.right = std::min(d.right, wd);
    d.bottom = std::min(d.bottom, hd);

    Rect s;
    s.left = r.left + (d.left - x);
    s.top = r.top + (d.top - y);
    s.right = s.left + d.Width();
    s.bottom = s.top + d.Height();
    if (s.right <= 0 || s.bottom <= 0 || s.left >= ws || s.top >= hs) return 0;
    // A source rectangle reaching outside the source shrinks the destination area by the same
    // amount, so the kernel always gets equally sized areas inside both buffers.
    if (s.left < 0) { d.left -= s.left; s.left = 0; }
    if (s.top < 0) { d.top -= s.top; s.top = 0; }
    if (s.right > ws) { d.right -= s.right - ws; s.right = ws; }
    if (s.bottom > hs) { d.bottom -= s.bottom - hs; s.bottom = hs; }
    if (s.Width() <= 0 || s.Height() <= 0) return 0;

    const Rect memoryRect{s.left, hs - s.bottom, s.right, hs - s.top};
    if (kernel == nullptr || bits_ == nullptr || source->bits_ == nullptr) return 0;
    return kernel(bits_, source->bits_, memoryRect, d.left, hd - d.bottom, bitsPerPixel_ / 8,
                  source->bitsPerPixel_ / 8, stride_, source->stride_, param);
}

int32_t CDibImage::TransferScaled(ScaleKernel kernel, const CDibImage* source,
                                  const Rect* sourceRect, const Rect* destRect, void* param) {
    if (kernel == nullptr || source == nullptr || bits_ == nullptr || source->bits_ == nullptr)
        return 0;
    const Rect d = destRect ? *destRect : Rect{0, 0, width_, height_};
    const Rect s = sourceRect ? *sourceRect : Rect{0, 0, source->width_, source->height_};
    return kernel(bits_, source->bits_, d, s, width_, height_, source->width_, source->height_,
                  bitsPerPixel_ / 8, source->bitsPerPixel_ / 8, stride_, source->stride_, param);
}

int32_t CDibImage::Blit(const CDibImage* source, const Rect* sourceRect, int32_t x, int32_t y) {
    if (source == nullptr || bits_ == nullptr || source->bits_ == nullptr) return 0;
    const Rect r = sourceRect ? *sourceRect : Rect{0, 0, source->width_, source->height_};
    const int32_t sb = source->bitsPerPixel_, db = bitsPerPixel_;
    const bool sameDepth = sb == db && sb % 8 == 0;
    const bool paletteExpand = sb == 8 && (db == 24 || db == 32);
    const bool colorRepack = (sb == 24 || sb == 32) && (db == 24 || db == 32);
    if (!sameDepth && !paletteExpand && !colorRepack) return 0;

    // Device-context rows count from the top of the bottom-up bitmap: row v is memory row H-1-v.
    const int32_t sbpp = sb / 8, dbpp = db / 8;
    for (int32_t row = 0; row < r.Height(); ++row) {
        const int32_t sv = r.top + row, dv = y + row;
        if (sv < 0 || sv >= source->height_ || dv < 0 || dv >= height_) continue;
        const uint8_t* srcRow = source->Row(source->height_ - 1 - sv);
        uint8_t* dstRow = Row(height_ - 1 - dv);
        for (int32_t col = 0; col < r.Width(); ++col) {
            const int32_t sc = r.left + col, dc = x + col;
            if (sc < 0 || sc >= source->width_ || dc < 0 || dc >= width_) continue;
            const uint8_t* sp = srcRow + static_cast<size_t>(sc) * sbpp;
            uint8_t* dp = dstRow + static_cast<size_t>(dc) * dbpp;
            if (sameDepth) {
                std::memcpy(dp, sp, static_cast<size_t>(sbpp));
            } else if (paletteExpand) {
                const PaletteEntry& e = source->bitmapInfo_.colors[*sp];
                dp[0] = e.blue;
                dp[1] = e.green;
                dp[2] = e.red;
                if (dbpp == 4) dp[3] = 0;
            } else {
                dp[0] = sp[0];
                dp[1] = sp[1];
                dp[2] = sp[2];
                if (dbpp == 4) dp[3] = 0;
            }
        }
    }
    return 1;
}

}  // namespace rezive
