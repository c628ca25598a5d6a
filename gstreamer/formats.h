/* The colour modes that have a GStreamer video format of the same memory layout. The 48-bit
 * mode has none (GStreamer has no packed 16-bit BGR format); the 64-bit mode goes out as
 * BGRA64_LE with its fourth channel, which carries nothing, made an opaque alpha. */
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

/* Brings a frame of the 16-bit formats in place to GStreamer's meaning of them: 12-bit samples
 * widened to the full 16-bit range (v << 4 | v >> 8, the same rule as the library's PNG files;
 * v >> 4 gets the camera's value back) and BGRA64's alpha opaque. Other formats are left. */
void rezive_widen_frame(GstVideoFormat format, guint8* rows, gint width, gint height,
                        gint stride);

#endif
