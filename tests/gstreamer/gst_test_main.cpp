// The GStreamer tests load rezivesrc, which links the shared library: so does this program, and
// nothing of the internal core, or two copies of the library would share one process. The
// virtual camera looks at a still picture written here, so every frame is the same.
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "gstreamer/still_scene.h"
#include "support/test_env.h"
#include "virtual_camera/png_writer.h"

namespace rezive::test {

bool WriteStillScene(const std::string& path) {
    std::vector<uint16_t> rgb;
    rgb.reserve(static_cast<size_t>(kSceneWidth) * kSceneHeight * 3);
    for (int y = 0; y < kSceneHeight; ++y) {
        for (int x = 0; x < kSceneWidth; ++x) {
            rgb.push_back(static_cast<uint16_t>(40 + 160 * x / kSceneWidth));   // red: rightwards
            rgb.push_back(static_cast<uint16_t>(20 + 200 * y / kSceneHeight));  // green: downwards
            rgb.push_back(((x / 8 + y / 8) % 2) ? 180 : 60);                      // blue: checks
        }
    }
    return WritePng(path, kSceneWidth, kSceneHeight, 3, 8, rgb);
}

}  // namespace rezive::test

// GLib allocates a block in its library constructor that it never frees; a leak check of a
// sanitized build would report it in every test. GLib has no frame pointers, so only the slow
// unwinder sees that the block comes from a library constructor.
extern "C" const char* __lsan_default_suppressions() { return "leak:_dl_init\n"; }
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }

int main(int argc, char** argv) {
    rezive::test::IsolateProcess();
    const std::string scene = rezive::test::TempPath(".png");
    if (!rezive::test::WriteStillScene(scene)) return 2;
    setenv("REZIVE_VIRTUAL_SCENE", scene.c_str(), 1);
    setenv("REZIVE_VIRTUAL_CAMERAS", "1", 1);
    setenv("GST_PLUGIN_PATH", REZIVE_GST_PLUGIN_DIR, 1);
    // A registry of our own: the user's cache is neither read nor written, and a plugin one
    // process failed to load is not left marked as broken for the next.
    setenv("GST_REGISTRY", rezive::test::TempPath(".registry").c_str(), 1);
    gst_init(&argc, &argv);
    testing::InitGoogleTest(&argc, argv);
    const int status = RUN_ALL_TESTS();
    gst_deinit();  // GStreamer's own memory goes back before the leak check looks
    return status;
}
