// Writes test pictures as PNG files for the virtual camera's scene option.
#pragma once

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace rezive::test {

// `samples` holds width x height x channels values (8 or 16 bits each, in the low bits).
inline bool WritePng(const std::string& path, int width, int height, int channels, int depth,
                     const std::vector<uint16_t>& samples) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, width, height, depth, channels == 1 ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const int bytes = depth / 8;
    std::vector<uint8_t> row(static_cast<size_t>(width) * channels * bytes);
    for (int y = 0; y < height; ++y) {
        for (int i = 0; i < width * channels; ++i) {
            const uint16_t v = samples[static_cast<size_t>(y) * width * channels + i];
            if (bytes == 2) {
                row[2 * i] = static_cast<uint8_t>(v >> 8);  // PNG is big-endian
                row[2 * i + 1] = static_cast<uint8_t>(v);
            } else {
                row[i] = static_cast<uint8_t>(v);
            }
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return true;
}

}  // namespace rezive::test
