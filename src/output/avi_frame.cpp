#include "output/avi_frame.h"

#include "imaging/conversions.h"

namespace rezive {

bool AviFrameBuffers::Prepare(int32_t width, int32_t height) {
    if (first24.Create(width, height, 24) && second24.Create(width, height, 24) &&
        gray8.Create(width, height, 8))
        return true;
    Release();
    return false;
}

void AviFrameBuffers::Release() {
    first24.Destroy();
    second24.Destroy();
    gray8.Destroy();
}

namespace {

std::span<const uint8_t> BytesOf(const CDibImage& image) {
    return {image.Bits(), image.SizeBytes()};
}

}  // namespace

std::span<const uint8_t> ConvertFrameForAvi(const CDibImage& source, AviFrameBuffers& work) {
    if (source.Empty() || work.second24.Empty() || source.Width() != work.second24.Width() ||
        source.Height() != work.second24.Height())
        return {};
    switch (source.BitsPerPixel()) {
        case 8:
            // The block copy expands each index through the source's colour table.
            if (!work.first24.Blit(&source, nullptr, 0, 0) ||
                !work.second24.Transfer(Color8To24Flipped, &work.first24, nullptr, 0, 0, nullptr))
                return {};
            return BytesOf(work.second24);
        case 16:
            if (!work.gray8.Transfer(Mono12To8Flipped, &source, nullptr, 0, 0, nullptr) ||
                !work.second24.Blit(&work.gray8, nullptr, 0, 0))
                return {};
            return BytesOf(work.second24);
        case 24:
        case 32:
            if (!work.second24.Transfer(Color8To24Flipped, &source, nullptr, 0, 0, nullptr))
                return {};
            return BytesOf(work.second24);
        case 48:
        case 64:
            if (!work.first24.Transfer(Color12To8Flipped, &source, nullptr, 0, 0, nullptr))
                return {};
            return BytesOf(work.first24);
        default: return {};
    }
}

}  // namespace rezive
