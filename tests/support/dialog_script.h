// Driving the property dialogs through the public scripting API: a hook that runs a test's
// script on the dialog's thread, and readers of control state.
#pragma once

#include <gtest/gtest.h>

#include <ReziveSdk.h>

#include <cstdio>

#include <functional>
#include <string>
#include <vector>

#include "platform/registry_file.h"
#include "support/api_camera_fixture.h"

namespace rezive::test {

using DialogScript = std::function<void(RzDialog dialog, int32_t kind)>;

// Installs script as the dialog hook for as long as it lives.
class ScopedDialogHook {
public:
    explicit ScopedDialogHook(DialogScript script) : script_(std::move(script)) {
        RzSetDialogHook(&ScopedDialogHook::Call, this);
    }
    ~ScopedDialogHook() { RzSetDialogHook(nullptr, nullptr); }
    ScopedDialogHook(const ScopedDialogHook&) = delete;
    ScopedDialogHook& operator=(const ScopedDialogHook&) = delete;
    int calls = 0;

private:
    static void Call(RzDialog dialog, int32_t kind, void* user) {
        auto* self = static_cast<ScopedDialogHook*>(user);
        ++self->calls;
        self->script_(dialog, kind);
    }
    DialogScript script_;
};

// A camera on a first run: no settings that an earlier test's release saved.
class FreshCameraTest : public ApiCameraTest {
protected:
    void SetUp() override {
        std::remove(platform::SettingsFilePath().c_str());
        ApiCameraTest::SetUp();
    }
};

inline std::string DialogText(RzDialog d, int32_t id) {
    char text[512] = {};
    return RzDialogGetText(d, id, text, sizeof text) == 1 ? text : "<none>";
}

inline std::vector<std::string> DialogItems(RzDialog d, int32_t id) {
    std::vector<std::string> items;
    int32_t count = 0;
    if (RzDialogGetItemCount(d, id, &count) != 1) return {"<none>"};
    for (int32_t i = 0; i < count; ++i) {
        char text[512] = {};
        items.push_back(RzDialogGetItemText(d, id, i, text, sizeof text) == 1 ? text : "<none>");
    }
    return items;
}

// The value an int getter reports, or -999 when the call fails.
inline int32_t DialogValue(int32_t (*get)(RzDialog, int32_t, int32_t*), RzDialog d, int32_t id) {
    int32_t value = 0;
    return get(d, id, &value) == 1 ? value : -999;
}
inline int32_t Selection(RzDialog d, int32_t id) { return DialogValue(RzDialogGetSelection, d, id); }
inline int32_t Position(RzDialog d, int32_t id) { return DialogValue(RzDialogGetPosition, d, id); }
inline int32_t Checked(RzDialog d, int32_t id) { return DialogValue(RzDialogIsChecked, d, id); }
inline int32_t Enabled(RzDialog d, int32_t id) { return DialogValue(RzDialogIsEnabled, d, id); }

}  // namespace rezive::test
