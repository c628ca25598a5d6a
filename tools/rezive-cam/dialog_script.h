// The little language of `rezive-cam dialog --script`: one step per line, run on the dialog
// through the public scripting API.
//
//   set ID TEXT       type TEXT into edit ID
//   select ID INDEX   choose item INDEX of drop-down list ID
//   tab INDEX         show tab INDEX
//   check ID 0|1      check or uncheck box (or radio button) ID
//   slide ID POS      move trackbar ID to POS
//   click ID          click button ID
//   ok | cancel       click OK or Cancel
// Blank lines and lines starting with '#' are skipped.
#pragma once

#include <ReziveSdk.h>

#include <cstdint>
#include <string>
#include <vector>

namespace rezive::cli {

struct DialogStep {
    enum Kind { kSet, kSelect, kTab, kCheck, kSlide, kClick } kind = kClick;
    int32_t id = 0;
    int32_t value = 0;
    std::string text;
    int line = 0;
};

// Parses the whole script first, so a typing error is reported before the dialog opens; throws
// CliError (bad command line) naming the line.
std::vector<DialogStep> ParseDialogScript(const std::string& text);

// Runs the steps; the line of the first step the dialog refused, or 0 when all ran.
int RunDialogSteps(RzDialog dialog, const std::vector<DialogStep>& steps);

}  // namespace rezive::cli
