// Helpers for the file-output tests: picture patterns, file access and a size-limited child.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "imaging/dib_image.h"

namespace rezive::test {

// A smooth picture (JPEG keeps it within a few levels) with low-bit noise (so exact formats
// show any misplaced byte): blue grows left to right, green top to bottom, red along the
// diagonal; 16-bit samples span the camera's 12-bit range, so a 10-bit reduction would wrap.
// Picture row y is memory row y. The fourth channel is noise.
inline uint32_t Noise(int32_t x, int32_t y, int32_t c) {
    uint32_t h = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u ^
                 static_cast<uint32_t>(c) * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    return h ^ (h >> 15);
}

inline uint32_t Level(int32_t x, int32_t y, int32_t c, int32_t w, int32_t h, uint32_t max) {
    const int64_t num = c == 0 ? x : c == 1 ? y : x + y;
    const int64_t den = c == 0 ? w - 1 : c == 1 ? h - 1 : w + h - 2;
    const uint32_t base = den > 0 ? static_cast<uint32_t>(num * (max - 3) / den) : 0;
    return base + (Noise(x, y, c) & 3);
}

// Sample value of channel c at picture (x, y) as stored in an image of bitsPerPixel.
inline uint32_t PatternSample(int32_t x, int32_t y, int32_t c, int32_t w, int32_t h, int bpp) {
    const bool wide = bpp == 16 || bpp == 48 || bpp == 64;
    const uint32_t max = wide ? 4095 : 255;
    if (c == 3) return Noise(x, y, 7) & max;
    const int32_t channel = (bpp == 8 || bpp == 16) ? 2 : c;  // gray: the diagonal ramp
    return Level(x, y, channel, w, h, max);
}

inline void FillPattern(CDibImage& img) {
    const int bpp = img.BitsPerPixel();
    const bool wide = bpp == 16 || bpp == 48 || bpp == 64;
    const int channels = (wide ? bpp / 16 : bpp / 8);
    for (int32_t y = 0; y < img.Height(); ++y) {
        uint8_t* row = img.Row(y);
        for (int32_t x = 0; x < img.Width(); ++x) {
            for (int c = 0; c < channels; ++c) {
                const uint32_t v = PatternSample(x, y, c, img.Width(), img.Height(), bpp);
                if (wide) {
                    const auto s = static_cast<uint16_t>(v);
                    std::memcpy(row + (x * channels + c) * 2, &s, 2);
                } else {
                    row[x * channels + c] = static_cast<uint8_t>(v);
                }
            }
        }
    }
}

inline std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

inline int64_t SizeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

inline void WriteJunk(const std::string& path, size_t bytes) {
    std::ofstream out(path, std::ios::binary);
    std::vector<char> junk(bytes, 'x');
    out.write(junk.data(), static_cast<std::streamsize>(junk.size()));
}

inline uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

inline uint16_t Le16(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

inline std::string Code(const std::vector<uint8_t>& b, size_t at) {
    return std::string(reinterpret_cast<const char*>(b.data() + at), 4);
}

// What ffprobe says of the first video stream (frames counted by decoding), errors included.
inline std::string Probe(const std::string& path) {
    const std::string command =
        "/usr/bin/ffprobe -v error -count_frames -select_streams v:0 -show_entries "
        "stream=codec_name,width,height,pix_fmt,r_frame_rate,nb_read_frames,nb_frames "
        "-of default=noprint_wrappers=1 '" + path + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return "popen failed";
    std::string out;
    char buf[256];
    while (std::fgets(buf, sizeof buf, pipe) != nullptr) out += buf;
    ::pclose(pipe);
    return out;
}

// Runs body in a forked child whose files may not grow past maxFileBytes (writes beyond fail
// with EFBIG instead of killing it) and returns body's result, or -1 when the child died.
inline int RunWithFileSizeLimit(uint64_t maxFileBytes, const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{maxFileBytes, maxFileBytes};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(101);
        ::_exit(body());  // _exit: the parent's clean-up handlers must not run here
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

}  // namespace rezive::test
