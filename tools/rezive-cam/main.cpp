// rezive-cam: the command-line tool; uses the public C API only.
#include <ReziveSdk.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int ListCameras() {
    const RzHandle camera = static_cast<RzHandle>(Rezive_Initialize(0));
    if (camera == 0) {
        std::fprintf(stderr, "rezive-cam: the camera object could not be created\n");
        return 1;
    }
    char names[32][256] = {};
    const int32_t count = Rezive_EnumDevice(camera, names);
    const int32_t error = Rezive_GetLastError(camera);
    if (count == 0 && error != 0) {
        std::printf("no cameras found (error %d)\n", error);
    } else {
        std::printf("%d camera(s)\n", count);
        for (int32_t i = 0; i < count && i < 32; ++i) std::printf("  %s\n", names[i]);
    }
    Rezive_Release(camera);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int32_t version = Rezive_GetDllVersion();
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("rezive-cam, library version %d (0x%08X)\n", version,
                    static_cast<unsigned>(version));
        return 0;
    }
    std::printf("ReziveSdk_417DIR_DEZ library version %d (0x%08X)\n", version,
                static_cast<unsigned>(version));
    return ListCameras();
}
