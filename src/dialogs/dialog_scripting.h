// Driving a shown dialog by control id, as a user would: each call acts on the dialog's thread,
// at once from that thread (the hook) and queued with a bounded wait from any other. Every call
// returns 1, or 0 for an unknown or ended dialog, a missing control, a control of the wrong
// kind, a disabled control (for the actions), a value it cannot take, or a dialog thread that
// did not answer in time.
#pragma once

#include <cstdint>

namespace rezive::dialogs {

int32_t ScriptKind(uint32_t dialog, int32_t* kind);
int32_t ScriptGetText(uint32_t dialog, int32_t id, char* text, int32_t size);
int32_t ScriptSetText(uint32_t dialog, int32_t id, const char* text);
int32_t ScriptSelectItem(uint32_t dialog, int32_t id, int32_t index);
int32_t ScriptGetSelection(uint32_t dialog, int32_t id, int32_t* index);
int32_t ScriptGetItemCount(uint32_t dialog, int32_t id, int32_t* count);
int32_t ScriptGetItemText(uint32_t dialog, int32_t id, int32_t index, char* text, int32_t size);
int32_t ScriptSelectTab(uint32_t dialog, int32_t index);
int32_t ScriptCheck(uint32_t dialog, int32_t id, int32_t checked);
int32_t ScriptIsChecked(uint32_t dialog, int32_t id, int32_t* checked);
int32_t ScriptSetPosition(uint32_t dialog, int32_t id, int32_t position);
int32_t ScriptGetPosition(uint32_t dialog, int32_t id, int32_t* position);
int32_t ScriptClick(uint32_t dialog, int32_t id);
int32_t ScriptIsEnabled(uint32_t dialog, int32_t id, int32_t* enabled);
int32_t ScriptEnd(uint32_t dialog);
// Also after the dialog has ended: 0 while shown, 1 OK, 2 Cancel.
int32_t ScriptResult(uint32_t dialog, int32_t* result);

}  // namespace rezive::dialogs
