// The one exception type of rezive-cam: a failure with the SDK's error codes (oldest first) or,
// when the library gave none, a message of the tool's own. main() prints it and turns it into
// the exit status; Session's destructor releases the camera on the way out.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace rezive::cli {

// Exit statuses besides the SDK codes 1..13, which a failure returns as its status.
inline constexpr int kExitUsage = 64;       // bad command line
inline constexpr int kExitNoCode = 65;      // failed, and the library gave no error code
inline constexpr int kExitInterrupted = 130;  // stopped by Ctrl-C before the work was done

class CliError : public std::runtime_error {
public:
    // what: the operation that failed, in words ("saving shot.png").
    // cause: the system's reason where the library gave one (RzGetErrorDetail).
    CliError(std::string what, std::vector<int32_t> codes, std::string cause = {})
        : std::runtime_error(std::move(what)), codes_(std::move(codes)), cause_(std::move(cause)) {}
    explicit CliError(std::string what, int exitStatus = kExitNoCode)
        : std::runtime_error(std::move(what)), status_(exitStatus) {}

    const std::vector<int32_t>& Codes() const { return codes_; }
    const std::string& Cause() const { return cause_; }
    // What the user may do instead, where there is something ("--virtual ...").
    const std::string& Hint() const { return hint_; }
    CliError& WithHint(std::string hint) {
        hint_ = std::move(hint);
        return *this;
    }
    // The root cause: the first code recorded by the failing operation.
    int32_t Code() const { return codes_.empty() ? 0 : codes_.front(); }
    int ExitStatus() const { return codes_.empty() ? status_ : static_cast<int>(Code()); }

private:
    std::vector<int32_t> codes_;
    std::string cause_;
    std::string hint_;
    int status_ = kExitNoCode;
};

}  // namespace rezive::cli
