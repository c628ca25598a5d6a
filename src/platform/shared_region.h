// SharedRegion: the named shared memory every process of one user maps (POSIX shm). It holds
// the camera claims that keep a camera exclusive across that user's processes; between users
// (and between containers, each with its own /dev/shm) a camera is kept exclusive by the device
// itself: the exclusive open of the character device, the USB interface claim.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace rezive::platform {

inline constexpr size_t kSharedRegionSize = 0x460000;
inline constexpr const char* kSharedRegionName = "RUREDO_USBCAMERA";

// The shm name in use: "/" + REZIVE_SHARED_NAME when that is set, else
// "/RUREDO_USBCAMERA.<uid>" with the effective user id (the owner of what it creates), so that every user has a region of its own.
std::string SharedRegionName();

class SharedRegion {
public:
    SharedRegion() = default;
    ~SharedRegion();
    SharedRegion(const SharedRegion&) = delete;
    SharedRegion& operator=(const SharedRegion&) = delete;

    // Opens the region, creating it (mode 0600, zero-filled, its memory reserved) when it does
    // not exist, and maps all of it. False when no view results, with what failed, where and
    // the system's reason in *why ("cannot open the camera claim region /dev/shm/...: ...").
    // A region that belongs to another user is refused: its owner could read and forge claims.
    bool Open(std::string* why = nullptr);
    void Close();
    uint8_t* View() const { return view_; }

private:
    uint8_t* view_ = nullptr;
};

uint32_t CurrentProcessId();
// True unless the process certainly no longer exists.
bool ProcessAlive(uint32_t pid);

}  // namespace rezive::platform
