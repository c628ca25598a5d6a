#include "formats.h"

#include <ReziveSdk.h>

static const ReziveFormat kFormats[] = {
    {GST_VIDEO_FORMAT_BGR, RZ_BITS_BGR24},
    {GST_VIDEO_FORMAT_BGRx, RZ_BITS_BGRX32},
    {GST_VIDEO_FORMAT_GRAY8, RZ_BITS_GRAY8},
    {GST_VIDEO_FORMAT_GRAY16_LE, RZ_BITS_GRAY16},
};

const ReziveFormat* rezive_formats(guint* count) {
    *count = G_N_ELEMENTS(kFormats);
    return kFormats;
}

GstVideoFormat rezive_format_of_mode(int code) {
    const int bits = RZ_BITS_OF_COLOR_MODE(code);
    for (guint k = 0; k < G_N_ELEMENTS(kFormats); ++k)
        if (kFormats[k].bits == bits) return kFormats[k].format;
    return GST_VIDEO_FORMAT_UNKNOWN;
}

int rezive_bits_of_format(GstVideoFormat format) {
    for (guint k = 0; k < G_N_ELEMENTS(kFormats); ++k)
        if (kFormats[k].format == format) return kFormats[k].bits;
    return 0;
}

void rezive_widen_gray12(guint8* rows, gint width, gint height, gint stride) {
    for (gint y = 0; y < height; ++y) {
        guint8* p = rows + (gsize)y * (gsize)stride;
        for (gint x = 0; x < width; ++x, p += 2) {
            const guint v = (guint)p[0] | ((guint)p[1] << 8);
            const guint w = ((v << 4) | (v >> 8)) & 0xFFFFu;
            p[0] = (guint8)w;
            p[1] = (guint8)(w >> 8);
        }
    }
}
