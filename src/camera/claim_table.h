// The device-claim table in the shared region: which process and camera object streams from
// which device. Slot d is 140 bytes at (13856 + d) x 140: owner window, owner module (the
// owning process id), a word that is always 0, and a 128-byte name.
#pragma once

#include <cstdint>

namespace rezive {

class DeviceClaimTable {
public:
    static constexpr uint32_t kFirstSlot = 13856;
    static constexpr uint32_t kSlotBytes = 140;
    static constexpr int32_t kMaxDevice = 32;
    static constexpr const char* kClaimName = "ReziveSdk_417DIR_DEZ.dll";

    explicit DeviceClaimTable(uint8_t* view) : view_(view) {}

    // A slot with a nonzero owner window is taken, unless its owning process no longer exists.
    bool IsTaken(int32_t device) const;
    // Takes the slot with an atomic compare-and-swap, so two processes can never both win.
    // ownerToken must be nonzero. False when the slot is taken (or the device is out of range).
    bool Claim(int32_t device, uint32_t ownerToken, uint32_t pid);
    // Frees the slot only when ownerToken and pid own it and the reserved word is 0.
    bool Release(int32_t device, uint32_t ownerToken, uint32_t pid);

    struct Slot {
        uint32_t ownerWindow;
        uint32_t ownerModule;
        uint32_t reserved;
        char name[128];
    };
    // A copy of slot d (for tests and diagnostics); zeroed for an out-of-range device.
    Slot Read(int32_t device) const;

private:
    uint32_t* Word(int32_t device, int index) const;
    char* Name(int32_t device) const;

    uint8_t* view_;
};

}  // namespace rezive
