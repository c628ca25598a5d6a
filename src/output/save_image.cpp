// The still-image dispatcher: converts the camera's image to what each file type holds.
#include "imaging/conversions.h"
#include "imaging/dib_image.h"
#include "output/still_writers.h"

namespace rezive {

namespace {

// Fills temp (already created) from source with one whole-image kernel.
bool Convert(CDibImage& temp, PixelKernel kernel, const CDibImage& source) {
    return temp.Transfer(kernel, &source, nullptr, 0, 0, nullptr) != 0;
}

// JPEG takes 8-bit gray or 24-bit colour rows, bottom-up like a bitmap: every depth is reduced
// and flipped into such a temporary image. 12-bit samples keep their top eight bits.
int32_t SaveJpeg(const char* fileName, const CDibImage& image, int32_t quality) {
    CDibImage temp;
    PixelKernel kernel = nullptr;
    uint16_t depth = 24;
    switch (image.BitsPerPixel()) {
        case 8: kernel = CopyRowsFlipped; depth = 8; break;
        case 16: kernel = Mono12To8Flipped; depth = 8; break;
        case 24:
        case 32: kernel = Color8To24Flipped; break;
        case 48:
        case 64: kernel = Color12To8Flipped; break;
        default: return 0;
    }
    if (!temp.Create(image.Width(), image.Height(), depth) || !Convert(temp, kernel, image))
        return 0;
    return WriteJpeg(fileName, temp, quality);
}

// PNG holds 8 and 24-bit images as they are; 16-bit samples are widened to the full range and the
// fourth byte of 32-bit colour (0 from the camera) becomes an opaque alpha.
int32_t SavePng(const char* fileName, const CDibImage& image, int32_t level) {
    PixelKernel kernel = nullptr;
    switch (image.BitsPerPixel()) {
        case 8:
        case 24:
            return WritePng(fileName, image.Bits(), image.Width(), image.Height(),
                            image.BitsPerPixel(), level);
        case 16: kernel = Mono12To16; break;
        case 32: kernel = Bgr32InvertAlpha; break;
        case 48: kernel = Color12To16; break;
        case 64: kernel = Color12To16Alpha; break;
        default: return 0;
    }
    CDibImage temp;
    if (!temp.CreateLike(&image) || !Convert(temp, kernel, image)) return 0;
    return WritePng(fileName, temp.Bits(), temp.Width(), temp.Height(), temp.BitsPerPixel(),
                    level);
}

}  // namespace

int32_t WriteTiff(const char* fileName, const CDibImage& image) {
    if (image.Empty()) return 0;
    PixelKernel kernel = nullptr;
    switch (image.BitsPerPixel()) {
        case 8:
            return WriteTiffRows(fileName, image.Bits(), image.Width(), image.Height(),
                                 image.Stride(), 8);
        case 16: kernel = Mono12To16; break;
        case 24:
        case 32: kernel = SwapRedBlue8; break;
        case 48: kernel = Color12To16Swap; break;
        case 64: kernel = Color12To16AlphaSwap; break;
        default: return 0;
    }
    CDibImage temp;
    if (!temp.CreateLike(&image) || !Convert(temp, kernel, image)) return 0;
    return WriteTiffRows(fileName, temp.Bits(), temp.Width(), temp.Height(), temp.Stride(),
                         temp.BitsPerPixel());
}

int32_t SaveImageFile(const char* fileName, const CDibImage* image, int32_t format,
                      int32_t pngLevel) {
    if (image == nullptr || image->Empty()) return 0;
    switch (format) {
        case FILETYPE_BMP: {
            // A bitmap file is bottom-up: its first row is the picture's last.
            CDibImage temp;
            if (!temp.CreateLike(image) || !Convert(temp, CopyRowsFlipped, *image)) return 0;
            return WriteBmp(fileName, temp);
        }
        case FILETYPE_RAW: return WriteRaw(fileName, *image);
        case FILETYPE_JPEG_HIGH: return SaveJpeg(fileName, *image, 100);
        case FILETYPE_JPEG_NORMAL: return SaveJpeg(fileName, *image, 70);
        case FILETYPE_JPEG_LOW: return SaveJpeg(fileName, *image, 20);
        case FILETYPE_PNG: return SavePng(fileName, *image, pngLevel);
        case FILETYPE_TIFF: return WriteTiff(fileName, *image);
        default: return 0;
    }
}

}  // namespace rezive
