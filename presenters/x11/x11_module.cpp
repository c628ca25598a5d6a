// Entry point of the X11 presenter module.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "x11_presenter.h"

namespace {

int EnvInt(const char* name, int fallback) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return fallback;
    char* end = nullptr;
    const long n = std::strtol(value, &end, 10);
    return (*end == '\0' && n >= 0 && n <= 1 << 30) ? static_cast<int>(n) : fallback;
}

void Note(char* note, size_t size, const std::string& text) {
    if (note != nullptr && size > 0) std::snprintf(note, size, "%s", text.c_str());
}

}  // namespace

extern "C" __attribute__((visibility("default"))) rezive::platform::Presenter*
rezive_create_presenter(const rezive::platform::PresenterHost* host, const char* display,
                        char* note, size_t noteSize) {
    try {
        if (host == nullptr || host->abi != rezive::platform::kPresenterAbi) {
            Note(note, noteSize, "the X11 presenter module belongs to another library version");
            return nullptr;
        }
        rezive::x11::Options options;
        // REZIVE_X11_SHM=0 draws through the socket as for a remote display;
        // REZIVE_X11_MAX_REQUEST lowers the request size (bytes) the frames are split to.
        options.sharedMemory = EnvInt("REZIVE_X11_SHM", 1) != 0;
        options.maxRequestBytes = static_cast<size_t>(EnvInt("REZIVE_X11_MAX_REQUEST", 0));
        const int timeoutMs = EnvInt("REZIVE_X11_CONNECT_TIMEOUT_MS", 3000);
        std::string why;
        rezive::x11::Display d = rezive::x11::Connect(display ? display : "", timeoutMs, &why);
        if (d.connection == nullptr) {
            Note(note, noteSize, why);
            return nullptr;
        }
        return new rezive::x11::X11Presenter(*host, d, options);
    } catch (...) {
        Note(note, noteSize, "the X11 presenter failed to start");
        return nullptr;
    }
}
