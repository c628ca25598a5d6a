// Index and gray conversions to 24-bit colour through a 256-entry table, rows
// flipped.
//
// The recorder turns every 8 and 16-bit frame into 24-bit colour this way, so
// the row loops are the hot part: a packed 3-byte destination stores each entry
// as one word, and a gray table (the ramp every camera image carries) needs no
// lookup at all, which the wide build vectorises into byte shuffles.
#include <cstring>

#include "imaging/conversions.h"
#include "imaging/cpu_dispatch.h"
#include "imaging/dib_image.h"
#include "imaging/pixel_access.h"

namespace rezive {
namespace {

using pixel::Load16;
using pixel::RowAt;

// The table index of source pixel j for each source pixel size.
template <int Sb>
struct IndexOf;
template <>
struct IndexOf<1> {
    REZIVE_INLINE static uint8_t At(const uint8_t* s, ptrdiff_t j) { return s[j]; }
};
template <>
struct IndexOf<2> {
    // The same eight bits as Mono12To8: a sample above 12 bits wraps.
    REZIVE_INLINE static uint8_t At(const uint8_t* s, ptrdiff_t j) {
        return static_cast<uint8_t>(Load16(s + 2 * j) >> 4);
    }
};

// Each entry stored as a whole word at 3-byte steps, the next pixel overwriting
// the word's fourth byte; the last pixel stores only its three bytes, so
// nothing past the row is touched.
template <int Sb>
REZIVE_INLINE void TableRow(uint8_t* d, const uint8_t* s, int32_t w, const uint32_t* table) {
    for (int32_t j = 0; j + 1 < w; ++j)
        std::memcpy(d + 3 * j, &table[IndexOf<Sb>::At(s, j)], 4);
    std::memcpy(d + 3 * (w - 1), &table[IndexOf<Sb>::At(s, w - 1)], 3);
}

template <int Sb>
REZIVE_INLINE void GrayRow(uint8_t* __restrict d, const uint8_t* __restrict s, int32_t w) {
    for (int32_t j = 0; j < w; ++j) {
        const uint8_t v = IndexOf<Sb>::At(s, j);
        d[3 * j] = v;
        d[3 * j + 1] = v;
        d[3 * j + 2] = v;
    }
}

// SkipGrayLookup: the build whose byte shuffles make a gray table cheaper
// computed than looked up; the baseline has no byte shuffle, and its table loop
// is the faster one.
template <int Sb, bool SkipGrayLookup>
REZIVE_INLINE int32_t TableFlipped(REZIVE_KERNEL_PARAMS) {
    if (param == nullptr || dstBpp < 3 || srcBpp < Sb) return 0;
    const ColorTable24& table = *static_cast<const ColorTable24*>(param);
    const int32_t w = rect.Width(), h = rect.Height();
    if (w <= 0) return 1;
    const bool packed = dstBpp == 3 && srcBpp == Sb;
    for (int32_t i = 0; i < h; ++i) {
        const uint8_t* s =
            RowAt(src, rect.bottom - 1 - i, srcStride) + rect.left * ptrdiff_t{srcBpp};
        uint8_t* d = RowAt(dst, y + i, dstStride) + x * ptrdiff_t{dstBpp};
        if (packed && SkipGrayLookup && table.gray) {
            GrayRow<Sb>(d, s, w);
        } else if (packed) {
            TableRow<Sb>(d, s, w, table.entries);
        } else {
            // Wider pixels get the three colour bytes and keep the rest.
            for (int32_t j = 0; j < w; ++j) {
                const uint8_t index = IndexOf<Sb>::At(s + j * ptrdiff_t{srcBpp}, 0);
                std::memcpy(d + j * ptrdiff_t{dstBpp}, &table.entries[index], 3);
            }
        }
    }
    return 1;
}

}  // namespace

ColorTable24 MakeColorTable24(const PaletteEntry* colors) {
    ColorTable24 table;
    table.gray = true;
    for (int i = 0; i < 256; ++i) {
        const PaletteEntry& e = colors[i];
        const uint8_t bytes[4] = {e.blue, e.green, e.red, 0};
        std::memcpy(&table.entries[i], bytes, sizeof bytes);
        table.gray = table.gray && e.blue == i && e.green == i && e.red == i;
    }
    return table;
}

const ColorTable24& GrayColorTable24() {
    static const ColorTable24 table = [] {
        PaletteEntry ramp[256];
        for (int i = 0; i < 256; ++i) {
            const auto v = static_cast<uint8_t>(i);
            ramp[i] = PaletteEntry{v, v, v, 0};
        }
        return MakeColorTable24(ramp);
    }();
    return table;
}

REZIVE_DEFINE_DISPATCHED_KERNEL_PAIR(Index8To24Flipped, (TableFlipped<1, true>),
                                     (TableFlipped<1, false>))
REZIVE_DEFINE_DISPATCHED_KERNEL_PAIR(Mono12To24Flipped, (TableFlipped<2, true>),
                                     (TableFlipped<2, false>))

}  // namespace rezive
