// JPEG writer on libjpeg: progressive, baseline-compatible quantisation tables.
//
// libjpeg reports fatal errors through error_exit, whose standard form ends the process; here it
// jumps back to the writer, which then returns 0. The compression runs in a function of its own
// whose locals are all plain data, so the jump skips no destructor.
#include <csetjmp>
#include <cstdio>
#include <new>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "imaging/dib_image.h"
#include "output/output_file.h"
#include "output/still_writers.h"

namespace rezive {

namespace {

constexpr size_t kOutputChunk = 64 * 1024;

struct ErrorManager {
    jpeg_error_mgr base;
    jmp_buf recovery;
};

void ErrorExit(j_common_ptr cinfo) {
    (*cinfo->err->output_message)(cinfo);
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->recovery, 1);
}

// Destination manager that hands libjpeg's output to an OutputFile in large chunks.
struct Destination {
    jpeg_destination_mgr base;
    OutputFile* file;
    JOCTET* buffer;
};

void InitDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    dest->base.next_output_byte = dest->buffer;
    dest->base.free_in_buffer = kOutputChunk;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    if (!dest->file->Write(dest->buffer, kOutputChunk)) ERREXIT(cinfo, JERR_FILE_WRITE);
    dest->base.next_output_byte = dest->buffer;
    dest->base.free_in_buffer = kOutputChunk;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    const size_t used = kOutputChunk - dest->base.free_in_buffer;
    if (used > 0 && !dest->file->Write(dest->buffer, used)) ERREXIT(cinfo, JERR_FILE_WRITE);
}

// Everything between setjmp and the last libjpeg call lives here; true when the whole image was
// compressed and written.
bool Compress(OutputFile& file, const CDibImage& image, int32_t quality, JOCTET* chunk,
              JSAMPLE* row) {
    jpeg_compress_struct cinfo;
    ErrorManager errors;
    Destination dest;
    cinfo.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = ErrorExit;
    if (setjmp(errors.recovery) != 0) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    dest.base.init_destination = InitDestination;
    dest.base.empty_output_buffer = EmptyOutputBuffer;
    dest.base.term_destination = TermDestination;
    dest.file = &file;
    dest.buffer = chunk;
    cinfo.dest = &dest.base;

    const bool gray = image.BitsPerPixel() == 8;
    const int32_t components = gray ? 1 : 3;
    cinfo.image_width = static_cast<JDIMENSION>(image.Width());
    cinfo.image_height = static_cast<JDIMENSION>(image.Height());
    cinfo.input_components = components;
    cinfo.in_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);

    // The image is bottom-up in memory: the top of the picture is the last memory row.
    const int32_t width = image.Width();
    for (int32_t r = image.Height() - 1; r >= 0; --r) {
        const uint8_t* src = image.Row(r);
        JSAMPROW line = row;
        if (gray) {
            line = const_cast<JSAMPLE*>(src);  // libjpeg only reads the row
        } else {
            for (int32_t c = 0; c < width; ++c) {
                row[3 * c + 0] = src[3 * c + 2];
                row[3 * c + 1] = src[3 * c + 1];
                row[3 * c + 2] = src[3 * c + 0];
            }
        }
        jpeg_write_scanlines(&cinfo, &line, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

}  // namespace

int32_t WriteJpeg(const char* fileName, const CDibImage& image, int32_t quality) {
    const uint16_t bpp = image.BitsPerPixel();
    if (image.Empty() || (bpp != 8 && bpp != 24)) return 0;
    std::vector<JOCTET> chunk;
    std::vector<JSAMPLE> row;
    try {
        chunk.resize(kOutputChunk);
        row.resize(static_cast<size_t>(image.Width()) * 3);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    OutputFile file;
    if (!file.OpenForWriting(fileName)) return 0;
    const bool ok = Compress(file, image, quality, chunk.data(), row.data());
    return FinishStillFile(file, ok);
}

}  // namespace rezive
