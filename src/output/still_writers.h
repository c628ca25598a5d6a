// Still-image files: the file-type codes, the dispatcher and the four writers.
//
// Every writer opens its file with the truncate-then-create-new rule, checks every write and, when
// anything fails after the file was opened, removes the file and returns 0. Nothing here takes a
// lock: callers hold the camera's frame lock while the source image is read.
#pragma once

#include <cstdint>

namespace rezive {

class CDibImage;

// The file formats of Rezive_SaveImage, under the names of the writers; the camera layer holds
// the values equal to the public ones.
enum FileType : int32_t {
    FILETYPE_BMP = 0,
    FILETYPE_RAW = 1,
    FILETYPE_JPEG_HIGH = 2,   // quality 100
    FILETYPE_JPEG_NORMAL = 3, // quality 70
    FILETYPE_JPEG_LOW = 4,    // quality 20
    FILETYPE_PNG = 5,
    FILETYPE_TIFF = 6,
};

// The compression level of PNG files: libpng's own default, or a zlib level from 0 (stored, the
// fastest) to 9 (the smallest file).
constexpr int32_t kPngLevelDefault = -1;
constexpr int32_t kPngLevelMax = 9;
inline bool ValidPngLevel(int32_t level) {
    return level >= kPngLevelDefault && level <= kPngLevelMax;
}

// Converts image to what the file type needs and writes it; PNG files at pngLevel. 1 on success; 0 for a null image, an
// empty image, an unknown format (negative values included), a depth the format cannot hold,
// a conversion buffer that cannot be allocated, or any open or write failure (no file is then
// left behind, and none is created when the failure comes before opening).
// A pngLevel that ValidPngLevel refuses fails a PNG save the same way.
int32_t SaveImageFile(const char* fileName, const CDibImage* image, int32_t format,
                      int32_t pngLevel = kPngLevelDefault);

// The pixel rows as stored in memory (row padding included), no header.
int32_t WriteRaw(const char* fileName, const CDibImage& image);

// A bottom-up Windows bitmap of image's memory rows in memory order: the caller passes the
// row-flipped image. 8-bit images get the 256-entry colour table.
int32_t WriteBmp(const char* fileName, const CDibImage& image);

// A progressive JPEG of an 8-bit (gray) or 24-bit (colour) image whose memory rows are bottom-up
// (the last memory row is the top of the picture), so callers pass the row-flipped image.
// quality 1..100 with forced baseline quantisation tables. 0 for any other depth (no file).
int32_t WriteJpeg(const char* fileName, const CDibImage& image, int32_t quality);

// A PNG of width x height pixels at 8, 16, 24, 32, 48 or 64 bits per pixel, rows at the 4-byte
// padded stride, memory row 0 at the top. Channels are blue, green, red(, alpha) in memory and
// 16-bit samples little-endian; both are reordered for the file. 0 for any other depth or a level
// that ValidPngLevel refuses (no file). libpng errors go to the standard error stream as
// "libpng error: <message>".
int32_t WritePng(const char* fileName, const uint8_t* pixels, int32_t width, int32_t height,
                 int32_t bitsPerPixel, int32_t level = kPngLevelDefault);

// An uncompressed one-strip TIFF of an image at 8 to 64 bits per pixel: the 12-bit samples of
// 16/48/64-bit images are widened to the full 16-bit range and colour channels put in red,
// green, blue order before writing.
int32_t WriteTiff(const char* fileName, const CDibImage& image);

// The TIFF encoder on rows that are already in file order and sample layout (red first, full
// 16-bit range): one strip, each row written without its padding. bitsPerPixel 8/16 are one gray
// sample, 24/48 three RGB samples, 32/64 four samples (the fourth declared as an extra sample).
int32_t WriteTiffRows(const char* fileName, const uint8_t* pixels, int32_t width, int32_t height,
                      int32_t stride, int32_t bitsPerPixel);

}  // namespace rezive
