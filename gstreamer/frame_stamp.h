/* What a frame message tells about the frame itself: its sequence number and capture time.
 * The frame record does not carry them yet, so both are unknown and the element times a frame
 * by the clock at its message. When the record gains them, rezive_frame_stamp_read() is the one
 * place to fill them in; the element already uses them when they are known. */
#ifndef REZIVE_GST_FRAME_STAMP_H
#define REZIVE_GST_FRAME_STAMP_H

#include <ReziveSdk.h>
#include <gst/gst.h>

typedef struct {
    gint64 sequence;        /* the camera's frame number, or -1 when unknown */
    GstClockTime captured;  /* CLOCK_MONOTONIC nanoseconds at capture, or GST_CLOCK_TIME_NONE */
} ReziveFrameStamp;

static inline ReziveFrameStamp rezive_frame_stamp_read(const RzFrameInfo* info) {
    ReziveFrameStamp stamp = {-1, GST_CLOCK_TIME_NONE};
    (void)info;
    return stamp;
}

#endif
