// The dialogs shown in this process, by the id scripts name them with, and the application's
// dialog hook.
#pragma once

#include <cstdint>
#include <memory>

#include "dialogs/dialog_model.h"

namespace rezive::dialogs {

enum class DialogKind : int32_t { kFormat = 1, kAnalog = 2, kImage = 3 };

// Called on the dialog's thread once the dialog is shown (or, without a display, once it is
// ready to be driven).
using DialogHook = void (*)(uint32_t dialog, int32_t kind, void* user);
void SetDialogHook(DialogHook hook, void* user);
bool DialogHookInstalled();
// Calls the hook, if one is installed.
void CallDialogHook(uint32_t dialog, DialogKind kind);

// A new id (never 0, not reused within the process) for the dialog while it is shown.
uint32_t RegisterDialog(const std::shared_ptr<DialogModel>& model, DialogKind kind);
// The dialog has ended with result; its result stays known for a while (the latest 64).
void UnregisterDialog(uint32_t id, int32_t result);
// The result of a dialog: 0 while it is shown, kResultOk or kResultCancel once it ended; false
// for an unknown id (or one ended too long ago).
bool DialogResult(uint32_t id, int32_t* result);
// The dialog of an id while it is shown; null once it has ended or for an unknown id.
std::shared_ptr<DialogModel> FindDialog(uint32_t id, DialogKind* kind = nullptr);

}  // namespace rezive::dialogs
