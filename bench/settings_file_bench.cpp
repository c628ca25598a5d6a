// Cost of the settings file: parsing and writing back the tree, and one whole group save (lock,
// read, replace with fsync), which runs at every release and device switch.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/registry_tree.h"
#include "settings/settings_store.h"

namespace {

using namespace rezive;

// A settings file of `cameras` cameras with every group, as a long-used installation has.
std::string TypicalFile(int cameras) {
    platform::RegistryNode root;
    platform::RegistryNode* base = root.AddChild("Software")->AddChild("Ruredo")->AddChild("Rezive417DIRVUDSdk");
    base->listed = true;
    for (int c = 0; c < cameras; ++c) {
        platform::RegistryNode* camera = base->AddChild("Camera_0" + std::to_string(c));
        camera->listed = true;
        for (const char* v : {"Size", "Color", "SubSample", "WaitTime", "Clock"}) camera->SetDword(v, 2);
        for (const char* group : {"Gain", "Filter", "Gray", "Size_00", "Size_01", "Size_02"}) {
            platform::RegistryNode* key = camera->AddChild(group);
            key->listed = true;
            for (int i = 0; i < 10; ++i) key->SetDword("Value" + std::to_string(i), static_cast<uint32_t>(-i));
        }
    }
    return platform::SerializeRegistryText(root);
}

// A damaged file: one key with a great many values, the worst case for value lookups.
std::string HugeKey(int values) {
    std::string text = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Big]\r\n";
    for (int i = 0; i < values; ++i) text += "\"v" + std::to_string(i) + "\"=dword:0000002a\r\n";
    return text;
}

void BM_ParseAndWriteBack(benchmark::State& state, std::string text) {
    for (auto _ : state) {
        std::string out = platform::SerializeRegistryText(platform::ParseRegistryText(text));
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK_CAPTURE(BM_ParseAndWriteBack, typical_4_cameras, TypicalFile(4));
BENCHMARK_CAPTURE(BM_ParseAndWriteBack, damaged_100k_values_in_one_key, HugeKey(100000));

void BM_SaveAnalogGroup(benchmark::State& state) {
    char folder[] = "/tmp/rezive-bench-XXXXXX";
    if (!mkdtemp(folder)) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string path = std::string(folder) + "/settings.reg";
    setenv("REZIVE_SETTINGS_FILE", path.c_str(), 1);
    AnalogSettings analog;
    int32_t exposure = 1;
    for (auto _ : state) {
        analog.exposure = exposure++;  // a real change each time: the file is replaced
        benchmark::DoNotOptimize(settings::SaveAnalogGroup(analog, 0));
    }
    unlink(path.c_str());
    unlink((path + ".lock").c_str());
    rmdir(folder);
}
BENCHMARK(BM_SaveAnalogGroup)->Unit(benchmark::kMicrosecond);

}  // namespace
