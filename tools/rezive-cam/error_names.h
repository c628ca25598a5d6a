// The SDK's error codes in words, as rezive-cam prints them.
#pragma once

#include <cstdint>

namespace rezive::cli {

// The meaning of an SDK error code; a generic text for codes the library never produces.
const char* ErrorMeaning(int32_t code);

}  // namespace rezive::cli
