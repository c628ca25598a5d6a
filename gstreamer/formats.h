/* The colour modes that have a GStreamer video format of the same memory layout. The 48 and
 * 64-bit modes have none: GStreamer has no packed 16-bit BGR format, and its 16-bit BGRA
 * formats would read the camera's fourth channel (always 0) as a transparent alpha. */
#ifndef REZIVE_GST_FORMATS_H
#define REZIVE_GST_FORMATS_H

#include <gst/video/video.h>

typedef struct {
    GstVideoFormat format;
    int bits; /* RZ_BITS_ value */
} ReziveFormat;

/* The formats in the order they are offered. */
const ReziveFormat* rezive_formats(guint* count);
/* The format of a colour-mode code (Rezive_GetColorMode), or GST_VIDEO_FORMAT_UNKNOWN. */
GstVideoFormat rezive_format_of_mode(int code);
/* Bits per pixel of a format, 0 when the camera has no mode for it. */
int rezive_bits_of_format(GstVideoFormat format);

/* Widens 12-bit gray samples in place to GStreamer's full 16-bit range (v << 4 | v >> 8, the
 * same rule as the library's PNG files); v >> 4 gets the camera's value back. */
void rezive_widen_gray12(guint8* rows, gint width, gint height, gint stride);

#endif
