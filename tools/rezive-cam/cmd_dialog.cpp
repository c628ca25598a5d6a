// dialog: opens a property dialog over the running preview and reports how it ended and which
// settings it changed. On a display (--show) the user drives it; without one, --script does.
#include <CLI/CLI.hpp>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>

#include "cli_error.h"
#include "commands.h"
#include "dialog_script.h"
#include "settings_read.h"

namespace rezive::cli {
namespace {

struct DialogOptions {
    std::string kind;
    std::string script;  // a file, or "-" for standard input
    bool show = false;
};

using ShowFunction = int32_t (*)(RzHandle, RzWindow);
const std::map<std::string, ShowFunction> kDialogs = {
    {"format", Rezive_SetCameraDlg}, {"analog", Rezive_SetAnalogDlg}, {"image", Rezive_SetImageDlg}};

// What the hook does on the dialog's thread; nothing in it throws.
struct HookState {
    const std::vector<DialogStep>* steps = nullptr;
    bool userDrives = false;  // a dialog on a display: what the script leaves open is the user's
    RzDialog dialog = 0;
    int refusedLine = 0;
};

void Hook(RzDialog dialog, int32_t, void* user) {
    auto* state = static_cast<HookState*>(user);
    state->dialog = dialog;
    state->refusedLine = RunDialogSteps(dialog, *state->steps);
    int32_t result = 0;
    RzDialogGetResult(dialog, &result);
    // Without a user to close it, a dialog the script left open (or broke off) is cancelled.
    if (result == 0 && (state->refusedLine != 0 || !state->userDrives)) RzDialogEnd(dialog);
}

std::string ReadScript(const std::string& source) {
    if (source == "-") return {std::istreambuf_iterator<char>(std::cin), {}};
    std::ifstream in(source, std::ios::binary);
    if (!in) throw CliError("cannot read the script " + source, kExitUsage);
    return {std::istreambuf_iterator<char>(in), {}};
}

bool DisplayConfigured() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

int RunDialog(const DialogOptions& options, Context& context, Output& out) {
    const ShowFunction show = kDialogs.at(options.kind);
    std::vector<DialogStep> steps;
    if (!options.script.empty()) steps = ParseDialogScript(ReadScript(options.script));
    const bool userDrives = options.show && DisplayConfigured();
    if (!userDrives && options.script.empty()) {
        throw CliError("without a display (--show) the dialog needs --script FILE, or - for "
                       "standard input",
                       kExitUsage);
    }
    ChooseDisplay(options.show, out);
    Session session(context.global, out);
    const RzHandle h = session.Handle();
    if (!options.show) session.Check(Rezive_SetPreviewWindow(h, 0, 0, 0, 0, 0), "turning the window off");
    session.ClearErrors();
    session.Check(Rezive_CallBackPreview(h, session.Window(), nullptr, 0, 1), "starting the preview");
    // Read once the preview runs: the start refreshes the exposure conversion.
    const SettingValues before = ReadAllSettings(session);

    HookState state;
    state.steps = &steps;
    state.userDrives = userDrives;
    RzSetDialogHook(Hook, &state);
    const int32_t shown = show(h, RzGetPreviewWindow(h));
    RzSetDialogHook(nullptr, nullptr);
    Rezive_StopPreview(h);
    session.Check(shown, "showing the " + options.kind + " dialog");
    if (state.refusedLine != 0) {
        throw CliError("script line " + std::to_string(state.refusedLine) +
                       ": the dialog refused the step (no such control, disabled, or a value it "
                       "cannot take); the dialog was cancelled");
    }
    int32_t result = 0;
    RzDialogGetResult(state.dialog, &result);
    const char* how = result == 1 ? "OK" : "Cancel";

    const SettingValues after = ReadAllSettings(session);
    Json changed = Json::MakeArray();
    size_t changes = 0;
    std::ostringstream text;
    text << options.kind << " dialog: " << how << "\n";
    for (size_t i = 0; i < before.size() && i < after.size(); ++i) {
        const SettingInfo& setting = *before[i].first;
        if (before[i].second == after[i].second) continue;
        Json change = Json::MakeObject();
        change.Set("setting", setting.name);
        change.Set("before", SettingValueJson(setting, before[i].second));
        change.Set("after", SettingValueJson(setting, after[i].second));
        changed.Push(std::move(change));
        ++changes;
        text << "  " << setting.name << ": " << FormatSettingValue(setting, before[i].second)
             << " -> " << FormatSettingValue(setting, after[i].second) << "\n";
    }
    if (changes == 0) text << "  nothing changed\n";
    Json document = Json::MakeObject();
    document.Set("dialog", options.kind);
    document.Set("result", result == 1 ? "ok" : "cancel");
    document.Set("changed", std::move(changed));
    out.Result(document, text.str());
    return 0;
}

}  // namespace

Command AddDialogCommand(CLI::App& app) {
    auto options = std::make_shared<DialogOptions>();
    CLI::App* command = app.add_subcommand(
        "dialog", "Open the format, analog or image property dialog over the running preview");
    command->add_option("kind", options->kind, "format, analog or image")
        ->required()
        ->check(CLI::IsMember({"format", "analog", "image"}));
    command->add_option("--script", options->script,
                        "drive the dialog with the steps of FILE (- reads standard input)");
    command->add_flag("--show", options->show,
                      "show the dialog and the preview window on the display");
    command->footer(
        "Script steps, one per line: set ID TEXT | select ID INDEX | tab INDEX | check ID 0|1 | "
        "slide ID POS | click ID | ok | cancel. Without a display a dialog the script leaves "
        "open is cancelled.");
    return {command, [options](Context& context, Output& out) {
                return RunDialog(*options, context, out);
            }};
}

}  // namespace rezive::cli
