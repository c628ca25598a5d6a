// The library's own frame counters (RzGetStreamStats) as rezive-cam prints them: every frame
// the camera transferred, and where each one went.
#pragma once

#include <string>

#include "ReziveSdk.h"
#include "json.h"

namespace rezive::cli {

// The counters of a camera; all zero (size 0) when the library cannot give them.
RzStreamStats ReadFrameCounts(RzHandle handle);
// "transferred N, delivered N, skipped N, ..." for the text output.
std::string FrameCountsLine(const RzStreamStats& counts, bool recording);
// The counters as a JSON object.
Json FrameCountsJson(const RzStreamStats& counts);

}  // namespace rezive::cli
