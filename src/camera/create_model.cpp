// The camera object's factory of its model object. The model exists even with no camera
// attached; it then simply has no open device.
#include <memory>
#include <new>

#include "camera/camera.h"
#include "device/rezive417dir_sdk.h"
#include "virtual_camera/virtual_device_file.h"

namespace rezive {

std::unique_ptr<CRezive417DIRVUDSdk> CreateModelObject() {
    // The model probes and opens device files as it is built, and every device the camera
    // object enumerates or opens later goes through its model: registering here, before the
    // first model exists, lets the virtual cameras answer every one of those opens.
    virtual_camera::RegisterBackend();
    return std::unique_ptr<CRezive417DIRVUDSdk>(new (std::nothrow) CRezive417DIRVUDSdk);
}

}  // namespace rezive
