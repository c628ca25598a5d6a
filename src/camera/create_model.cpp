// The camera object's factory of its model object. The model exists even with no camera
// attached; it then simply has no open device.
#include <memory>
#include <new>

#include "camera/camera.h"
#include "device/rezive417dir_sdk.h"
#include "platform/usb/usb_device_file.h"
#include "virtual_camera/virtual_camera.h"
#include "virtual_camera/virtual_device_file.h"

namespace rezive {

void RegisterDeviceBackends() {
    virtual_camera::RegisterBackend();
    platform::usb::RegisterUsbBackend(virtual_camera::EnabledCameraCount);
}

std::unique_ptr<CRezive417DIRVUDSdk> CreateModelObject() {
    // The model probes and opens device files as it is built, and every device the camera
    // object enumerates or opens later goes through its model: registering here, before the
    // first model exists, lets the virtual cameras and the USB cameras answer every one of
    // those opens. The virtual cameras come first and keep their slots; USB cameras take the
    // slots after them.
    RegisterDeviceBackends();
    return std::unique_ptr<CRezive417DIRVUDSdk>(new (std::nothrow) CRezive417DIRVUDSdk);
}

}  // namespace rezive
