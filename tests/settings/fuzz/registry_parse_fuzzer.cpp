// libFuzzer target over the settings-file parser: whatever the bytes, parsing must not crash,
// and the text written for the parsed tree must parse back to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/registry_tree.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace rezive::platform;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const RegistryNode tree = ParseRegistryText(text);
    const std::string once = SerializeRegistryText(tree);
    if (SerializeRegistryText(ParseRegistryText(once)) != once) std::abort();
    // Lookups over whatever was parsed, the way the settings store walks the tree.
    if (const RegistryNode* software = tree.Child("Software")) {
        if (const RegistryNode* camera = software->Child("Camera_00")) (void)camera->FindValue("Size");
    }
    return 0;
}
