// Clock: the millisecond tick that stands in for GetTickCount and timeGetTime.
#pragma once

#include <cstdint>
#include <functional>

namespace rezive::platform {

// Milliseconds of a steady clock, wrapping at 2^32 like the tick counts it replaces.
uint32_t TickMs();

// Microseconds of the steady clock, without wrapping: the capture time of frames.
uint64_t MonotonicMicros();

// Replaces the tick source (tests); an empty function restores the steady clock.
void SetTickSourceForTesting(std::function<uint32_t()> source);

// Sleeps the calling thread; negative values sleep nothing.
void SleepMs(int32_t milliseconds);

// Replaces what SleepMs does (tests and fuzzers on the virtual camera, which needs none of the
// settling pauses a real camera does); null restores the real sleep.
void SetSleepForTesting(void (*sleep)(int32_t milliseconds));

}  // namespace rezive::platform
