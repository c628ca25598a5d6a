#include "output/avi_frame.h"

#include "imaging/conversions.h"

namespace rezive {

bool AviFrameBuffers::Prepare(int32_t width, int32_t height) {
    if (frame24.Create(width, height, 24)) return true;
    Release();
    return false;
}

void AviFrameBuffers::Release() {
    frame24.Destroy();
}

std::span<const uint8_t> ConvertFrameForAvi(const CDibImage& source, AviFrameBuffers& work) {
    CDibImage& frame = work.frame24;
    if (source.Empty() || frame.Empty() || source.Width() != frame.Width() ||
        source.Height() != frame.Height())
        return {};
    PixelKernel kernel = nullptr;
    ColorTable24 table;
    const void* param = nullptr;
    switch (source.BitsPerPixel()) {
        case 8:
            // Each index through the source's own colour table.
            table = MakeColorTable24(source.Info().colors.data());
            param = &table;
            kernel = Index8To24Flipped;
            break;
        case 16:
            // The top eight of twelve bits as gray.
            param = &GrayColorTable24();
            kernel = Mono12To24Flipped;
            break;
        case 24:
        case 32: kernel = Color8To24Flipped; break;
        case 48:
        case 64: kernel = Color12To8Flipped; break;
        default: return {};
    }
    if (!frame.Transfer(kernel, &source, nullptr, 0, 0, const_cast<void*>(param))) return {};
    return {frame.Bits(), frame.SizeBytes()};
}

}  // namespace rezive
