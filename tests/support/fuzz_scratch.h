// A scratch file for a fuzz target that hands its input to a reader of files: made once in
// $TMPDIR (or /tmp) at start-up, removed at exit.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace rezive::test {

inline std::string& FuzzScratchPath() {
    static std::string path;
    return path;
}

// Exits the fuzzer when the file cannot be made: every input would fail for the wrong reason.
inline const std::string& MakeFuzzScratchFile(const char* prefix) {
    std::string& path = FuzzScratchPath();
    const char* base = std::getenv("TMPDIR");
    path = std::string(base && *base ? base : "/tmp") + "/" + prefix + "-XXXXXX";
    const int fd = mkstemp(path.data());
    if (fd < 0) {
        std::perror("mkstemp");
        std::exit(1);
    }
    close(fd);
    std::atexit([] { std::remove(FuzzScratchPath().c_str()); });
    return path;
}

}  // namespace rezive::test
