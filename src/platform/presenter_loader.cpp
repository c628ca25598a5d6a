#include "platform/presenter_loader.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/dialog_view.h"
#include "platform/presenter_module.h"

namespace rezive::platform {
namespace {

constexpr const char* kX11ModuleName = "rezive_presenter_x11.so";
constexpr const char* kGtkModuleName = "rezive_presenter_gtk.so";

std::string ModuleDirectory() {
    if (const char* dir = std::getenv("REZIVE_PRESENTER_DIR"); dir != nullptr && *dir != '\0')
        return dir;
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ModuleDirectory), &info) != 0 &&
        info.dli_fname != nullptr) {
        std::string path = info.dli_fname;
        const size_t slash = path.rfind('/');
        if (slash != std::string::npos) return path.substr(0, slash);
    }
    return ".";
}

const PresenterHost& Host() {
    static const PresenterHost host{kPresenterAbi, &DestroyWindow, &ResizeClient, &NativeWindowId};
    return host;
}

// The module stays loaded for the life of the process: a presenter's thread may still be ending
// when the last reference goes. Null with the reason in *note.
void* OpenModule(const char* name, const char* symbol, void** entry, std::string* note) {
    const std::string path = ModuleDirectory() + "/" + name;
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* why = dlerror();
        *note = "cannot load " + path + ": " + (why ? why : "unknown error");
        return nullptr;
    }
    *entry = dlsym(module, symbol);
    if (*entry == nullptr) {
        *note = path + " is not a presenter module";
        return nullptr;
    }
    return module;
}

bool DisplayConfigured(bool waylandToo) {
    const char* choice = std::getenv("REZIVE_PRESENTER");
    if (choice != nullptr && std::strcmp(choice, "headless") == 0) return false;
    const char* display = std::getenv("DISPLAY");
    if (display != nullptr && *display != '\0') return true;
    const char* wayland = waylandToo ? std::getenv("WAYLAND_DISPLAY") : nullptr;
    return wayland != nullptr && *wayland != '\0';
}

}  // namespace

std::shared_ptr<Presenter> LoadX11Presenter(const std::string& display, std::string* note) {
    void* entry = nullptr;
    if (OpenModule(kX11ModuleName, kCreatePresenterSymbol, &entry, note) == nullptr) return nullptr;
    auto create = reinterpret_cast<CreatePresenterFunction>(entry);
    char reason[256] = {};
    Presenter* presenter = create(&Host(), display.c_str(), reason, sizeof reason);
    if (presenter == nullptr) {
        *note = reason[0] != '\0' ? reason : "the display presenter failed";
        return nullptr;
    }
    return std::shared_ptr<Presenter>(presenter);
}

std::shared_ptr<DialogView> LoadGtkDialogView(std::string* note) {
    void* entry = nullptr;
    if (OpenModule(kGtkModuleName, kCreateDialogViewSymbol, &entry, note) == nullptr)
        return nullptr;
    auto create = reinterpret_cast<CreateDialogViewFunction>(entry);
    char reason[256] = {};
    DialogView* view = create(kDialogViewAbi, reason, sizeof reason);
    if (view == nullptr) {
        *note = reason[0] != '\0' ? reason : "the dialog presenter failed";
        return nullptr;
    }
    return std::shared_ptr<DialogView>(view);
}

std::shared_ptr<DialogView> LoadDisplayDialogView() {
    if (!DisplayConfigured(true)) return nullptr;
    std::string note;
    auto view = LoadGtkDialogView(&note);
    if (!view) std::fprintf(stderr, "ReziveSdk: dialogs only through a dialog hook: %s\n", note.c_str());
    return view;
}

std::shared_ptr<Presenter> LoadDisplayPresenter() {
    if (!DisplayConfigured(false)) return nullptr;
    const char* display = std::getenv("DISPLAY");
    std::string note;
    auto presenter = LoadX11Presenter(display, &note);
    if (!presenter) {
        std::fprintf(stderr, "ReziveSdk: preview windows stay off screen: %s\n", note.c_str());
    }
    return presenter;
}

}  // namespace rezive::platform
