#include "formats.h"

#include <ReziveSdk.h>

static const ReziveFormat kFormats[] = {
    {GST_VIDEO_FORMAT_BGR, RZ_BITS_BGR24},
    {GST_VIDEO_FORMAT_BGRx, RZ_BITS_BGRX32},
    {GST_VIDEO_FORMAT_GRAY8, RZ_BITS_GRAY8},
    {GST_VIDEO_FORMAT_GRAY16_LE, RZ_BITS_GRAY16},
    {GST_VIDEO_FORMAT_BGRA64_LE, RZ_BITS_BGRX64},
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

/* v << 4 | v >> 8 takes 0..4095 onto 0..65535 and keeps v in its top 12 bits. */
static inline guint16 widen12(guint v) { return (guint16)(((v << 4) | (v >> 8)) & 0xFFFFu); }

void rezive_widen_frame(GstVideoFormat format, guint8* rows, gint width, gint height,
                        gint stride) {
    if (format != GST_VIDEO_FORMAT_GRAY16_LE && format != GST_VIDEO_FORMAT_BGRA64_LE) return;
    const gint channels = format == GST_VIDEO_FORMAT_BGRA64_LE ? 4 : 1;
    for (gint y = 0; y < height; ++y) {
        guint8* p = rows + (gsize)y * (gsize)stride;
        for (gint x = 0; x < width; ++x) {
            for (gint c = 0; c < channels; ++c, p += 2) {
                /* The camera's fourth channel carries nothing: it becomes an opaque alpha. */
                const guint16 w = c == 3 ? 0xFFFFu : widen12((guint)p[0] | ((guint)p[1] << 8));
                p[0] = (guint8)w;
                p[1] = (guint8)(w >> 8);
            }
        }
    }
}
