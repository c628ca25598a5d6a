// SharedRegion: the named shared memory every process of the library maps (POSIX shm).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace rezive::platform {

inline constexpr size_t kSharedRegionSize = 0x460000;
inline constexpr const char* kSharedRegionName = "RUREDO_USBCAMERA";

// The shm name in use: "/" + REZIVE_SHARED_NAME when that is set, else "/RUREDO_USBCAMERA".
std::string SharedRegionName();

class SharedRegion {
public:
    SharedRegion() = default;
    ~SharedRegion();
    SharedRegion(const SharedRegion&) = delete;
    SharedRegion& operator=(const SharedRegion&) = delete;

    // Opens the region, creating it (mode 0600, zero-filled) when it does not exist, and maps
    // all of it. False when no view results.
    bool Open();
    void Close();
    uint8_t* View() const { return view_; }

private:
    uint8_t* view_ = nullptr;
};

uint32_t CurrentProcessId();
// True unless the process certainly no longer exists.
bool ProcessAlive(uint32_t pid);

}  // namespace rezive::platform
