// What the virtual camera's sensor looks at, and how one frame is read out of it.
//
// The scene is held as a mosaic over the sensor's active array: each sample is the 16-bit
// scene value of the colour behind that pixel's filter. The filter order is, from the array's
// top-left pixel (and from every even window start): green, red on even rows; blue, green on
// odd rows. Read out at normal orientation this is the phase that the library's default Bayer
// mode 3 expects; read out mirrored, the pattern shifts by one row or column exactly as the
// library's effective-phase rule assumes, because the sensor only uses even window sizes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device/protocol.h"

namespace rezive::virtual_camera {

inline constexpr int32_t kArrayWidth = device::kSensorWidth;
inline constexpr int32_t kArrayHeight = device::kSensorHeight;

enum class Filter : uint8_t { kRed, kGreen, kBlue };
Filter FilterAt(int32_t row, int32_t column);

class Scene {
public:
    // The moving test scene: colour bars, gradients, edges and a moving disc.
    static Scene BuiltIn();
    // A PNG file (8 or 16 bits, gray or colour, any alpha dropped), resampled to the array when
    // its size differs. False when the file cannot be decoded, or when it claims more than
    // 16384 pixels a side or 4096 x 4096 pixels in all.
    static bool FromPng(const std::string& path, Scene* out);

    bool moving() const { return moving_; }
    const uint16_t* mosaic() const { return mosaic_.data(); }
    // Centre of the moving disc in frame `sequence`.
    static void DiscCentre(uint32_t sequence, int32_t* x, int32_t* y);
    static constexpr int32_t kDiscRadius = 48;
    static constexpr uint16_t kDiscRgb[3] = {0xE000, 0x9000, 0x2800};

private:
    static Scene FromRgb(const std::vector<uint16_t>& rgb, bool moving);
    std::vector<uint16_t> mosaic_;  // kArrayWidth * kArrayHeight
    bool moving_ = false;
};

struct ReadoutParams {
    int32_t columnStart = 0;  // array coordinates of the window
    int32_t rowStart = 0;
    int32_t width = kArrayWidth;
    int32_t height = kArrayHeight;
    bool mirrorH = false;
    bool mirrorV = false;
    bool sixteen = false;
    uint32_t sequence = 0;
    bool stamp = true;        // the sequence number in the frame's top-left corner
    int32_t noise = 0;        // peak noise in output steps; 0 = none
};

// Reads the window out of the scene through the response table (scene value -> sample) into
// `out`, packed rows of 8-bit samples or little-endian 16-bit words, writing at most `outBytes`
// bytes; bytes of `out` past the window up to outBytes are zeroed.
void ReadOut(const Scene& scene, const ReadoutParams& p, const uint16_t* response, uint8_t* out,
             size_t outBytes);

// Scene value to sample: unity at exposure 637 and gain code 0x02 (8-bit value v8 stored as
// v8 << 8 reads v8, or v8 * 16 in 12 bits), proportional to exposure times analog gain, clipped
// at full scale.
void BuildResponse(int32_t exposure, int32_t gainCode, bool sixteen, std::vector<uint16_t>* lut);
// The analog gain of a gain code: coarse steps of x2 in bits 4 and 5, fine steps of 1/8 in the
// low nibble, normalised so that code 0x02 is 1.
double AnalogGain(int32_t gainCode);

}  // namespace rezive::virtual_camera
