// Lookup tables of the tone filters and their per-camera cache.
#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "imaging/filters.h"

namespace rezive {
namespace {

// Contrast beyond +-127 would divide by zero (or flip the ramp); the setter never passes it.
int32_t ClampContrast(int32_t c) { return std::clamp(c, -127, 127); }

double GammaExponent(int32_t g) { return g > 100 ? (g - 100) / 10.0 + 1.0 : g / 100.0; }

}  // namespace

void BuildContrastTable8(int32_t contrast, uint8_t* table) {
    const int32_t c = ClampContrast(contrast);
    const double slope = 256.0 / (2 * (128 - c));
    for (int32_t i = 0; i < 256; ++i) {
        if (i < c)
            table[i] = 0;
        else if (i > 255 - c)
            table[i] = 255;
        else
            table[i] = static_cast<uint8_t>(static_cast<int32_t>(slope * (i - c)));
    }
}

void BuildContrastTable16(int32_t contrast, int32_t n, uint16_t* table) {
    const int32_t c = ClampContrast(contrast);
    const int32_t size = 1 << n, limit = size - 1;
    const int32_t a = c * (1 << (n - 8));
    const double slope = static_cast<double>(size) / (size - 2 * a);
    for (int32_t i = 0; i < size; ++i) {
        if (i < a)
            table[i] = 0;
        else if (i > limit - a)
            table[i] = static_cast<uint16_t>(limit);
        else
            table[i] = static_cast<uint16_t>(static_cast<int32_t>(slope * (i - a)));
    }
}

void BuildGammaTable8(int32_t gamma, bool colour, uint8_t* table) {
    double e = GammaExponent(gamma);
    // Colour keeps black black at gamma 0 (pow(0, 0) would be 1).
    if (colour && e < 0.001) e = 0.001;
    for (int32_t i = 0; i < 256; ++i)
        table[i] = static_cast<uint8_t>(static_cast<int32_t>(std::pow(i / 255.0, e) * 255));
}

void BuildGammaTable16(int32_t gamma, int32_t n, uint16_t* table) {
    const double e = GammaExponent(gamma);
    const int32_t size = 1 << n;
    const double scale = size - 1;
    // The divisor is 2^n, not the limit: the top entry is limit - 1 at exponent 1.
    for (int32_t i = 0; i < size; ++i)
        table[i] = static_cast<uint16_t>(
            static_cast<int32_t>(std::pow(i / static_cast<double>(size), e) * scale));
}

float BrightnessFactor(int32_t b) {
    double k = 1.0;
    if (b > 0)
        k = 1.0 + b * 0.0392156862745098;
    else if (b < 0)
        k = 1.0 - -static_cast<double>(b) * 0.00392156862745098;
    return static_cast<float>(k);
}

struct FilterTables::Cache {
    bool valid = false;
    int32_t value = 0;
    int32_t n = 0;
    std::vector<uint16_t> table;

    template <class Build>
    const uint16_t* Get(int32_t v, int32_t bits, Build build) {
        if (valid && value == v && n == bits) return table.data();
        valid = false;
        try {
            table.resize(static_cast<size_t>(1) << bits);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        build(v, bits, table.data());
        value = v;
        n = bits;
        valid = true;
        return table.data();
    }
};

// A composed table and the settings it was composed for.
struct FilterTables::Curve {
    bool valid = false;
    int32_t gamma = 0, contrast = 0, brightness = 0, variant = 0;
    std::vector<uint8_t> table8;    // 256 entries
    std::vector<uint16_t> table16;  // 2^n entries

    bool Matches(int32_t g, int32_t c, int32_t b, int32_t v) const {
        return valid && gamma == g && contrast == c && brightness == b && variant == v;
    }
    void Keep(int32_t g, int32_t c, int32_t b, int32_t v) {
        gamma = g;
        contrast = c;
        brightness = b;
        variant = v;
        valid = true;
    }
};

namespace {

// Runs a filter kernel of the mono layouts over the table itself, seen as one row of samples,
// so each step maps the entries exactly as it maps the samples of a frame.
template <class S>
bool MapRow(PixelKernel kernel, S* row, int32_t count, FilterParams params) {
    const Rect whole{0, 0, count, 1};
    auto* bytes = reinterpret_cast<uint8_t*>(row);
    const auto stride = static_cast<int32_t>(count * sizeof(S));
    return kernel(bytes, bytes, whole, 0, 0, sizeof(S), sizeof(S), stride, stride, &params) == 1;
}

}  // namespace

const uint8_t* FilterTables::Curve8(int32_t gamma, int32_t contrast, int32_t brightness,
                                    bool colour) {
    Curve& c = *curve8_;
    if (c.Matches(gamma, contrast, brightness, colour ? 1 : 0)) return c.table8.data();
    c.valid = false;
    c.table8.resize(256);
    uint8_t* table = c.table8.data();
    if (gamma != 100) {
        // The colour and mono gamma tables differ at gamma 0, so it is built, not mapped.
        BuildGammaTable8(gamma, colour, table);
    } else {
        for (int32_t i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(i);
    }
    if (contrast != 0) {
        uint8_t map[256];
        BuildContrastTable8(contrast, map);
        for (int32_t i = 0; i < 256; ++i) table[i] = map[table[i]];
    }
    if (brightness != 0) MapRow<uint8_t>(BrightnessMono8, table, 256, {brightness, 8, nullptr});
    c.Keep(gamma, contrast, brightness, colour ? 1 : 0);
    return table;
}

const uint16_t* FilterTables::Curve16(int32_t gamma, int32_t contrast, int32_t brightness,
                                      int32_t n) {
    n = std::clamp(n, 8, 16);
    Curve& c = *curve16_;
    if (c.Matches(gamma, contrast, brightness, n)) return c.table16.data();
    c.valid = false;
    const int32_t size = 1 << n;
    try {
        c.table16.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    uint16_t* table = c.table16.data();
    for (int32_t i = 0; i < size; ++i) table[i] = static_cast<uint16_t>(i);
    // The ramp holds every sample up to the limit; a sample above it reads the last entry,
    // as gamma and contrast read their own tables.
    if (gamma != 100 && !MapRow<uint16_t>(GammaMono16, table, size, {gamma, n, this}))
        return nullptr;
    if (contrast != 0 && !MapRow<uint16_t>(ContrastMono16, table, size, {contrast, n, this}))
        return nullptr;
    if (brightness != 0) MapRow<uint16_t>(BrightnessMono16, table, size, {brightness, n, this});
    c.Keep(gamma, contrast, brightness, n);
    return table;
}

FilterTables::FilterTables()
    : contrast_(new Cache), gamma_(new Cache), curve8_(new Curve), curve16_(new Curve) {}
FilterTables::~FilterTables() = default;

const uint16_t* FilterTables::Contrast16(int32_t contrast, int32_t n) {
    return contrast_->Get(contrast, n, BuildContrastTable16);
}

const uint16_t* FilterTables::Gamma16(int32_t gamma, int32_t n) {
    return gamma_->Get(gamma, n, BuildGammaTable16);
}

}  // namespace rezive
