#include "dialog_script.h"

#include <sstream>

#include "cli_error.h"
#include "parse.h"

namespace rezive::cli {
namespace {

int32_t Number(std::istringstream& words, int line) {
    std::string word;
    words >> word;
    const std::optional<int32_t> value = ParseInt(word);
    if (!value) throw CliError("script line " + std::to_string(line) + ": a number expected", kExitUsage);
    return *value;
}

}  // namespace

std::vector<DialogStep> ParseDialogScript(const std::string& text) {
    std::vector<DialogStep> steps;
    std::istringstream lines(text);
    std::string raw;
    int line = 0;
    while (std::getline(lines, raw)) {
        ++line;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        std::istringstream words(raw);
        std::string verb;
        if (!(words >> verb) || verb[0] == '#') continue;
        DialogStep step;
        step.line = line;
        if (verb == "ok" || verb == "cancel") {
            step.id = verb == "ok" ? 1 : 2;
        } else if (verb == "click") {
            step.id = Number(words, line);
        } else if (verb == "tab") {
            step.kind = DialogStep::kTab;
            step.value = Number(words, line);
        } else if (verb == "set") {
            step.kind = DialogStep::kSet;
            step.id = Number(words, line);
            std::getline(words >> std::ws, step.text);
        } else if (verb == "select" || verb == "check" || verb == "slide") {
            step.kind = verb == "select" ? DialogStep::kSelect
                        : verb == "check" ? DialogStep::kCheck
                                          : DialogStep::kSlide;
            step.id = Number(words, line);
            step.value = Number(words, line);
        } else {
            throw CliError("script line " + std::to_string(line) + ": unknown step \"" + verb + "\"",
                           kExitUsage);
        }
        steps.push_back(std::move(step));
    }
    return steps;
}

int RunDialogSteps(RzDialog dialog, const std::vector<DialogStep>& steps) {
    for (const DialogStep& s : steps) {
        int32_t done = 0;
        switch (s.kind) {
            case DialogStep::kSet: done = RzDialogSetText(dialog, s.id, s.text.c_str()); break;
            case DialogStep::kSelect: done = RzDialogSelectItem(dialog, s.id, s.value); break;
            case DialogStep::kTab: done = RzDialogSelectTab(dialog, s.value); break;
            case DialogStep::kCheck: done = RzDialogCheck(dialog, s.id, s.value); break;
            case DialogStep::kSlide: done = RzDialogSetPosition(dialog, s.id, s.value); break;
            case DialogStep::kClick: done = RzDialogClick(dialog, s.id); break;
        }
        if (done != 1) return s.line;
    }
    return 0;
}

}  // namespace rezive::cli
