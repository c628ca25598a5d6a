// Scene pictures from PNG files (REZIVE_VIRTUAL_SCENE).
#include <png.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "virtual_camera/scene.h"

namespace rezive::virtual_camera {
namespace {

// 16 megapixels: far more than the 1280 x 720 array resamples from, and still only about 200 MB
// while decoding (16-bit RGB rows plus the copy that is resampled).
constexpr uint64_t kMaxPixels = uint64_t{4096} * 4096;

// A damaged picture is reported by the result, not on the user's terminal.
void SilentError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void SilentWarning(png_structp, png_const_charp) {}

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

// Decodes into 16-bit RGB (8-bit values v become v << 8). libpng reports errors by longjmp, so
// everything this function owns is created before the jump point and is trivially unwound.
bool DecodePng(FILE* file, std::vector<uint16_t>* rgb, uint32_t* width, uint32_t* height) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, SilentError, SilentWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    // Held through a pointer that does not change after setjmp, so the jump leaves it valid.
    struct Buffers {
        std::vector<png_bytep> rows;
        std::vector<uint8_t> pixels;
    };
    const auto buffers = std::make_unique<Buffers>();
    auto& rows = buffers->rows;
    auto& pixels = buffers->pixels;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_init_io(png, file);
    // libpng reads a metadata chunk whole into memory of the length the chunk declares (its
    // length limit only warns when reading), so a file of a few bytes that declares a text chunk
    // of gigabytes would get that much. A scene needs none of them: they are skipped unread.
    static constexpr png_byte kSkipped[] = "iCCP\0sPLT\0tEXt\0zTXt\0iTXt\0eXIf";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kSkipped, 6);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // A fuzzer's mutations would almost never keep the chunk checksums right.
    png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#endif
    png_read_info(png, info);
    const uint32_t w = png_get_image_width(png, info);
    const uint32_t h = png_get_image_height(png, info);
    const int depth = png_get_bit_depth(png, info);
    const int type = png_get_color_type(png, info);
    // The header alone decides how much is allocated below, and a file of a few bytes can claim
    // any size: pictures past kMaxPixels are refused before anything is allocated for them.
    if (w == 0 || h == 0 || w > 16384 || h > 16384 || uint64_t{w} * h > kMaxPixels) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_expand(png);  // palette, low-depth gray and tRNS to 8-bit RGB(A)/gray
    if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    png_set_strip_alpha(png);
    if (depth == 16) png_set_swap(png);  // to host order (little-endian)
    png_read_update_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    const bool sixteen = png_get_bit_depth(png, info) == 16;
    pixels.resize(rowBytes * h);
    rows.resize(h);
    for (uint32_t y = 0; y < h; ++y) rows[y] = pixels.data() + rowBytes * y;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);

    rgb->assign(static_cast<size_t>(w) * h * 3, 0);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w * 3; ++x) {
            const size_t i = static_cast<size_t>(y) * w * 3 + x;
            if (sixteen) {
                const uint8_t* p = rows[y] + 2 * x;
                (*rgb)[i] = static_cast<uint16_t>(p[0] | (p[1] << 8));
            } else {
                (*rgb)[i] = static_cast<uint16_t>(rows[y][x] << 8);
            }
        }
    }
    *width = w;
    *height = h;
    return true;
}

}  // namespace

bool Scene::FromPng(const std::string& path, Scene* out) {
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    std::vector<uint16_t> decoded;
    uint32_t w = 0, h = 0;
    if (!DecodePng(file.get(), &decoded, &w, &h)) return false;
    std::vector<uint16_t> rgb(static_cast<size_t>(kArrayWidth) * kArrayHeight * 3);
    // Nearest-neighbour onto the array; a picture of the array's size maps one to one.
    for (int32_t y = 0; y < kArrayHeight; ++y) {
        const uint32_t sy = static_cast<uint32_t>(static_cast<uint64_t>(y) * h / kArrayHeight);
        for (int32_t x = 0; x < kArrayWidth; ++x) {
            const uint32_t sx = static_cast<uint32_t>(static_cast<uint64_t>(x) * w / kArrayWidth);
            for (int ch = 0; ch < 3; ++ch) {
                rgb[(static_cast<size_t>(y) * kArrayWidth + x) * 3 + ch] =
                    decoded[(static_cast<size_t>(sy) * w + sx) * 3 + ch];
            }
        }
    }
    *out = FromRgb(rgb, false);
    return true;
}

}  // namespace rezive::virtual_camera
