// Shows a dialog: in the display's dialog view when there is one and it can show it here, else
// headless for the application's hook to drive.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "dialogs/dialog_model.h"
#include "dialogs/dialog_registry.h"

namespace rezive::dialogs {

// Whether a dialog can be shown at all: a display's dialog view or an installed hook.
bool DialogsAvailable();

// Runs the dialog on the calling thread until it ends; its result (kResultOk, kResultCancel),
// or 0 with the reason in *why when it could not be shown: no view could show it and no hook
// is installed to drive it.
int32_t RunDialog(const std::shared_ptr<DialogModel>& model, DialogKind kind,
                  uint64_t nativeParent, std::string* why);

}  // namespace rezive::dialogs
