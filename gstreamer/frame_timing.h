/* The timing of the element's buffers: each frame's capture time from the library's frame meta,
 * mapped to the pipeline clock; offsets from the camera's frame sequence across restarts, with
 * the frames lost between two buffers; the camera's latency from the frame's exposure and
 * readout. */
#ifndef REZIVE_GST_FRAME_TIMING_H
#define REZIVE_GST_FRAME_TIMING_H

#include <ReziveSdk.h>
#include <gst/gst.h>

G_BEGIN_DECLS

/* What the library tells about one frame, in GStreamer's units. */
typedef struct {
    guint64 sequence;       /* the frame's number in its acquisition run (1 = first) */
    GstClockTime captured;  /* CLOCK_MONOTONIC time its last row arrived */
    GstClockTime exposure;  /* its exposure, 0 when the line time is unknown */
    GstClockTime readout;   /* the time its rows take to read out, 0 when unknown */
} ReziveFrameStamp;

/* The stamp of the frame in a buffer the camera has written and handed back, or of the frame
 * a frame record describes; FALSE when the library holds no meta of it. */
gboolean rezive_frame_stamp_of_buffer(RzHandle handle, const void* data, gint height,
                                      ReziveFrameStamp* stamp);
gboolean rezive_frame_stamp_of_record(const RzFrameInfo* info, gint height,
                                      ReziveFrameStamp* stamp);

/* The time of the frame's first exposure on the clock: exact on a monotonic system clock (the
 * element's own, or GStreamer's default), through the clock's calibration; on any other clock
 * by the frame's age now, which is as exact as the two clocks' reads are close. */
GstClockTime rezive_frame_clock_time(GstClock* clock, const ReziveFrameStamp* stamp);

/* Buffer offsets and drops over the whole stream, counted in the camera's frames: offsets go on
 * across acquisition runs (the library numbers each run's frames from 1), and a gap is frames
 * the camera made that no buffer carries.
 *
 * Capture times are read when a frame's transfer ends, so each carries the host's scheduling
 * delay, a few milliseconds on a loaded machine, while the sensor makes its frames exactly one
 * period apart. The counter fits a line through the last frames' (frame number, capture time)
 * and gives each frame its time on that line: the period is the line's slope and the steps
 * between buffers are whole periods. The library's numbers count the frames it fetched; a
 * frame fetched a whole period later than the line says is one after a frame the camera made
 * while the host was late to ask, and that frame is counted lost too. */
#define REZIVE_FIT_FRAMES 32
typedef struct {
    guint64 next_offset;    /* the offset the next frame takes when none was lost */
    guint64 run_base;       /* the offset of the camera's frame 1 in the current run */
    guint64 last_sequence;  /* the library's number of the run's last frame, 0 before it */
    guint64 last_frame;     /* the camera's number of it (the library's and those lost) */
    guint64 dropped;        /* frames lost since the element started */
    GstClockTime period;    /* the camera's frame period; NONE until two frames came */
    GstClockTime last_time; /* the last frame's time on the line */
    /* The current run's last frames, and the line through them (times from line_y0). */
    gboolean periodic;
    guint fitted;
    guint64 fit_frame[REZIVE_FIT_FRAMES];
    GstClockTime fit_captured[REZIVE_FIT_FRAMES];
    gboolean has_line;
    GstClockTime line_y0;
    double line_height, line_slope;
} ReziveFrameCounter;

void rezive_frame_counter_reset(ReziveFrameCounter* counter);
/* A new acquisition run starts: its sequence 1 takes the next offset. A run of triggered frames
 * is not periodic: its frames keep their capture times and only the library's numbers count. */
void rezive_frame_counter_new_run(ReziveFrameCounter* counter, gboolean periodic);
/* Takes a frame: its offset, the frames lost just before it (the buffer is DISCONT then), and
 * its capture time on the fitted line, which replaces stamp->captured. */
guint64 rezive_frame_counter_take(ReziveFrameCounter* counter, ReziveFrameStamp* stamp,
                                  guint64* lost);

G_END_DECLS

#endif
