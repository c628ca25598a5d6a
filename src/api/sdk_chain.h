// CSdkChain: the table of open camera handles, one static object of the library.
#pragma once

#include <cstdint>
#include <memory>

#include "api/ring.h"

namespace rezive {

class CRezive;

// One handle-table element. The camera is shared with every call in flight on it, so a camera
// object is never destroyed while another thread is inside a call on it.
struct CSDKDATA {
    uint32_t handle = 0;
    std::shared_ptr<CRezive> camera;
    CSDKDATA* previous = nullptr;
    CSDKDATA* next = nullptr;
};

class CSdkChain : public CTRing<CSDKDATA> {
public:
    ~CSdkChain() override;

    // Positions the ring on the element with handle. Callers hold the lock.
    int32_t Find(uint32_t handle) RZ_REQUIRES(lock_);
    // Makes a camera object and registers it under a new nonzero handle; 0 on failure.
    uint32_t CreateHandle() RZ_EXCLUDES(lock_);
    // The camera of handle (under the handle-table lock), or null.
    std::shared_ptr<CRezive> Lookup(uint32_t handle) RZ_EXCLUDES(lock_);
    // Unregisters handle (under the handle-table lock) and returns its camera, or null.
    std::shared_ptr<CRezive> Remove(uint32_t handle) RZ_EXCLUDES(lock_);
};

CSdkChain& SdkChain();

}  // namespace rezive
