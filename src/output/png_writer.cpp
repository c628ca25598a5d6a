// PNG writer on libpng.
//
// libpng reports errors through the error function, which prints the message and jumps back to
// the recovery point in Encode; Encode's locals are plain data so the jump skips no destructor.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <png.h>

#include "output/output_file.h"
#include "output/still_writers.h"

namespace rezive {

namespace {

void PngError(png_structp png, png_const_charp message) {
    std::fprintf(stderr, "libpng error: %s\n", message);
    png_longjmp(png, 1);
}

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* file = static_cast<OutputFile*>(png_get_io_ptr(png));
    if (!file->Write(data, length)) png_error(png, "Write Error");
}

void PngFlush(png_structp) {}

struct Layout {
    int bitDepth;
    int colorType;
};

bool LayoutFor(int32_t bitsPerPixel, Layout* layout) {
    switch (bitsPerPixel) {
        case 8: *layout = {8, PNG_COLOR_TYPE_GRAY}; return true;
        case 16: *layout = {16, PNG_COLOR_TYPE_GRAY}; return true;
        case 24: *layout = {8, PNG_COLOR_TYPE_RGB}; return true;
        case 32: *layout = {8, PNG_COLOR_TYPE_RGB_ALPHA}; return true;
        case 48: *layout = {16, PNG_COLOR_TYPE_RGB}; return true;
        case 64: *layout = {16, PNG_COLOR_TYPE_RGB_ALPHA}; return true;
        default: return false;
    }
}

// The allocations of one save, released by the caller whatever way Encode returns.
struct Buffers {
    png_bytep* rows = nullptr;
    uint8_t* swapped = nullptr;
};

bool Encode(OutputFile& file, const uint8_t* pixels, int32_t width, int32_t height,
            int32_t bitsPerPixel, const Layout& layout, int32_t level, Buffers& buffers) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, nullptr);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &file, PngWrite, PngFlush);
    if (level != kPngLevelDefault) png_set_compression_level(png, level);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
                 layout.bitDepth, layout.colorType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);

    const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(bitsPerPixel / 8);
    const size_t stride = (rowBytes + 3) & ~size_t{3};
    const size_t total = stride * static_cast<size_t>(height);
    buffers.rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
    if (buffers.rows == nullptr) png_error(png, "Vizavadov: Out of memory");

    const uint8_t* source = pixels;
    if (layout.bitDepth == 16) {
        // PNG stores samples most significant byte first; memory holds them little-endian.
        buffers.swapped = static_cast<uint8_t*>(std::malloc(total));
        if (buffers.swapped == nullptr) png_error(png, "Vizavadov: Out of memory");
        for (size_t i = 0; i + 1 < total; i += 2) {
            buffers.swapped[i] = pixels[i + 1];
            buffers.swapped[i + 1] = pixels[i];
        }
        source = buffers.swapped;
    }
    for (int32_t i = 0; i < height; ++i)
        buffers.rows[i] = const_cast<png_bytep>(source + static_cast<size_t>(i) * stride);

    png_write_image(png, buffers.rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

int32_t WritePng(const char* fileName, const uint8_t* pixels, int32_t width, int32_t height,
                 int32_t bitsPerPixel, int32_t level) {
    Layout layout{};
    if (pixels == nullptr || width <= 0 || height <= 0 || !LayoutFor(bitsPerPixel, &layout) ||
        !ValidPngLevel(level))
        return 0;
    OutputFile file;
    if (!file.OpenForWriting(fileName)) return 0;
    Buffers buffers;
    const bool ok = Encode(file, pixels, width, height, bitsPerPixel, layout, level, buffers);
    std::free(buffers.swapped);
    std::free(buffers.rows);
    return FinishStillFile(file, ok);
}

}  // namespace rezive
