#include "settings/defect_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <new>
#include <stdexcept>

namespace rezive::settings {
namespace {

int32_t LittleEndian32(const unsigned char* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

// Reads up to size bytes; fewer when the file shrank after it was measured.
bool ReadUpTo(int fd, unsigned char* data, size_t size, size_t* got) {
    *got = 0;
    while (*got < size) {
        const ssize_t n = read(fd, data + *got, size - *got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        *got += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

bool ReadDefectFile(const char* path, std::vector<DefectPoint>* out) {
    if (path == nullptr || *path == '\0' || out == nullptr) return false;
    // Refuse devices and FIFOs before opening them (opening can block or have side effects),
    // and check again on the opened descriptor in case the name was swapped in between.
    struct stat st {};
    if (stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return false;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) {
        close(fd);
        return false;
    }
    // Records are read in blocks and decoded as they come, so the only allocation is the list
    // itself, sized from the measured file and never grown past it.
    const size_t records = static_cast<size_t>(st.st_size) / 8;
    std::vector<DefectPoint> list;
    try {
        list.reserve(records);
    } catch (const std::bad_alloc&) {
        close(fd);
        return false;
    } catch (const std::length_error&) {
        close(fd);
        return false;
    }
    unsigned char block[8 * 4096];
    bool ok = true;
    while (list.size() < records) {
        const size_t want = std::min(sizeof block, (records - list.size()) * 8);
        size_t got = 0;
        ok = ReadUpTo(fd, block, want, &got);
        for (size_t i = 0; ok && i + 8 <= got; i += 8) {
            list.push_back({LittleEndian32(block + i), LittleEndian32(block + i + 4)});
        }
        if (!ok || got < want) break;
    }
    close(fd);
    if (!ok) return false;
    out->swap(list);
    return true;
}

}  // namespace rezive::settings
