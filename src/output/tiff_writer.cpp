// TIFF encoder on libtiff: uncompressed, contiguous samples, the whole image in one strip.
//
// libtiff writes through client procedures into an OutputFile, so every write is checked the
// same way as for the other formats and a failure removes the file.
#include <cstdio>

#include <tiffio.h>

#include "output/output_file.h"
#include "output/still_writers.h"

namespace rezive {

namespace {

OutputFile* FileOf(thandle_t handle) { return static_cast<OutputFile*>(handle); }

tmsize_t TiffRead(thandle_t, void*, tmsize_t) { return 0; }

tmsize_t TiffWrite(thandle_t handle, void* data, tmsize_t size) {
    if (size < 0 || !FileOf(handle)->Write(data, static_cast<size_t>(size))) return -1;
    return size;
}

toff_t TiffSeek(thandle_t handle, toff_t offset, int whence) {
    OutputFile* file = FileOf(handle);
    uint64_t target = 0;
    switch (whence) {
        case SEEK_SET: target = offset; break;
        case SEEK_CUR: target = file->Position() + offset; break;
        case SEEK_END: {
            const int64_t length = file->Length();
            if (length < 0) return static_cast<toff_t>(-1);
            target = static_cast<uint64_t>(length) + offset;
            break;
        }
        default: return static_cast<toff_t>(-1);
    }
    return file->SeekTo(target) ? target : static_cast<toff_t>(-1);
}

int TiffClose(thandle_t) { return 0; }  // the OutputFile is closed by the writer

toff_t TiffSize(thandle_t handle) {
    const int64_t length = FileOf(handle)->Length();
    return length < 0 ? 0 : static_cast<toff_t>(length);
}

int TiffMap(thandle_t, void**, toff_t*) { return 0; }
void TiffUnmap(thandle_t, void*, toff_t) {}

struct Layout {
    uint16_t bitsPerSample;
    uint16_t samplesPerPixel;
    uint16_t photometric;
};

bool LayoutFor(int32_t bitsPerPixel, Layout* layout) {
    switch (bitsPerPixel) {
        case 8: *layout = {8, 1, PHOTOMETRIC_MINISBLACK}; return true;
        case 16: *layout = {16, 1, PHOTOMETRIC_MINISBLACK}; return true;
        case 24: *layout = {8, 3, PHOTOMETRIC_RGB}; return true;
        case 32: *layout = {8, 4, PHOTOMETRIC_RGB}; return true;
        case 48: *layout = {16, 3, PHOTOMETRIC_RGB}; return true;
        case 64: *layout = {16, 4, PHOTOMETRIC_RGB}; return true;
        default: return false;
    }
}

bool Encode(TIFF* tiff, const uint8_t* pixels, int32_t width, int32_t height, int32_t stride,
            const Layout& layout) {
    bool ok = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(width)) &&
              TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(height)) &&
              TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE) &&
              TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, layout.bitsPerSample) &&
              TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, layout.photometric) &&
              TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, layout.samplesPerPixel) &&
              TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(height));
    if (ok && layout.samplesPerPixel == 4) {
        // RGB needs three samples; a fourth must be declared, or readers guess what it is. The
        // camera's fourth byte or word is no real transparency, so it stays "unspecified".
        const uint16_t extra[1] = {EXTRASAMPLE_UNSPECIFIED};
        ok = TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    if (!ok) return false;

    // One strip (rows per strip = height) of scanlines; libtiff writes each scanline without
    // the buffer's row padding.
    for (int32_t r = 0; r < height; ++r) {
        const uint8_t* row = pixels + static_cast<size_t>(r) * static_cast<size_t>(stride);
        if (TIFFWriteScanline(tiff, const_cast<uint8_t*>(row), static_cast<uint32_t>(r), 0) < 0)
            return false;
    }
    return TIFFFlush(tiff) == 1;
}

}  // namespace

int32_t WriteTiffRows(const char* fileName, const uint8_t* pixels, int32_t width, int32_t height,
                      int32_t stride, int32_t bitsPerPixel) {
    Layout layout{};
    if (pixels == nullptr || width <= 0 || height <= 0 || !LayoutFor(bitsPerPixel, &layout))
        return 0;
    OutputFile file;
    if (!file.OpenForWriting(fileName)) return 0;
    TIFF* tiff = TIFFClientOpen(fileName, "w", &file, TiffRead, TiffWrite, TiffSeek, TiffClose,
                                TiffSize, TiffMap, TiffUnmap);
    if (tiff == nullptr) return FinishStillFile(file, false);
    const bool ok = Encode(tiff, pixels, width, height, stride, layout);
    TIFFClose(tiff);
    return FinishStillFile(file, ok);
}

}  // namespace rezive
