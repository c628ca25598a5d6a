#include "error_names.h"

#include <ReziveSdk.h>

namespace rezive::cli {

const char* ErrorMeaning(int32_t code) {
    switch (code) {
        case RZ_ERR_NO_DEVICE:
            return "no camera, not allowed in the current acquisition mode, or no frame available";
        case RZ_ERR_DEVICE_UNAVAILABLE:
            return "device not present, cannot be opened, or claimed by another camera object";
        case RZ_ERR_THREAD: return "worker thread or its event could not be created";
        case RZ_ERR_WINDOW:
            return "preview window could not be created, or no size preset matches";
        case RZ_ERR_BUFFER:
            return "image buffer could not be allocated, buffer or record too small, or "
                   "initialisation failed";
        case RZ_ERR_REGISTER:
            return "sensor register access failed, or the transfer could not be started";
        case RZ_ERR_CAPTURE_WINDOW: return "capture window invalid";
        case RZ_ERR_TRANSFER: return "a frame transfer failed, or the preview could not start";
        case RZ_ERR_ARGUMENT: return "argument out of range or invalid";
        case RZ_ERR_UNSUPPORTED: return "function not available on this model";
        case RZ_ERR_FILE:
            return "file name could not be converted, or the recording could not start";
        case RZ_ERR_NO_FRAME: return "no frame within 6 s; the preview loop ended";
        default: return "unknown error code";
    }
}

}  // namespace rezive::cli
