// The names a shared library exports, read with nm as a program's loader sees them, without
// loading the library into the test (a second copy of the library would run its own statics).
#pragma once

#include <cstdio>
#include <set>
#include <string>

namespace rezive::test {

inline std::set<std::string> DefinedDynamicSymbols(const std::string& library) {
    std::set<std::string> symbols;
    const std::string command = "nm -D --defined-only '" + library + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return symbols;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        char address[64], type[8], name[400];
        if (std::sscanf(line, "%63s %7s %399s", address, type, name) == 3) symbols.insert(name);
    }
    pclose(pipe);
    return symbols;
}

}  // namespace rezive::test
