// Windows bitmap and raw dump writers.
#include <cstring>

#include "imaging/dib_image.h"
#include "output/output_file.h"
#include "output/still_writers.h"

namespace rezive {

namespace {

void PutLe16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void PutLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

int32_t WriteRaw(const char* fileName, const CDibImage& image) {
    if (image.Empty()) return 0;
    OutputFile file;
    if (!file.OpenForWriting(fileName)) return 0;
    return FinishStillFile(file, file.Write(image.Bits(), image.SizeBytes()));
}

int32_t WriteBmp(const char* fileName, const CDibImage& image) {
    if (image.Empty()) return 0;
    const bool withPalette = image.BitsPerPixel() <= 8;
    const uint32_t offset = withPalette ? 14 + 40 + 1024 : 14 + 40;
    // A bitmap's size field is 32-bit; no image of this camera comes near it.
    const uint64_t fileSize = offset + static_cast<uint64_t>(image.SizeBytes());
    if (fileSize > UINT32_MAX) return 0;

    uint8_t head[14 + 40];
    PutLe16(head, 0x4D42);  // "BM"
    PutLe32(head + 2, static_cast<uint32_t>(fileSize));
    PutLe32(head + 6, 0);
    PutLe32(head + 10, offset);
    std::memcpy(head + 14, &image.Info().header, 40);

    OutputFile file;
    if (!file.OpenForWriting(fileName)) return 0;
    bool ok = file.Write(head, sizeof head);
    if (ok && withPalette) {
        static_assert(sizeof(PaletteEntry) == 4);
        ok = file.Write(image.Info().colors.data(), 1024);
    }
    ok = ok && file.Write(image.Bits(), image.SizeBytes());
    return FinishStillFile(file, ok);
}

}  // namespace rezive
