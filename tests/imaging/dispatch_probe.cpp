// A fresh process for the dispatch test: runs one dispatched kernel (the first dispatch, when
// the environment is read), prints the build it ran on, then changes the environment and
// prints the build again (which must not change within the process).
#include <cstdio>
#include <cstdlib>

#include "imaging/cpu_dispatch.h"
#include "imaging/dib_image.h"
#include "imaging/filters.h"

namespace {

const char* LevelName() {
    return rezive::dispatch::ActiveLevel() == rezive::dispatch::Level::kWide ? "wide" : "baseline";
}

}  // namespace

int main() {
    rezive::CDibImage img;
    if (img.Create(64, 2, 8) != 1) return 2;
    rezive::FilterParams p{10, 12};
    if (img.Transfer(rezive::BrightnessMono8, &img, nullptr, 0, 0, &p) != 1) return 3;
    std::printf("%s", LevelName());
    const char* value = std::getenv("REZIVE_FORCE_BASELINE");
    if (value != nullptr && value[0] == '1')
        unsetenv("REZIVE_FORCE_BASELINE");
    else
        setenv("REZIVE_FORCE_BASELINE", "1", 1);
    img.Transfer(rezive::BrightnessMono8, &img, nullptr, 0, 0, &p);
    std::printf(" %s\n", LevelName());
    return 0;
}
