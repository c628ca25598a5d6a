// Frame-information records that outlive their camera. A frame message carries the address of
// its camera's record, and a message may still wait in a queue, or be in a handler, when the
// camera is released: so the records live in a pool of the process that never frees them, and a
// released camera's record goes back to the pool for the next camera. A late reader then reads
// a valid record (of the old or the new camera), never freed memory.
#pragma once

#include "ReziveSdk.h"

namespace rezive {

// A record set to its size and zeros otherwise.
RzFrameInfo* AcquireFrameInfo();
void ReleaseFrameInfo(RzFrameInfo* record);

}  // namespace rezive
