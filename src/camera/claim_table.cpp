#include "camera/claim_table.h"

#include <atomic>
#include <cstring>

#include "platform/shared_region.h"

namespace rezive {
namespace {

std::atomic_ref<uint32_t> Atomic(uint32_t* word) { return std::atomic_ref<uint32_t>(*word); }

}  // namespace

uint32_t* DeviceClaimTable::Word(int32_t device, int index) const {
    uint8_t* slot = view_ + (kFirstSlot + static_cast<uint32_t>(device)) * kSlotBytes;
    return reinterpret_cast<uint32_t*>(slot) + index;
}

char* DeviceClaimTable::Name(int32_t device) const {
    return reinterpret_cast<char*>(Word(device, 3));
}

bool DeviceClaimTable::IsTaken(int32_t device) const {
    if (view_ == nullptr || device < 0 || device > kMaxDevice) return false;
    if (Atomic(Word(device, 0)).load() == 0) return false;
    return platform::ProcessAlive(Atomic(Word(device, 1)).load());
}

bool DeviceClaimTable::Claim(int32_t device, uint32_t ownerToken, uint32_t pid) {
    if (view_ == nullptr || device < 0 || device > kMaxDevice || ownerToken == 0) return false;
    auto owner = Atomic(Word(device, 0));
    auto module = Atomic(Word(device, 1));
    uint32_t current = owner.load();
    if (current == 0) {
        if (!owner.compare_exchange_strong(current, ownerToken)) return false;
        module.store(pid);
    } else {
        // A claim left by a process that has gone: take it over by swapping the dead process id
        // for ours, which only one claimer can do. A set owner with module 0 is a claim in progress.
        uint32_t deadPid = module.load();
        if (deadPid == 0 || platform::ProcessAlive(deadPid)) return false;
        if (!module.compare_exchange_strong(deadPid, pid)) return false;
        owner.store(ownerToken);
    }
    Atomic(Word(device, 2)).store(0);
    char* name = Name(device);
    std::memset(name, 0, 128);
    std::strncpy(name, kClaimName, 127);
    return true;
}

bool DeviceClaimTable::Release(int32_t device, uint32_t ownerToken, uint32_t pid) {
    if (view_ == nullptr || device < 0 || device > kMaxDevice) return false;
    auto owner = Atomic(Word(device, 0));
    auto module = Atomic(Word(device, 1));
    auto reserved = Atomic(Word(device, 2));
    if (owner.load() != ownerToken || module.load() != pid || reserved.load() != 0) return false;
    std::memset(Name(device), 0, 128);
    module.store(0);
    reserved.store(0);
    owner.store(0);  // last: the slot reads as free only once it is clean
    return true;
}

DeviceClaimTable::Slot DeviceClaimTable::Read(int32_t device) const {
    Slot slot{};
    if (view_ == nullptr || device < 0 || device > kMaxDevice) return slot;
    slot.ownerWindow = Atomic(Word(device, 0)).load();
    slot.ownerModule = Atomic(Word(device, 1)).load();
    slot.reserved = Atomic(Word(device, 2)).load();
    std::memcpy(slot.name, Name(device), sizeof slot.name);
    return slot;
}

}  // namespace rezive
