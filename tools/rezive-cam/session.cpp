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

// Whose failure RzGetErrorDetail explains: the device's, not the caller's.
bool IsDeviceFailure(int32_t code) {
    return code == RZ_ERR_DEVICE_UNAVAILABLE || code == RZ_ERR_REGISTER ||
           code == RZ_ERR_TRANSFER || code == RZ_ERR_NO_FRAME;
}

constexpr const char* kVirtualHint =
    "rezive-cam --virtual uses the virtual camera on purpose";

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
    // The virtual camera stands in only for a camera that is not there at all. One that is
    // attached but fails is an error: a script that took test patterns from a virtual camera
    // while the real one is broken would report success for every part it never saw.
    if (deviceCount_ == 0 && !options.useVirtual) {
        const std::vector<RzAttachedCamera> attached = AttachedCameras();
        for (const RzAttachedCamera& camera : attached) {
            if (camera.cause == RZ_CAUSE_NONE) continue;
            throw CliError(std::string("opening the ") + camera.location,
                           {camera.error != 0 ? camera.error : RZ_ERR_DEVICE_UNAVAILABLE},
                           camera.reason)
                .WithHint(kVirtualHint);
        }
        // Every attached camera opens now: one was busy a moment ago (a program that held it
        // has just let go). Look again rather than work without it.
        if (!attached.empty()) deviceCount_ = CountDevices(handle_);
    }
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
    const std::vector<int32_t> codes = TakeErrors();
    std::string cause;
    for (const int32_t code : codes) {
        if (IsDeviceFailure(code)) cause = ErrorDetail();
    }
    CliError error(what, codes, cause);
    if (!codes.empty() && codes.front() == RZ_ERR_DEVICE_UNAVAILABLE && !fellBack_) {
        error.WithHint(kVirtualHint);
    }
    throw error;
}

std::vector<RzAttachedCamera> AttachedCameras() {
    std::vector<RzAttachedCamera> cameras(4);
    for (;;) {
        for (auto& camera : cameras) camera.size = sizeof camera;
        const int32_t n = RzListAttachedCameras(cameras.data(), static_cast<int32_t>(cameras.size()));
        if (n < 0) return {};
        if (static_cast<size_t>(n) <= cameras.size()) {
            cameras.resize(static_cast<size_t>(n));
            return cameras;
        }
        cameras.resize(static_cast<size_t>(n));
    }
}

}  // namespace rezive::cli
