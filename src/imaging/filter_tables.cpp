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

FilterTables::FilterTables() : contrast_(new Cache), gamma_(new Cache) {}
FilterTables::~FilterTables() = default;

const uint16_t* FilterTables::Contrast16(int32_t contrast, int32_t n) {
    return contrast_->Get(contrast, n, BuildContrastTable16);
}

const uint16_t* FilterTables::Gamma16(int32_t gamma, int32_t n) {
    return gamma_->Get(gamma, n, BuildGammaTable16);
}

}  // namespace rezive
