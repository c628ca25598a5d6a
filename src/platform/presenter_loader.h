// Chooses and loads the display presenter module.
#pragma once

#include <memory>
#include <string>

#include "platform/dialog_view.h"
#include "platform/window_system.h"

namespace rezive::platform {

// The X11 presenter when DISPLAY names a display that answers, else null (headless). Headless
// without a word when no display is configured (or REZIVE_PRESENTER=headless); with one note on
// stderr when a display is configured but the module or the display fails.
std::shared_ptr<Presenter> LoadDisplayPresenter();

// Loads the module and connects it to the given display; null with the reason in *note.
// The module is looked for in REZIVE_PRESENTER_DIR, else next to the library (or program) that
// holds this code.
std::shared_ptr<Presenter> LoadX11Presenter(const std::string& display, std::string* note);

// The GTK dialog view when a display is configured (DISPLAY or WAYLAND_DISPLAY) and the module
// starts, else null; one note on stderr when a display is configured but the module fails.
std::shared_ptr<DialogView> LoadDisplayDialogView();
// Loads the GTK dialog module and starts its toolkit; null with the reason in *note.
std::shared_ptr<DialogView> LoadGtkDialogView(std::string* note);

}  // namespace rezive::platform
