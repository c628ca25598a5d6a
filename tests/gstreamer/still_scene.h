// The still picture the virtual camera shows in the GStreamer tests: red grows to the right,
// green downwards, so a frame's orientation shows in its first and last rows.
#pragma once

#include <string>

namespace rezive::test {

inline constexpr int kSceneWidth = 320;
inline constexpr int kSceneHeight = 180;

bool WriteStillScene(const std::string& path);

}  // namespace rezive::test
