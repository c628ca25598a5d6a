#include "output.h"

#include <unistd.h>

#include <cstdio>

namespace rezive::cli {

Output::Output(bool json, Level level) : json_(json), level_(level) {}

bool Output::LiveProgress() const {
    return !json_ && level_ != Level::kQuiet && isatty(STDERR_FILENO) == 1;
}

void Output::Note(const std::string& line) const {
    if (level_ == Level::kQuiet) return;
    std::fprintf(stderr, "%s\n", line.c_str());
}

void Output::Detail(const std::string& line) const {
    if (level_ != Level::kVerbose) return;
    std::fprintf(stderr, "%s\n", line.c_str());
}

void Output::Progress(const std::string& line) {
    if (!LiveProgress()) return;
    // \r and clear-to-end-of-line redraw the same terminal line.
    std::fprintf(stderr, "\r%s\033[K", line.c_str());
    std::fflush(stderr);
    progressShown_ = true;
}

void Output::FinishProgress() {
    if (!progressShown_) return;
    std::fputc('\n', stderr);
    progressShown_ = false;
}

void Output::Result(const cli::Json& document, const std::string& text) const {
    if (json_) {
        std::printf("%s\n", document.Dump().c_str());
    } else if (!text.empty()) {
        std::fputs(text.c_str(), stdout);
        if (text.back() != '\n') std::fputc('\n', stdout);
    }
    std::fflush(stdout);
}

}  // namespace rezive::cli
