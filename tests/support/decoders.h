// Independent readers for the still-image tests: each returns the picture top row first, as
// samples in file channel order (red first for colour), plus what the file declares.
#pragma once

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

namespace rezive::test {

struct Decoded {
    bool ok = false;
    int32_t width = 0;
    int32_t height = 0;
    int32_t channels = 0;
    int32_t bitsPerSample = 0;
    std::vector<uint32_t> samples;  // row-major, top row first, channels interleaved
    // Format details.
    bool progressive = false;   // JPEG
    int jpegColorSpace = -1;    // JPEG: J_COLOR_SPACE of the file
    int pngColorType = -1;      // PNG
    int tiffPhotometric = -1;   // TIFF
    int tiffCompression = -1;
    int tiffPlanar = -1;
    uint32_t tiffStrips = 0;
    int tiffExtraSamples = -1;  // TIFF: count of extra samples declared

    uint32_t At(int32_t x, int32_t y, int32_t c) const {
        return samples[(static_cast<size_t>(y) * width + x) * channels + c];
    }
};

namespace detail {
struct JpegErrors {
    jpeg_error_mgr base;
    jmp_buf jump;
};
inline void JpegFail(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegErrors*>(cinfo->err)->jump, 1);
}
inline bool ReadJpeg(FILE* f, Decoded& d, std::vector<uint8_t>& line) {
    jpeg_decompress_struct cinfo;
    JpegErrors errors;
    cinfo.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = JpegFail;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, f);
    jpeg_read_header(&cinfo, TRUE);
    d.progressive = cinfo.progressive_mode != 0;
    d.jpegColorSpace = cinfo.jpeg_color_space;
    jpeg_start_decompress(&cinfo);
    d.width = static_cast<int32_t>(cinfo.output_width);
    d.height = static_cast<int32_t>(cinfo.output_height);
    d.channels = cinfo.output_components;
    d.bitsPerSample = 8;
    line.resize(static_cast<size_t>(d.width) * d.channels);
    d.samples.reserve(line.size() * d.height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = line.data();
        jpeg_read_scanlines(&cinfo, &row, 1);
        d.samples.insert(d.samples.end(), line.begin(), line.end());
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}
}  // namespace detail

inline Decoded DecodeJpeg(const std::string& path) {
    Decoded d;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return d;
    std::vector<uint8_t> line;
    d.ok = detail::ReadJpeg(f, d, line);
    std::fclose(f);
    return d;
}

namespace detail {
inline bool ReadPng(FILE* f, Decoded& d) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_init_io(png, f);
    png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    d.width = static_cast<int32_t>(png_get_image_width(png, info));
    d.height = static_cast<int32_t>(png_get_image_height(png, info));
    d.channels = png_get_channels(png, info);
    d.bitsPerSample = png_get_bit_depth(png, info);
    d.pngColorType = png_get_color_type(png, info);
    png_bytepp rows = png_get_rows(png, info);
    for (int32_t y = 0; y < d.height; ++y) {
        for (int32_t i = 0; i < d.width * d.channels; ++i) {
            d.samples.push_back(d.bitsPerSample == 16
                                    ? (rows[y][2 * i] << 8) | rows[y][2 * i + 1]  // big-endian
                                    : rows[y][i]);
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}
}  // namespace detail

inline Decoded DecodePng(const std::string& path) {
    Decoded d;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return d;
    d.ok = detail::ReadPng(f, d);
    std::fclose(f);
    return d;
}

inline Decoded DecodeTiff(const std::string& path) {
    Decoded d;
    // "c": no strip chopping, so a single large strip reads as the one strip it is.
    TIFF* tiff = TIFFOpen(path.c_str(), "rc");
    if (tiff == nullptr) return d;
    uint32_t w = 0, h = 0;
    uint16_t bps = 0, spp = 0, photometric = 0, compression = 0, planar = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetField(tiff, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compression);
    TIFFGetField(tiff, TIFFTAG_PLANARCONFIG, &planar);
    uint16_t extraCount = 0;
    uint16_t* extra = nullptr;
    const bool hasExtra = TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) != 0;
    d.tiffExtraSamples = hasExtra ? extraCount : 0;
    d.width = static_cast<int32_t>(w);
    d.height = static_cast<int32_t>(h);
    d.channels = spp;
    d.bitsPerSample = bps;
    d.tiffPhotometric = photometric;
    d.tiffCompression = compression;
    d.tiffPlanar = planar;
    d.tiffStrips = TIFFNumberOfStrips(tiff);
    const tmsize_t stripBytes = TIFFStripSize(tiff);
    std::vector<uint8_t> strip(static_cast<size_t>(stripBytes));
    const tmsize_t got = TIFFReadEncodedStrip(tiff, 0, strip.data(), stripBytes);
    TIFFClose(tiff);
    const size_t count = static_cast<size_t>(w) * h * spp;
    if (got != static_cast<tmsize_t>(count * bps / 8)) return d;
    for (size_t i = 0; i < count; ++i)
        d.samples.push_back(bps == 16 ? strip[2 * i] | (strip[2 * i + 1] << 8) : strip[i]);
    d.ok = true;
    return d;
}

}  // namespace rezive::test
