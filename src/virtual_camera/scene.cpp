#include "virtual_camera/scene.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "virtual_camera/frame_sequence.h"

namespace rezive::virtual_camera {

Filter FilterAt(int32_t row, int32_t column) {
    if ((row & 1) == 0) return (column & 1) == 0 ? Filter::kGreen : Filter::kRed;
    return (column & 1) == 0 ? Filter::kBlue : Filter::kGreen;
}

namespace {

constexpr int32_t kPixels = kArrayWidth * kArrayHeight;

void Put(std::vector<uint16_t>& rgb, int32_t x, int32_t y, double r, double g, double b) {
    auto to16 = [](double v) { return static_cast<uint16_t>(std::clamp(v, 0.0, 1.0) * 65535.0 + 0.5); };
    const size_t i = (static_cast<size_t>(y) * kArrayWidth + x) * 3;
    rgb[i] = to16(r);
    rgb[i + 1] = to16(g);
    rgb[i + 2] = to16(b);
}

// Hue in [0, 1) to fully saturated RGB.
void Hue(double h, double* r, double* g, double* b) {
    const double k = h * 6.0;
    *r = std::clamp(std::fabs(k - 3.0) - 1.0, 0.0, 1.0);
    *g = std::clamp(2.0 - std::fabs(k - 2.0), 0.0, 1.0);
    *b = std::clamp(2.0 - std::fabs(k - 4.0), 0.0, 1.0);
}

}  // namespace

Scene Scene::FromRgb(const std::vector<uint16_t>& rgb, bool moving) {
    Scene s;
    s.moving_ = moving;
    s.mosaic_.resize(kPixels);
    for (int32_t y = 0; y < kArrayHeight; ++y) {
        for (int32_t x = 0; x < kArrayWidth; ++x) {
            const size_t i = static_cast<size_t>(y) * kArrayWidth + x;
            const Filter f = FilterAt(y, x);
            const int channel = f == Filter::kRed ? 0 : f == Filter::kGreen ? 1 : 2;
            s.mosaic_[i] = rgb[i * 3 + channel];
        }
    }
    return s;
}

Scene Scene::BuiltIn() {
    std::vector<uint16_t> rgb(static_cast<size_t>(kPixels) * 3);
    static constexpr double kBars[8][3] = {{1, 1, 1}, {1, 1, 0}, {0, 1, 1}, {0, 1, 0},
                                           {1, 0, 1}, {1, 0, 0}, {0, 0, 1}, {0, 0, 0}};
    for (int32_t y = 0; y < kArrayHeight; ++y) {
        for (int32_t x = 0; x < kArrayWidth; ++x) {
            double r, g, b;
            if (y < 240) {  // colour bars at 75 %
                const auto& bar = kBars[x / (kArrayWidth / 8)];
                r = 0.75 * bar[0]; g = 0.75 * bar[1]; b = 0.75 * bar[2];
            } else if (y < 480) {
                if (x < 640) {  // gray ramp, full range left to right
                    r = g = b = x / 639.0;
                } else {  // hue across, brightness down
                    Hue((x - 640) / 640.0, &r, &g, &b);
                    const double v = 1.0 - (y - 240) / 300.0;
                    r *= v; g *= v; b *= v;
                }
            } else if (x < 426) {  // checkerboard of 16-pixel squares
                r = g = b = (((x / 16) + (y / 16)) & 1) ? 0.85 : 0.1;
            } else if (x < 852) {  // line pairs getting finer to the right
                const int32_t period = 2 + (851 - x) / 16;
                r = g = b = ((x / std::max(1, period / 2)) & 1) ? 0.8 : 0.15;
            } else {  // slanted edge
                const bool dark = (x - 852) * 8 < (y - 480) * 9 + 40;
                r = g = b = dark ? 0.2 : 0.7;
            }
            Put(rgb, x, y, r, g, b);
        }
    }
    return FromRgb(rgb, true);
}

void Scene::DiscCentre(uint32_t sequence, int32_t* x, int32_t* y) {
    const double t = static_cast<double>(sequence);
    *x = 640 + static_cast<int32_t>(500.0 * std::sin(t * 0.05));
    *y = 360 + static_cast<int32_t>(260.0 * std::sin(t * 0.031 + 0.7));
}

double AnalogGain(int32_t gainCode) {
    const int32_t coarse = ((gainCode & 0x10) ? 2 : 1) * ((gainCode & 0x20) ? 2 : 1);
    const int32_t fine = gainCode & 0x0F;
    return coarse * (6.0 + fine) / 8.0;
}

void BuildResponse(int32_t exposure, int32_t gainCode, bool sixteen, std::vector<uint16_t>* lut) {
    lut->resize(65536);
    const uint32_t full = sixteen ? 4095 : 255;
    const int shift = sixteen ? 4 : 8;
    const double k = std::max(exposure, 1) / 637.0 * AnalogGain(gainCode);
    for (uint32_t v = 0; v < 65536; ++v) {
        // Unity is kept exact so that a known picture reads back bit for bit.
        const double scaled = k == 1.0 ? v : std::floor(v * k);
        const uint64_t sample = static_cast<uint64_t>(scaled) >> shift;
        (*lut)[v] = static_cast<uint16_t>(std::min<uint64_t>(sample, full));
    }
}

namespace {

// Coordinates outside the array repeat its last two rows or columns, so that the filter
// phase of the substitute pixel matches.
inline int32_t FoldInto(int32_t v, int32_t size) {
    if (v < 0) return v & 1;
    if (v >= size) return size - 2 + (v & 1);
    return v;
}

inline void Store(uint8_t* out, size_t index, uint16_t v, bool sixteen) {
    if (sixteen) {
        out[2 * index] = static_cast<uint8_t>(v);
        out[2 * index + 1] = static_cast<uint8_t>(v >> 8);
    } else {
        out[index] = static_cast<uint8_t>(v);
    }
}

}  // namespace

namespace {

// One row of the window: scene values through the response, with the moving disc painted over
// the columns in [discFrom, discTo] and the noise added. Instantiated per sample width and
// noise, so the loop carries no test that is the same for every sample.
// Step is +1 or -1 when the window's columns are consecutive array columns (the usual case: no
// fold at the array's edge), read without the column table; 0 reads the table.
template <bool Sixteen, bool Noisy, int Step>
void ReadRow(const uint16_t* src, const int32_t* columns, int32_t count, int32_t sy,
             int32_t discFrom, int32_t discTo, const uint16_t* response, int32_t noise,
             uint32_t& noiseState, uint8_t* row) {
    constexpr uint16_t kFull = Sixteen ? 4095 : 255;
    const int32_t first = count > 0 ? columns[0] : 0;
    for (int32_t c = 0; c < count; ++c) {
        const int32_t sx = Step == 0 ? columns[c] : first + Step * c;
        uint16_t scene16 = src[sx];
        if (sx >= discFrom && sx <= discTo) {
            const Filter f = FilterAt(sy, sx);
            scene16 = Scene::kDiscRgb[f == Filter::kRed ? 0 : f == Filter::kGreen ? 1 : 2];
        }
        uint16_t v = response[scene16];
        if constexpr (Noisy) {
            noiseState ^= noiseState << 13;
            noiseState ^= noiseState >> 17;
            noiseState ^= noiseState << 5;
            const int32_t n = static_cast<int32_t>(noiseState % (2u * noise + 1)) - noise;
            v = static_cast<uint16_t>(std::clamp<int32_t>(v + n, 0, kFull));
        }
        Store(row, static_cast<size_t>(c), v, Sixteen);
    }
}

using RowReader = void (*)(const uint16_t*, const int32_t*, int32_t, int32_t, int32_t, int32_t,
                           const uint16_t*, int32_t, uint32_t&, uint8_t*);

}  // namespace

void ReadOut(const Scene& scene, const ReadoutParams& p, const uint16_t* response, uint8_t* out,
             size_t outBytes) {
    const size_t s = p.sixteen ? 2 : 1;
    const int32_t width = std::max(p.width, 0);
    const int32_t height = std::max(p.height, 0);
    const size_t rowBytes = static_cast<size_t>(width) * s;
    std::vector<int32_t> columns(static_cast<size_t>(width));
    for (int32_t c = 0; c < width; ++c) {
        columns[c] = FoldInto(p.columnStart + (p.mirrorH ? width - 1 - c : c), kArrayWidth);
    }
    int32_t discX = 0, discY = 0;
    if (scene.moving()) Scene::DiscCentre(p.sequence, &discX, &discY);
    const int32_t r2 = Scene::kDiscRadius * Scene::kDiscRadius;
    uint32_t noiseState = p.sequence * 2654435761u + 1u;
    const bool noisy = p.noise > 0;
    int step = p.mirrorH ? -1 : 1;
    for (int32_t c = 1; c < width && step != 0; ++c)
        if (columns[c] != columns[0] + step * c) step = 0;
    static constexpr RowReader kReaders[2][2][3] = {
        {{ReadRow<false, false, -1>, ReadRow<false, false, 0>, ReadRow<false, false, 1>},
         {ReadRow<false, true, -1>, ReadRow<false, true, 0>, ReadRow<false, true, 1>}},
        {{ReadRow<true, false, -1>, ReadRow<true, false, 0>, ReadRow<true, false, 1>},
         {ReadRow<true, true, -1>, ReadRow<true, true, 0>, ReadRow<true, true, 1>}}};
    const RowReader read = kReaders[p.sixteen ? 1 : 0][noisy ? 1 : 0][step + 1];

    size_t written = 0;
    for (int32_t r = 0; r < height && written < outBytes; ++r) {
        const int32_t sy = FoldInto(p.rowStart + (p.mirrorV ? height - 1 - r : r), kArrayHeight);
        const uint16_t* src = scene.mosaic() + static_cast<size_t>(sy) * kArrayWidth;
        uint8_t* row = out + static_cast<size_t>(r) * rowBytes;
        const int32_t limit = static_cast<int32_t>(std::min(rowBytes, outBytes - written) / s);
        const int32_t dy = sy - discY;
        const bool inDisc = scene.moving() && dy * dy <= r2;
        const int32_t half = inDisc ? static_cast<int32_t>(std::sqrt(double(r2 - dy * dy))) : -1;
        // Outside the disc's rows the column range is empty.
        const int32_t discFrom = inDisc ? discX - half : 1, discTo = inDisc ? discX + half : 0;
        read(src, columns.data(), limit, sy, discFrom, discTo, response, p.noise, noiseState, row);
        written += static_cast<size_t>(limit) * s;
        if (static_cast<size_t>(limit) * s < rowBytes) break;
    }
    if (written < outBytes) std::memset(out + written, 0, outBytes - written);

    // Stamped in readout order, so that it sits top-left whatever the mirroring.
    if (p.stamp) StampSequence(p.sequence, width, height, p.sixteen, out, outBytes);
}

}  // namespace rezive::virtual_camera
