// The dialog-scripting companion API. Nothing here throws: the scripting calls catch inside.
#include "ReziveSdk.h"
#include "dialogs/dialog_registry.h"
#include "dialogs/dialog_scripting.h"

namespace {

template <typename Call>
int32_t Guarded(Call&& call) {
    try {
        return call();
    } catch (...) {
        return 0;
    }
}

}  // namespace

using namespace rezive::dialogs;

RZ_API int32_t RzSetDialogHook(RzDialogHook hook, void* user) {
    SetDialogHook(hook, user);
    return 1;
}
RZ_API int32_t RzDialogGetKind(RzDialog d, int32_t* kind) {
    return Guarded([&] { return ScriptKind(d, kind); });
}
RZ_API int32_t RzDialogGetText(RzDialog d, int32_t id, char* text, int32_t size) {
    return Guarded([&] { return ScriptGetText(d, id, text, size); });
}
RZ_API int32_t RzDialogSetText(RzDialog d, int32_t id, const char* text) {
    return Guarded([&] { return ScriptSetText(d, id, text); });
}
RZ_API int32_t RzDialogSelectItem(RzDialog d, int32_t id, int32_t index) {
    return Guarded([&] { return ScriptSelectItem(d, id, index); });
}
RZ_API int32_t RzDialogGetSelection(RzDialog d, int32_t id, int32_t* index) {
    return Guarded([&] { return ScriptGetSelection(d, id, index); });
}
RZ_API int32_t RzDialogGetItemCount(RzDialog d, int32_t id, int32_t* count) {
    return Guarded([&] { return ScriptGetItemCount(d, id, count); });
}
RZ_API int32_t RzDialogGetItemText(RzDialog d, int32_t id, int32_t index, char* text, int32_t size) {
    return Guarded([&] { return ScriptGetItemText(d, id, index, text, size); });
}
RZ_API int32_t RzDialogSelectTab(RzDialog d, int32_t index) {
    return Guarded([&] { return ScriptSelectTab(d, index); });
}
RZ_API int32_t RzDialogCheck(RzDialog d, int32_t id, int32_t checked) {
    return Guarded([&] { return ScriptCheck(d, id, checked); });
}
RZ_API int32_t RzDialogIsChecked(RzDialog d, int32_t id, int32_t* checked) {
    return Guarded([&] { return ScriptIsChecked(d, id, checked); });
}
RZ_API int32_t RzDialogSetPosition(RzDialog d, int32_t id, int32_t position) {
    return Guarded([&] { return ScriptSetPosition(d, id, position); });
}
RZ_API int32_t RzDialogGetPosition(RzDialog d, int32_t id, int32_t* position) {
    return Guarded([&] { return ScriptGetPosition(d, id, position); });
}
RZ_API int32_t RzDialogClick(RzDialog d, int32_t id) {
    return Guarded([&] { return ScriptClick(d, id); });
}
RZ_API int32_t RzDialogIsEnabled(RzDialog d, int32_t id, int32_t* enabled) {
    return Guarded([&] { return ScriptIsEnabled(d, id, enabled); });
}
RZ_API int32_t RzDialogEnd(RzDialog d) {
    return Guarded([&] { return ScriptEnd(d); });
}
RZ_API int32_t RzDialogGetResult(RzDialog d, int32_t* result) {
    return Guarded([&] { return ScriptResult(d, result); });
}
