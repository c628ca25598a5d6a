#include "frame_timing.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

static void fill(const RzFrameMeta* meta, gint height, ReziveFrameStamp* stamp) {
    stamp->sequence = meta->sequence;
    stamp->captured = (GstClockTime)meta->captureUs * GST_USECOND;
    stamp->exposure = (GstClockTime)meta->exposureUs * GST_USECOND;
    /* The rows of the window come out one line time apart, and the line time is what the
     * exposure in lines converts with. */
    stamp->readout = meta->exposureLines > 0
                         ? gst_util_uint64_scale(stamp->exposure, (guint64)height,
                                                 (guint64)meta->exposureLines)
                         : 0;
}

gboolean rezive_frame_stamp_of_buffer(RzHandle handle, const void* data, gint height,
                                      ReziveFrameStamp* stamp) {
    RzFrameMeta meta;
    memset(&meta, 0, sizeof meta);
    meta.size = sizeof meta;
    if (RzGetBufferMeta(handle, data, &meta) != 1) return FALSE;
    fill(&meta, height, stamp);
    return TRUE;
}

gboolean rezive_frame_stamp_of_record(const RzFrameInfo* info, gint height,
                                      ReziveFrameStamp* stamp) {
    RzFrameMeta meta;
    memset(&meta, 0, sizeof meta);
    meta.size = sizeof meta;
    if (RzGetFrameMeta(info, &meta) != 1) return FALSE;
    fill(&meta, height, stamp);
    return TRUE;
}

static gboolean is_monotonic_system_clock(GstClock* clock) {
    /* Subclasses (audio clocks) keep time of their own. */
    if (G_OBJECT_TYPE(clock) != GST_TYPE_SYSTEM_CLOCK) return FALSE;
    GstClockType type = GST_CLOCK_TYPE_REALTIME;
    g_object_get(clock, "clock-type", &type, NULL);
    return type == GST_CLOCK_TYPE_MONOTONIC;
}

GstClockTime rezive_frame_clock_time(GstClock* clock, const ReziveFrameStamp* stamp) {
    const GstClockTime lead = stamp->exposure + stamp->readout;
    const GstClockTime start = stamp->captured > lead ? stamp->captured - lead : 0;
    if (is_monotonic_system_clock(clock)) {
        GstClockTime internal, external, num, denom;
        gst_clock_get_calibration(clock, &internal, &external, &num, &denom);
        return gst_clock_adjust_with_calibration(clock, start, internal, external, num, denom);
    }
    const GstClockTime now = gst_clock_get_time(clock);
    const GstClockTime monotonic = (GstClockTime)g_get_monotonic_time() * GST_USECOND;
    const GstClockTime age = monotonic > start ? monotonic - start : 0;
    return now > age ? now - age : 0;
}

void rezive_frame_counter_reset(ReziveFrameCounter* counter) {
    memset(counter, 0, sizeof *counter);
    counter->period = GST_CLOCK_TIME_NONE;
    counter->last_time = GST_CLOCK_TIME_NONE;
}

void rezive_frame_counter_new_run(ReziveFrameCounter* counter, gboolean periodic) {
    counter->periodic = periodic;
    counter->run_base = counter->next_offset;
    counter->last_sequence = 0;
    counter->last_frame = 0;
    counter->fitted = 0;
    counter->has_line = FALSE;
}

static int compare_doubles(const void* a, const void* b) {
    const double x = *(const double*)a, y = *(const double*)b;
    return (x > y) - (x < y);
}

