#include "dialogs/dialog_scripting.h"

#include <cstring>
#include <functional>
#include <string>

#include "dialogs/dialog_registry.h"
#include "dialogs/dialog_templates.h"

namespace rezive::dialogs {
namespace {

// A script waits this long for a dialog thread that is busy (drawing, or a slow device write).
constexpr std::chrono::milliseconds kScriptWait{5000};

// Runs body(model, control index) on the dialog's thread; body returns the call's result.
int32_t OnControl(uint32_t dialog, int32_t id,
                  const std::function<int32_t(DialogModel&, int32_t)>& body) {
    std::shared_ptr<DialogModel> model = FindDialog(dialog);
    if (!model) return 0;
    int32_t result = 0;
    const bool ran = model->Call(
        [&] {
            const int32_t index = model->FindShown(id);
            if (index >= 0) result = body(*model, index);
        },
        kScriptWait);
    return ran ? result : 0;
}

bool Is(const DialogControl& c, ControlKind a, ControlKind b = ControlKind::Static) {
    return c.kind == a || (b != ControlKind::Static && c.kind == b);
}

// A user action on an enabled control; 1 when the model took it.
int32_t Act(DialogModel& model, int32_t index, ControlEventKind kind, int32_t value = 0,
            std::string text = {}) {
    if (!model.At(index).enabled) return 0;
    ControlEvent event;
    event.control = index;
    event.kind = kind;
    event.value = value;
    event.text = std::move(text);
    model.Handle(event);
    return 1;
}

int32_t CopyText(const std::string& text, char* out, int32_t size) {
    if (out == nullptr || size <= 0 || text.size() >= static_cast<size_t>(size)) return 0;
    std::memcpy(out, text.c_str(), text.size() + 1);
    return 1;
}

template <typename T>
int32_t Output(T* out, T value) {
    if (out == nullptr) return 0;
    *out = value;
    return 1;
}

}  // namespace

int32_t ScriptKind(uint32_t dialog, int32_t* kind) {
    DialogKind k{};
    if (!FindDialog(dialog, &k) || kind == nullptr) return 0;
    *kind = static_cast<int32_t>(k);
    return 1;
}

int32_t ScriptGetText(uint32_t dialog, int32_t id, char* text, int32_t size) {
    if (text == nullptr || size <= 0) return 0;
    return OnControl(dialog, id, [&](DialogModel& m, int32_t i) { return CopyText(m.At(i).text, text, size); });
}

int32_t ScriptSetText(uint32_t dialog, int32_t id, const char* text) {
    if (text == nullptr) return 0;
    return OnControl(dialog, id, [&](DialogModel& m, int32_t i) {
        return Is(m.At(i), ControlKind::Edit) ? Act(m, i, ControlEventKind::TextChanged, 0, text) : 0;
    });
}

int32_t ScriptSelectItem(uint32_t dialog, int32_t id, int32_t index) {
    return OnControl(dialog, id, [&](DialogModel& m, int32_t i) {
        const DialogControl& c = m.At(i);
        if (!Is(c, ControlKind::DropDown, ControlKind::Tab)) return 0;
        if (index < 0 || static_cast<size_t>(index) >= c.items.size()) return 0;
        return Act(m, i, ControlEventKind::SelectionChanged, index);
    });
}

int32_t ScriptGetSelection(uint32_t dialog, int32_t id, int32_t* index) {
    if (index == nullptr) return 0;
    return OnControl(dialog, id, [&](DialogModel& m, int32_t i) {
        const DialogControl& c = m.At(i);
        return Is(c, ControlKind::DropDown, ControlKind::Tab) ? Output(index, c.selection) : 0;
    });
}

int32_t ScriptGetItemCount(uint32_t dialog, int32_t id, int32_t* count) {
    if (count == nullptr) return 0;
    return OnControl(dialog, id, [&](DialogModel& m, int32_t i) {
        const DialogControl& c = m.At(i);
        return Is(c, ControlKind::DropDown, ControlKind::Tab)
                   ? Output(count, static_cast<int32_t>(c.items.size()))
                   : 0;
    });
}

int32_t ScriptGetItemText(uint32_t dialog, int32_t id, int32_t index, char* text, int32_t size) {
    if (text == nullptr || size <= 0) return 0;
    return OnControl(dialog, id, [&](DialogModel& m, int32_t i) {
        const DialogControl& c = m.At(i);
        if (!Is(c, ControlKind::DropDown, ControlKind::Tab)) return 0;
        if (index < 0 || static_cast<size_t>(index) >= c.items.size()) return 0;
        return CopyText(c.items[static_cast<size_t>(index)], text, size);
    });
}

int32_t ScriptSelectTab(uint32_t dialog, int32_t index) { return ScriptSelectItem(dialog, kIdTab, index); }

int32_t ScriptCheck(uint32_t dialog, int32_t id, int32_t checked) {
    return OnControl(dialog, id, [&](DialogModel& m, int32_t i) {
        const DialogControl& c = m.At(i);
        if (!Is(c, ControlKind::CheckBox, ControlKind::RadioButton)) return 0;
        if (c.checked == (checked != 0)) return c.enabled ? 1 : 0;
        // A radio button is unchecked only by checking another one of its group.
        if (c.kind == ControlKind::RadioButton && checked == 0) return 0;
        return Act(m, i, ControlEventKind::Clicked);
    });
}

int32_t ScriptIsChecked(uint32_t dialog, int32_t id, int32_t* checked) {
    if (checked == nullptr) return 0;
    return OnControl(dialog, id, [&](DialogModel& m, int32_t i) {
        const DialogControl& c = m.At(i);
        return Is(c, ControlKind::CheckBox, ControlKind::RadioButton) ? Output(checked, c.checked ? 1 : 0) : 0;
    });
}

int32_t ScriptSetPosition(uint32_t dialog, int32_t id, int32_t position) {
    return OnControl(dialog, id, [&](DialogModel& m, int32_t i) {
        return Is(m.At(i), ControlKind::Trackbar) ? Act(m, i, ControlEventKind::Scrolled, position) : 0;
    });
}

int32_t ScriptGetPosition(uint32_t dialog, int32_t id, int32_t* position) {
    if (position == nullptr) return 0;
    return OnControl(dialog, id, [&](DialogModel& m, int32_t i) {
        const DialogControl& c = m.At(i);
        return Is(c, ControlKind::Trackbar, ControlKind::UpDown) ? Output(position, c.position) : 0;
    });
}

int32_t ScriptClick(uint32_t dialog, int32_t id) {
    return OnControl(dialog, id, [&](DialogModel& m, int32_t i) {
        const DialogControl& c = m.At(i);
        if (!Is(c, ControlKind::PushButton, ControlKind::CheckBox) && !Is(c, ControlKind::RadioButton)) return 0;
        return Act(m, i, ControlEventKind::Clicked);
    });
}

int32_t ScriptIsEnabled(uint32_t dialog, int32_t id, int32_t* enabled) {
    if (enabled == nullptr) return 0;
    return OnControl(dialog, id, [&](DialogModel& m, int32_t i) { return Output(enabled, m.At(i).enabled ? 1 : 0); });
}

int32_t ScriptEnd(uint32_t dialog) {
    std::shared_ptr<DialogModel> model = FindDialog(dialog);
    if (!model) return 0;
    model->RequestCancel();
    return 1;
}

int32_t ScriptResult(uint32_t dialog, int32_t* result) {
    return result != nullptr && DialogResult(dialog, result) ? 1 : 0;
}

}  // namespace rezive::dialogs
