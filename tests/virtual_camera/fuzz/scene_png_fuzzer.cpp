// libFuzzer target over the virtual camera's scene pictures (REZIVE_VIRTUAL_SCENE): the input is
// the picture file. Decoding must never crash, leak or fail hard, and a decoded scene must read
// out at every window corner and orientation.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/fuzz_scratch.h"
#include "virtual_camera/scene.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    rezive::test::MakeFuzzScratchFile("rezive-scene-fuzz");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace rezive::virtual_camera;
    FILE* f = std::fopen(rezive::test::FuzzScratchPath().c_str(), "wb");
    if (f == nullptr) std::abort();
    if (size != 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);

    Scene scene;
    if (!Scene::FromPng(rezive::test::FuzzScratchPath(), &scene)) return 0;
    if (scene.moving() || scene.mosaic() == nullptr) std::abort();

    static std::vector<uint16_t> lut8, lut16;
    if (lut8.empty()) {
        BuildResponse(637, 0x02, false, &lut8);
        BuildResponse(637, 0x02, true, &lut16);
    }
    // Small windows at the array's corners, plain and mirrored, 8 and 16 bits; the output
    // buffer is exactly the window's size.
    static constexpr int32_t kStarts[][2] = {{0, 0}, {1280 - 6, 0}, {0, 720 - 4}, {1280 - 6, 720 - 4}};
    for (int i = 0; i < 4; ++i) {
        ReadoutParams p;
        p.columnStart = kStarts[i][0];
        p.rowStart = kStarts[i][1];
        p.width = 6;
        p.height = 4;
        p.mirrorH = (i & 1) != 0;
        p.mirrorV = (i & 2) != 0;
        p.sixteen = (i & 1) != 0;
        p.stamp = false;
        std::vector<uint8_t> out(static_cast<size_t>(p.width) * p.height * (p.sixteen ? 2 : 1));
        ReadOut(scene, p, p.sixteen ? lut16.data() : lut8.data(), out.data(), out.size());
    }
    return 0;
}
