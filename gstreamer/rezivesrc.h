/* rezivesrc: live frames of a camera as a GStreamer push source, through the public C API. */
#ifndef REZIVE_GST_REZIVESRC_H
#define REZIVE_GST_REZIVESRC_H

#include <ReziveSdk.h>
#include <gst/base/gstpushsrc.h>
#include <gst/video/video.h>

#include "frame_timing.h"
#include "settings.h"

G_BEGIN_DECLS

#define GST_TYPE_REZIVE_SRC (gst_rezive_src_get_type())
G_DECLARE_FINAL_TYPE(GstReziveSrc, gst_rezive_src, GST, REZIVE_SRC, GstPushSrc)

#define REZIVE_SRC_MAX_SETTINGS 32

struct _GstReziveSrc {
    GstPushSrc parent;

    /* Properties; under the object lock. */
    gint device;
    gboolean trigger_mode;
    ReziveSettingValue values[REZIVE_SRC_MAX_SETTINGS];

    /* The camera between start and stop. The handle is also read under the object lock by
     * property calls from the application's threads; the library serialises the calls. */
    RzHandle handle;
    RzWindow window;
    GstVideoInfo info;
    gboolean acquiring;
    gboolean trigger_running;
    /* The buffer the library copies the next preview frame into, mapped while it is the
     * callback target. */
    GstBuffer* target;
    GstMapInfo target_map;

    gint flushing; /* atomic: unlock() asked create() to return */
    gint rate10;   /* atomic: the frame rate the camera last reported, x 10 */

    /* The clock the element offers the pipeline: the monotonic clock of the frames' capture
     * times, so that a buffer's time is its frame's exact capture time. */
    GstClock* clock;
    /* Offsets, drops and the frame period; under the object lock (read by properties). */
    ReziveFrameCounter counter;
    /* The latency last reported: the exposure and readout of the newest frame. */
    GstClockTime latency;

    /* The window and colour mode stored before negotiation changed them, put back at stop:
     * caps are the pipeline's choice for its run, not the camera's kept settings. */
    gboolean restore_window;
    gint stored_window[6];
    gint stored_mode;
};

G_END_DECLS

#endif
