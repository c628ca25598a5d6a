// Where rezive-cam's words go: results on standard output (text or one JSON document), notes
// and progress on standard error, so that a script can parse stdout whatever the verbosity.
#pragma once

#include <string>

#include "json.h"

namespace rezive::cli {

class Output {
public:
    enum class Level { kQuiet, kNormal, kVerbose };

    Output(bool json, Level level);

    bool Json() const { return json_; }
    bool Verbose() const { return level_ == Level::kVerbose; }
    // True when progress lines may be drawn: stderr is a terminal and the output is for people.
    bool LiveProgress() const;

    // One informational line on stderr (suppressed by -q).
    void Note(const std::string& line) const;
    // One detail line on stderr, only with -v.
    void Detail(const std::string& line) const;
    // A self-overwriting progress line on a terminal; Finish ends it with a newline.
    void Progress(const std::string& line);
    void FinishProgress();

    // The result of a command: with --json the document on stdout, else the text as given.
    void Result(const cli::Json& document, const std::string& text) const;

private:
    bool json_;
    Level level_;
    bool progressShown_ = false;
};

}  // namespace rezive::cli
