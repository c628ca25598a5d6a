#include "session.h"

#include <csignal>
#include <cstdlib>

#include "cli_error.h"

namespace rezive::cli {
namespace {

volatile std::sig_atomic_t interrupted = 0;

// The first Ctrl-C asks the command to stop cleanly; a second one ends the process at once, for
// a library call that does not return soon.
void OnInterrupt(int signal) {
    if (interrupted) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    interrupted = 1;
}

constexpr int32_t kNameTableEntries = 16;  // the library fills at most 10

int32_t CountDevices(RzHandle handle) {
    char names[kNameTableEntries][256] = {};
    return Rezive_EnumDevice(handle, names);
}

}  // namespace

void InstallInterruptHandler() {
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool Interrupted() { return interrupted != 0; }

void ChooseDisplay(bool show, const Output& out) {
    if (!show) {
        setenv("REZIVE_PRESENTER", "headless", 0);
        return;
    }
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0')
        out.Note("rezive-cam: DISPLAY is not set; the preview window stays off screen");
}

Session::Session(const GlobalOptions& options, Output& out) : out_(out) {
    const char* configured = std::getenv("REZIVE_VIRTUAL_CAMERAS");
    const bool userChose = configured != nullptr && *configured != '\0';
    if (options.useVirtual && (!userChose || std::atoi(configured) < 1)) {
        setenv("REZIVE_VIRTUAL_CAMERAS", "1", 1);
    }
    window_ = RzCreateMessageWindow();
    if (window_ == 0) throw CliError("creating the message window failed");
    // A constructor that throws gets no destructor call: release what exists before leaving.
    try {
        Open(options, userChose);
    } catch (...) {
        Release();
        RzDestroyWindow(window_);
        throw;
    }
}

void Session::Open(const GlobalOptions& options, bool userChose) {
    Initialize();
    // Without its claim region the camera object is unusable; every later call would fail with
    // "no camera", which hides the cause. Say what failed, where and why instead.
    if (const std::string cause = ErrorDetail(); !cause.empty()) {
        throw CliError("opening the camera claim region", TakeErrors(), cause);
    }
    deviceCount_ = CountDevices(handle_);
    // The library reads REZIVE_VIRTUAL_CAMERAS when it probes for devices, so the fallback
    // needs a fresh camera object. A variable the user set (even to 0) is left as it is.
    if (deviceCount_ == 0 && !options.useVirtual && !userChose) {
        Release();
        setenv("REZIVE_VIRTUAL_CAMERAS", "1", 1);
        out_.Note("rezive-cam: no camera found; using a virtual camera (REZIVE_VIRTUAL_CAMERAS=1)");
        fellBack_ = true;
        Initialize();
        deviceCount_ = CountDevices(handle_);
    }
    for (const int32_t code : TakeErrors()) {
        out_.Detail("rezive-cam: camera set-up reported error " + std::to_string(code));
    }
    if (options.device != 0) {
        device_ = options.device;
        Check(Rezive_SetDeviceNumber(handle_, options.device),
              "selecting device " + std::to_string(options.device));
    }
}

Session::~Session() {
    Release();
    if (window_ != 0) RzDestroyWindow(window_);
}

void Session::Initialize() {
    handle_ = Rezive_Initialize(window_);
    if (handle_ == 0) throw CliError("creating the camera object failed");
}

void Session::Release() {
    if (handle_ == 0) return;
    // Release stops any acquisition (finishing a recording) and saves the settings.
    Rezive_Release(handle_);
    handle_ = 0;
}

std::string Session::ErrorDetail() const {
    const int32_t size = RzGetErrorDetail(handle_, nullptr, 0);
    if (size <= 0) return {};
    std::string text(static_cast<size_t>(size) + 1, '\0');
    RzGetErrorDetail(handle_, text.data(), size + 1);
    text.resize(static_cast<size_t>(size));
    return text;
}

std::vector<int32_t> Session::TakeErrors() {
    std::vector<int32_t> codes;
    RzMessage message;
    while (RzWaitMessage(window_, &message, 0) == 1) {
        if (message.message == RZ_WM_ERROR) codes.push_back(static_cast<int32_t>(message.lParam));
    }
    // Every recorded code was also posted; the history is emptied so that it cannot leak
    // into the next failure. It only adds something when no message arrived.
    std::vector<int32_t> history;
    for (int k = 0; k < 20; ++k) {
        const int32_t code = Rezive_GetLastError(handle_);
        if (code == 0) break;
        history.insert(history.begin(), code);  // popped newest first
    }
    if (codes.empty()) codes = std::move(history);
    return codes;
}

void Session::Check(int32_t result, const std::string& what) {
    if (result == 0) Fail(what);
}

void Session::Fail(const std::string& what) {
    throw CliError(what, TakeErrors());
}

}  // namespace rezive::cli
