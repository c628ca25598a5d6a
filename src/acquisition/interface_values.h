// The values acquisition hands to the application through the camera object: the error codes
// it records and posts, and the number of its frame message. They are the public interface's
// values under the names of this layer, which sits below that interface; the camera layer holds
// the two equal at compile time.
#pragma once

#include <cstdint>

namespace rezive {

enum ErrorCode : int32_t {
    kErrNoDevice = 1,           // no camera object, not allowed in this mode, or no frame
    kErrDeviceUnavailable = 2,  // device absent, cannot be opened, or claimed
    kErrThread = 3,             // worker thread or event could not be created
    kErrWindow = 4,             // preview window failed; no size preset matches
    kErrBuffer = 5,             // allocation failed, caller buffer or record too small
    kErrRegister = 6,           // sensor register access or transfer start failed
    kErrCaptureWindow = 7,      // capture window invalid
    kErrTransfer = 8,           // frame transfer failed; preview could not start
    kErrArgument = 9,           // argument out of range or invalid
    kErrUnsupported = 11,       // function not available on this model
    kErrFile = 12,              // file name conversion failed or recording failed
    kErrNoFrame = 13,           // no frame within the time-out; the preview loop ended
};

// A frame was delivered (wParam: its frame-information record, lParam 0) or failed (wParam 0,
// lParam the error code).
inline constexpr uint32_t kFrameMessage = 0x8002u;

}  // namespace rezive
