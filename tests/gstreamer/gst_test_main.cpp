// The GStreamer tests load rezivesrc, which links the shared library: so does this program, and
// nothing of the internal core, or two copies of the library would share one process. The
// virtual camera looks at a still picture written here, so every frame is the same.
#include <gst/gst.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "gstreamer/still_scene.h"
#include "support/test_env.h"

namespace rezive::test {

bool WriteStillScene(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, kSceneWidth, kSceneHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(kSceneWidth * 3);
    for (int y = 0; y < kSceneHeight; ++y) {
        for (int x = 0; x < kSceneWidth; ++x) {
            row[3 * x] = static_cast<png_byte>(40 + 160 * x / kSceneWidth);    // red: left to right
            row[3 * x + 1] = static_cast<png_byte>(20 + 200 * y / kSceneHeight);  // green: downwards
            row[3 * x + 2] = static_cast<png_byte>(((x / 8 + y / 8) % 2) ? 180 : 60);  // checks
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

}  // namespace rezive::test

int main(int argc, char** argv) {
    rezive::test::IsolateProcess();
    const std::string scene = rezive::test::TempPath(".png");
    if (!rezive::test::WriteStillScene(scene)) return 2;
    setenv("REZIVE_VIRTUAL_SCENE", scene.c_str(), 1);
    setenv("REZIVE_VIRTUAL_CAMERAS", "1", 1);
    setenv("GST_PLUGIN_PATH", REZIVE_GST_PLUGIN_DIR, 1);
    // A registry of our own: the user's cache is neither read nor written.
    setenv("GST_REGISTRY", rezive::test::TempPath(".registry").c_str(), 1);
    gst_init(&argc, &argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
