// The state gate of one camera: the acquisition state and, for each operation an application may
// ask for, whether that state lets it run now. Every export that starts, changes or depends on
// acquisition asks the gate under the camera's lock, so the answer cannot go stale before the
// operation has acted on it.
#pragma once

#include <cstdint>

namespace rezive {

enum class AcquisitionState : int32_t {
    kIdle,
    kPreview,    // live or callback preview, streaming
    kCapture,    // prepared for snapshots on a kept-open device handle
    kTrigger,    // waiting for trigger pulses
    kRecording,  // a preview that feeds an AVI recording
    kReleasing,  // Rezive_Release has begun; calls still in flight finish without starting anything
};

enum class GatedOperation : int32_t {
    kStartPreview,   // Rezive_StartPreview, Rezive_Preview, Rezive_CallBackPreview
    kCapture,        // Rezive_Capture
    kSnapShot,       // Rezive_SnapShot
    kTrigger,        // Rezive_Trigger
    kRecord,         // Rezive_Record
    kChangeWindow,   // Rezive_SetCaptureWindow(Ex): re-sizes the transfer ring
    kSwitchDevice,   // Rezive_SetDeviceNumber: re-opens the model on another device
};

struct GateVerdict {
    enum Kind : int32_t { kRun, kAlreadyRunning, kRefused } kind;
    int32_t error;  // recorded when refused
};

// The whole rule in one table: rows are states, columns operations.
GateVerdict AskGate(AcquisitionState state, GatedOperation operation);

const char* StateName(AcquisitionState state);

}  // namespace rezive
