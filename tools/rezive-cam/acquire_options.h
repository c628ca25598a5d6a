// Options every acquiring subcommand takes (snapshot, record, preview, trigger): the settings
// that the library does not keep between runs, so they are given with the acquisition itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "session.h"

namespace CLI {
class App;
}

namespace rezive::cli {

struct AcquireOptions {
    std::optional<int32_t> color;
    std::vector<int32_t> window;  // W H, or X Y W H
    std::optional<int32_t> waitTime;
    std::string defects;
    std::string autoWb;  // "", on, off, once
};

void AddAcquireOptions(CLI::App& command, AcquireOptions& options);
// Applies the options to the camera, in an order that lets each one see the previous ones.
void ApplyAcquireOptions(Session& session, Output& out, const AcquireOptions& options);

// The capture window of --window: W H is centred on the sensor (on even offsets, so that the
// colour-filter phase stays the same), X Y W H is taken as given.
void ApplyCaptureWindow(Session& session, const std::vector<int32_t>& window);
// One automatic white-balance measurement on a snapshot, in a colour mode, leaving the
// measured gains stored and the automatic mode off.
void MeasureWhiteBalanceOnce(Session& session);
// Loads a defect-pixel file and switches the correction on.
void LoadDefects(Session& session, const std::string& fileName);

}  // namespace rezive::cli
