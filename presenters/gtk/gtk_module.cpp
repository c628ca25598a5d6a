// Entry point of the GTK dialog module.
#include <cstdio>
#include <string>

#include "gtk_dialog_view.h"
#include "gtk_toolkit.h"

namespace {

void Note(char* note, size_t size, const std::string& text) {
    if (note != nullptr && size > 0) std::snprintf(note, size, "%s", text.c_str());
}

}  // namespace

extern "C" __attribute__((visibility("default"))) rezive::platform::DialogView*
rezive_create_dialog_view(uint32_t abi, char* note, size_t noteSize) {
    try {
        if (abi != rezive::platform::kDialogViewAbi) {
            Note(note, noteSize, "the GTK dialog module belongs to another library version");
            return nullptr;
        }
        std::string why;
        if (!rezive::gtk::StartToolkit(&why)) {
            Note(note, noteSize, why);
            return nullptr;
        }
        return new rezive::gtk::GtkDialogView();
    } catch (...) {
        Note(note, noteSize, "the GTK dialog module failed to start");
        return nullptr;
    }
}
