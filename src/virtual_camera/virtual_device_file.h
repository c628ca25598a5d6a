// The virtual camera's driver entry: device paths of enabled slots open a virtual camera.
#pragma once

#include <memory>

#include "platform/device_file.h"

namespace rezive::virtual_camera {

// When `path` names a slot enabled by REZIVE_VIRTUAL_CAMERAS, *served is set and the result is
// a handle on that slot's camera (null while it is unplugged). Otherwise *served is false.
std::unique_ptr<platform::DeviceFile> OpenVirtualDevice(const char* path, bool* served);

// Makes the virtual cameras a backend of the platform's device files, ahead of the character
// device. Call it before the first device is opened; later calls do nothing, from any thread.
// An explicit call rather than a static initialiser: these objects live in a static library,
// where an initialiser nothing refers to is left out of the program.
void RegisterBackend();

}  // namespace rezive::virtual_camera
