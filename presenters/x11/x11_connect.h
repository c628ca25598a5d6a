// Opening a display without the risk of hanging on it.
#pragma once

#include <xcb/xcb.h>

#include <string>

namespace rezive::x11 {

struct Display {
    xcb_connection_t* connection = nullptr;
    xcb_screen_t* screen = nullptr;
    xcb_atom_t wmProtocols = 0;
    xcb_atom_t wmDeleteWindow = 0;
    xcb_atom_t netWmName = 0;
    xcb_atom_t utf8String = 0;
    bool sharedMemory = false;   // the server has MIT-SHM (it may still refuse our segments)
    size_t maxRequestBytes = 0;  // largest request the server takes
};

// Connects to the named display, giving up after timeoutMs: a display that points at a host that
// never answers, or a server that accepts and then says nothing, would otherwise keep the caller
// waiting for as long as the network cares to. Also refuses screens whose pixels are not 32-bit
// blue, green, red, unused (the client surface's layout), so frames go out without conversion.
// Every round trip of the setup (atoms, extensions, request length) happens inside the same
// deadline. On failure the connection is null and *note says why.
Display Connect(const std::string& name, int timeoutMs, std::string* note);

}  // namespace rezive::x11
