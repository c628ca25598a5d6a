// Thread accounting for tests that check every thread a run started has ended.
#pragma once

#include <dirent.h>

namespace rezive::test {

// Threads of this process (the baseline that every test's threads must return to).
inline int ThreadCount() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d)) n += e->d_name[0] != '.';
        closedir(d);
    }
    return n;
}

}  // namespace rezive::test