static double median(double* values, guint n) {
    qsort(values, n, sizeof *values, compare_doubles);
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

/* The line's time of a frame number, relative to line_y0. */
static double line_at(const ReziveFrameCounter* counter, guint64 frame) {
    return counter->line_height + counter->line_slope * (double)frame;
}

/* The line through the kept frames: its slope the median of the slopes between every two of
 * them, its height the median of their distances from it. Medians, not least squares: a frame
 * whose transfer was read late, by tens of milliseconds on a busy machine, moves neither. */
static void fit(ReziveFrameCounter* counter) {
    const guint n = MIN(counter->fitted, REZIVE_FIT_FRAMES);
    counter->has_line = FALSE;
    if (n < 2) return;
    const guint first = counter->fitted - n;
    /* Times from the oldest kept frame, so that doubles hold them exactly enough. */
    const GstClockTime y0 = counter->fit_captured[first % REZIVE_FIT_FRAMES];
    double x[REZIVE_FIT_FRAMES], y[REZIVE_FIT_FRAMES];
    for (guint k = 0; k < n; ++k) {
        x[k] = (double)counter->fit_frame[(first + k) % REZIVE_FIT_FRAMES];
        y[k] = (double)counter->fit_captured[(first + k) % REZIVE_FIT_FRAMES] - (double)y0;
    }
    double slopes[REZIVE_FIT_FRAMES * (REZIVE_FIT_FRAMES - 1) / 2];
    guint pairs = 0;
    for (guint i = 0; i < n; ++i)
        for (guint j = i + 1; j < n; ++j)
            if (x[j] > x[i]) slopes[pairs++] = (y[j] - y[i]) / (x[j] - x[i]);
    if (pairs == 0) return;
    const double slope = median(slopes, pairs);
    if (slope <= 0) return;
    double heights[REZIVE_FIT_FRAMES];
    for (guint k = 0; k < n; ++k) heights[k] = y[k] - slope * x[k];
    counter->line_y0 = y0;
    counter->line_slope = slope;
    counter->line_height = median(heights, n);
    counter->has_line = TRUE;
    counter->period = (GstClockTime)(slope + 0.5);
}

/* Frames the camera made between the last frame and this one that the library never fetched:
 * whole periods by which this frame comes later than the line expects it. A transfer is only
 * ever read late, never early, so a frame is taken for the next one only when it is nearly a
 * whole period late: a frame merely read late by up to 0.8 periods keeps its number. */
#define UNFETCHED_THRESHOLD 0.8
#define SLEW (0.5 * GST_MSECOND)
static guint64 unfetched_before(const ReziveFrameCounter* counter, guint64 frame,
                                GstClockTime captured) {
    if (!counter->periodic || !counter->has_line || counter->fitted < REZIVE_FIT_FRAMES / 4)
        return 0;
    const double late = ((double)captured - (double)counter->line_y0) - line_at(counter, frame);
    const double periods = late / counter->line_slope;
    return periods >= UNFETCHED_THRESHOLD ? (guint64)(periods + 1.0 - UNFETCHED_THRESHOLD) : 0;
}

guint64 rezive_frame_counter_take(ReziveFrameCounter* counter, ReziveFrameStamp* stamp,
                                  guint64* lost) {
    guint64 sequence = stamp->sequence;
    /* A number that does not move on (no meta) continues the count as if none was lost. */
    if (sequence <= counter->last_sequence) sequence = counter->last_sequence + 1;
    const guint64 previous = counter->last_frame;
    guint64 frame = previous + (sequence - counter->last_sequence);
    frame += unfetched_before(counter, frame, stamp->captured);
    *lost = frame - counter->last_frame - 1;
    counter->last_sequence = sequence;
    counter->last_frame = frame;
    counter->dropped += *lost;

    if (!counter->periodic) {
        if (GST_CLOCK_TIME_IS_VALID(counter->last_time) && stamp->captured <= counter->last_time)
            stamp->captured = counter->last_time + 1;
        counter->last_time = stamp->captured;
        const guint64 offset = counter->run_base + frame - 1;
        counter->next_offset = offset + 1;
        return offset;
    }
    const guint slot = counter->fitted++ % REZIVE_FIT_FRAMES;
    counter->fit_frame[slot] = frame;
    counter->fit_captured[slot] = stamp->captured;
    fit(counter);
    GstClockTime at = stamp->captured;
    if (counter->has_line) {
        double t = (double)counter->line_y0 + line_at(counter, frame);
        /* The line itself moves a little with every frame it takes in; the times follow it by
         * an eighth of the way, at most SLEW a frame, so that a buffer's step stays its
         * period. A line a whole period away (a new run) is taken at once. */
        if (GST_CLOCK_TIME_IS_VALID(counter->last_time) && frame > previous && previous > 0) {
            const double expected =
                (double)counter->last_time + counter->line_slope * (double)(frame - previous);
            const double off = t - expected;
            if (fabs(off) < counter->line_slope) t = expected + CLAMP(off / 8, -SLEW, SLEW);
        }
        at = t > 0 ? (GstClockTime)(t + 0.5) : 0;
    }
    /* Buffers' times only move forward, also where a new run's first frame has no line yet. */
    if (GST_CLOCK_TIME_IS_VALID(counter->last_time) && at <= counter->last_time)
        at = counter->last_time + 1;
    counter->last_time = at;
    stamp->captured = at;

    const guint64 offset = counter->run_base + frame - 1;
    counter->next_offset = offset + 1;
    return offset;
}
