// The dispatch rule every export follows: look the handle up under the handle-table lock, leave the
// lock, and call the camera operation; an unknown handle gets the export's invalid-handle value
// without recording or posting anything. No exception crosses the C interface.
#pragma once

#include <cstdint>
#include <new>

#include "api/sdk_chain.h"
#include "camera/camera.h"

namespace rezive {

template <typename Operation>
int32_t Dispatch(uint32_t handle, int32_t invalidValue, Operation&& operation) {
    try {
        std::shared_ptr<CRezive> camera = SdkChain().Lookup(handle);
        if (!camera) return invalidValue;
        return operation(*camera);
    } catch (const std::bad_alloc&) {
        return 0;
    } catch (...) {
        return 0;
    }
}

}  // namespace rezive

