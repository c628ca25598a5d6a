// Message-window helpers for tests through the public C API.
#pragma once

#include <ReziveSdk.h>

#include <vector>

namespace rezive::test {

// Every message waiting on the window, taken off its queue.
inline std::vector<RzMessage> Drain(RzWindow window) {
    std::vector<RzMessage> messages;
    RzMessage m;
    while (RzWaitMessage(window, &m, 0) == 1) messages.push_back(m);
    return messages;
}

}  // namespace rezive::test
