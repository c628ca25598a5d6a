// The camera object's factory of its model object. The model exists even with no camera
// attached; it then simply has no open device.
#include <memory>
#include <new>

#include "camera/camera.h"
#include "device/rezive417dir_sdk.h"

namespace rezive {

std::unique_ptr<CRezive417DIRVUDSdk> CreateModelObject() {
    return std::unique_ptr<CRezive417DIRVUDSdk>(new (std::nothrow) CRezive417DIRVUDSdk);
}

}  // namespace rezive
