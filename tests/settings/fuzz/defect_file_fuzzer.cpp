// libFuzzer target over the defect-pixel file: the input's leading bytes are the file, a few
// trailing bytes choose the capture window, mirroring and sample width of the frame the list
// is then applied to, the way a loaded list is used on every frame. Reading must decode exactly
// the whole records in file order, and correcting must stay inside the frame whatever the
// coordinates.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "acquisition/defect_correction.h"
#include "acquisition/defect_list.h"
#include "imaging/dib_image.h"
#include "settings/defect_file.h"
#include "settings/records.h"
#include "support/fuzz_scratch.h"

namespace {

int32_t LittleEndian32(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    rezive::test::MakeFuzzScratchFile("rezive-defect-fuzz");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace rezive;
    FuzzedDataProvider in(data, size);
    // Integers come from the input's end, so the file is a plain prefix of the input.
    CaptureGeometry window;
    window.width = in.ConsumeIntegralInRange<int32_t>(1, 48);
    window.height = in.ConsumeIntegralInRange<int32_t>(1, 48);
    window.xOffset = in.ConsumeIntegralInRange<int32_t>(0, 1280 - window.width);
    window.yOffset = in.ConsumeIntegralInRange<int32_t>(0, 720 - window.height);
    const uint8_t flags = in.ConsumeIntegral<uint8_t>();
    const std::vector<uint8_t> file = in.ConsumeRemainingBytes<uint8_t>();

    if (FILE* f = std::fopen(rezive::test::FuzzScratchPath().c_str(), "wb")) {
        if (!file.empty() && std::fwrite(file.data(), 1, file.size(), f) != file.size()) std::abort();
        std::fclose(f);
    } else {
        std::abort();
    }
    std::vector<settings::DefectPoint> read;
    if (!settings::ReadDefectFile(rezive::test::FuzzScratchPath().c_str(), &read)) std::abort();
    if (read.size() != file.size() / 8) std::abort();
    for (size_t i = 0; i < read.size(); ++i) {
        if (read[i].x != LittleEndian32(&file[8 * i]) || read[i].y != LittleEndian32(&file[8 * i + 4]))
            std::abort();
    }

    std::vector<DefectPoint> points;
    for (const auto& p : read) points.push_back({p.x, p.y});
    DefectList list;
    list.Replace(std::move(points));
    // The raw frame is normally the window's size; a frame a row or column off must not let a
    // listed pixel be written outside it.
    const int32_t dw = (flags >> 3) & 3, dh = (flags >> 5) & 3;
    const int32_t width = std::max(1, window.width + (dw == 3 ? -1 : dw));
    const int32_t height = std::max(1, window.height + (dh == 3 ? -1 : dh));
    CDibImage raw;
    if (raw.Create(width, height, (flags & 4) ? 16 : 8) == 0) std::abort();
    for (int32_t r = 0; r < height; ++r) {
        for (int32_t b = 0; b < raw.Stride(); ++b) raw.Row(r)[b] = static_cast<uint8_t>(r * 7 + b);
    }
    CorrectDefects(raw, list, window, (flags & 1) != 0, (flags & 2) != 0);
    return 0;
}
