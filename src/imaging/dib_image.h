// CDibImage: the one pixel container of the system (device-independent bitmap in memory).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "imaging/kernel.h"

namespace rezive {

#pragma pack(push, 1)
// The 40-byte bitmap header as it is written to BMP files. A positive height declares a
// bottom-up bitmap even though memory row 0 holds the top row of the picture; every path that
// hands a buffer to a window or a bottom-up file flips the rows explicitly.
struct BitmapInfoHeader {
    uint32_t size = 40;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t clrUsed = 0;
    uint32_t clrImportant = 0;
};
#pragma pack(pop)
static_assert(sizeof(BitmapInfoHeader) == 40);

// One colour-table entry: blue, green, red, reserved.
struct PaletteEntry {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    uint8_t reserved = 0;
};

struct BitmapInfo {
    BitmapInfoHeader header;
    std::array<PaletteEntry, 256> colors{};
};

// Pixel memory is zero-filled heap memory of height x stride bytes, owned by the buffer. The
// platform's device context is the buffer itself: Blit and the drawing paths are software copies.
class CDibImage {
public:
    CDibImage() = default;
    ~CDibImage();
    CDibImage(const CDibImage&) = delete;
    CDibImage& operator=(const CDibImage&) = delete;

    // Makes the buffer a new zero-filled image; 0 (buffer unchanged) for width <= 0, height <= 0
    // or 0 bits per pixel, 0 (buffer empty) when the memory cannot be allocated.
    int32_t Create(int32_t width, int32_t height, uint16_t bitsPerPixel);
    // Same geometry and header as other (not its colour table, not its pixels).
    int32_t CreateLike(const CDibImage* other);
    void Destroy();

    // Mode 0: gray ramp. Mode 2: count caller entries from index start. Others: nothing.
    int32_t SetPalette(int32_t mode, const PaletteEntry* colors, int32_t start, int32_t count);

    // Runs kernel with this buffer as destination. sourceRect (null: whole source), x and y are
    // in the bottom-up view of the bitmap; see the implementation for the clipping rules.
    int32_t Transfer(PixelKernel kernel, const CDibImage* source, const Rect* sourceRect, int32_t x,
                     int32_t y, void* param);
    int32_t TransferScaled(ScaleKernel kernel, const CDibImage* source, const Rect* sourceRect,
                           const Rect* destRect, void* param);
    // Device-context copy of sourceRect (null: whole source) to x, y, both in the bottom-up view.
    // Equal depths copy bytes; an 8-bit source is expanded through its colour table.
    int32_t Blit(const CDibImage* source, const Rect* sourceRect, int32_t x, int32_t y);

    bool Empty() const { return bits_ == nullptr; }
    uint8_t* Bits() { return bits_; }
    const uint8_t* Bits() const { return bits_; }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    int32_t Stride() const { return stride_; }
    uint16_t BitsPerPixel() const { return bitsPerPixel_; }
    int32_t BytesPerPixel() const { return bitsPerPixel_ / 8; }
    size_t SizeBytes() const { return static_cast<size_t>(height_) * static_cast<size_t>(stride_); }
    const BitmapInfo& Info() const { return bitmapInfo_; }
    uint8_t* Row(int32_t row) { return bits_ + static_cast<size_t>(row) * stride_; }
    const uint8_t* Row(int32_t row) const { return bits_ + static_cast<size_t>(row) * stride_; }

    // Row stride of a width x bitsPerPixel image: the row bytes padded to a multiple of 4.
    static int32_t StrideFor(int32_t width, uint16_t bitsPerPixel);

private:
    int32_t Allocate();

    BitmapInfo bitmapInfo_{};
    uint8_t* bits_ = nullptr;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t stride_ = 0;
    uint16_t bitsPerPixel_ = 0;
};

}  // namespace rezive
