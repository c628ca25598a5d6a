// One camera for the length of a command: finds the camera (falling back to a virtual one when
// none is attached), selects the device, turns the library's error reports into CliError, and
// releases the camera on every way out, which is also when the library saves the settings.
#pragma once

#include <ReziveSdk.h>

#include <cstdint>
#include <string>
#include <vector>

#include "output.h"

namespace rezive::cli {

struct GlobalOptions {
    int32_t device = 0;
    bool useVirtual = false;
    bool json = false;
    bool quiet = false;
    bool verbose = false;
};

class Session {
public:
    Session(const GlobalOptions& options, Output& out);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    RzHandle Handle() const { return handle_; }
    // The message window that receives the library's error and frame messages.
    RzWindow Window() const { return window_; }
    int32_t Device() const { return device_; }
    int32_t DeviceCount() const { return deviceCount_; }
    // True when the tool switched to the virtual camera because no camera was found.
    bool FellBack() const { return fellBack_; }

    // Throws CliError with the codes reported since the last ClearErrors when result is 0.
    void Check(int32_t result, const std::string& what);
    [[noreturn]] void Fail(const std::string& what);
    // The library's account of the newest failure with a system reason; empty when none.
    std::string ErrorDetail() const;
    // The error codes reported since the last call, oldest first (error messages of the
    // message window, then whatever the history still holds); other messages are dropped.
    std::vector<int32_t> TakeErrors();
    void ClearErrors() { TakeErrors(); }

private:
    void Open(const GlobalOptions& options, bool userChose);
    void Initialize();
    void Release();

    Output& out_;
    RzWindow window_ = 0;
    RzHandle handle_ = 0;
    int32_t device_ = 0;
    int32_t deviceCount_ = 0;
    bool fellBack_ = false;
};

// The cameras attached to the machine, each with whether it opens and why not.
std::vector<RzAttachedCamera> AttachedCameras();

// Before the first library call: without show, preview windows stay in memory even on a desktop
// (the terminal tool opens nothing unasked); with it, a note when there is no display to show on.
void ChooseDisplay(bool show, const Output& out);

// Ctrl-C: the handler only raises a flag; the command loops poll it and stop acquisition.
void InstallInterruptHandler();
bool Interrupted();

}  // namespace rezive::cli
