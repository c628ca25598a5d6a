#include "acquisition/state_gate.h"

#include "acquisition/interface_values.h"

namespace rezive {
namespace {

constexpr GateVerdict kRun{GateVerdict::kRun, 0};
constexpr GateVerdict kDone{GateVerdict::kAlreadyRunning, 0};
// Error 1 is the design's "not allowed in the current acquisition mode".
constexpr GateVerdict kNo{GateVerdict::kRefused, kErrNoDevice};
// A second recording is refused as a recording that could not start; the first goes on.
constexpr GateVerdict kNoRecord{GateVerdict::kRefused, kErrFile};

constexpr int kStates = 6, kOperations = 7;

// Record over a capture or trigger acquisition runs on purpose: it asks for a preview, which the
// acquisition refuses, and the recorder reports that it could not start.
constexpr GateVerdict kTable[kStates][kOperations] = {
    //            preview capture snapshot trigger record    window device
    /* idle    */ {kRun,   kRun,   kRun,    kRun,   kRun,      kRun, kRun},
    /* preview */ {kDone,  kNo,    kNo,     kNo,    kRun,      kNo,  kNo},
    /* capture */ {kNo,    kDone,  kRun,    kNo,    kRun,      kNo,  kNo},
    /* trigger */ {kNo,    kNo,    kNo,     kNo,    kRun,      kNo,  kNo},
    /* record  */ {kDone,  kNo,    kNo,     kNo,    kNoRecord, kNo,  kNo},
    /* release */ {kNo,    kNo,    kNo,     kNo,    kNo,       kNo,  kNo},
};

}  // namespace

GateVerdict AskGate(AcquisitionState state, GatedOperation operation) {
    const int s = static_cast<int>(state), o = static_cast<int>(operation);
    if (s < 0 || s >= kStates || o < 0 || o >= kOperations) return kNo;
    return kTable[s][o];
}

const char* StateName(AcquisitionState state) {
    switch (state) {
        case AcquisitionState::kIdle: return "idle";
        case AcquisitionState::kPreview: return "preview";
        case AcquisitionState::kCapture: return "capture";
        case AcquisitionState::kTrigger: return "trigger";
        case AcquisitionState::kRecording: return "recording";
        case AcquisitionState::kReleasing: return "releasing";
    }
    return "unknown";
}

}  // namespace rezive
