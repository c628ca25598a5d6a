#include "rezivesrc.h"

#include <string.h>

#include "errors.h"
#include "formats.h"
#include "frame_timing.h"

GST_DEBUG_CATEGORY_STATIC(rezive_src_debug);
#define GST_CAT_DEFAULT rezive_src_debug

enum {
    PROP_0,
    PROP_DEVICE,
    PROP_TRIGGER_MODE,
    PROP_HANDLE,
    PROP_FRAME_RATE,
    PROP_FRAMES_DROPPED,
    PROP_FIRST_SETTING,
};

enum { SIGNAL_TRIGGER, SIGNAL_COUNT };
static guint signals[SIGNAL_COUNT];

/* How long one wait for a frame message lasts before create() looks at the flushing flag. */
#define WAIT_SLICE_MS 50
/* Raw frames the library's ring holds: how far behind the camera a slow pipeline may fall
 * before frames are passed over, which bounds the latency the element can absorb. */
#define RING_FRAMES 4
/* A latency that moves by more than this is told to the pipeline again. */
#define LATENCY_SLACK (GST_MSECOND)

G_DEFINE_TYPE(GstReziveSrc, gst_rezive_src, GST_TYPE_PUSH_SRC)

/* The sensor's size, within which a capture window of 4 x 1 pixels or more can be had. */
#define SENSOR_WIDTH 1280
#define SENSOR_HEIGHT 720
#define MIN_WIDTH 4
#define MIN_HEIGHT 1

static GstStructure* format_structure(GstVideoFormat format) {
    return gst_structure_new("video/x-raw", "format", G_TYPE_STRING,
                             gst_video_format_to_string(format), NULL);
}

static GstCaps* template_caps(void) {
    GstCaps* caps = gst_caps_new_empty();
    guint count = 0;
    const ReziveFormat* formats = rezive_formats(&count);
    for (guint k = 0; k < count; ++k) {
        GstStructure* s = format_structure(formats[k].format);
        gst_structure_set(s, "width", GST_TYPE_INT_RANGE, MIN_WIDTH, SENSOR_WIDTH, "height",
                          GST_TYPE_INT_RANGE, MIN_HEIGHT, SENSOR_HEIGHT, "framerate",
                          GST_TYPE_FRACTION_RANGE, 0, 1, G_MAXINT, 1, NULL);
        gst_caps_append_structure(caps, s);
    }
    return caps;
}

static void post_camera_error(GstReziveSrc* self, const char* doing) {
    int codes[20];
    const guint count = rezive_take_errors(self->handle, codes, G_N_ELEMENTS(codes));
    rezive_post_error(GST_ELEMENT(self), self->handle, self->device, doing, codes, count);
}

static RzHandle current_handle(GstReziveSrc* self) {
    GST_OBJECT_LOCK(self);
    const RzHandle handle = self->handle;
    GST_OBJECT_UNLOCK(self);
    return handle;
}

/* ---- properties ------------------------------------------------------------------------- */

/* The camera setting of a property id, or NULL for the element's own properties. */
static const ReziveSetting* setting_of(guint id) {
    guint count = 0;
    const ReziveSetting* settings = rezive_settings(&count);
    return id >= PROP_FIRST_SETTING && id < PROP_FIRST_SETTING + count
               ? &settings[id - PROP_FIRST_SETTING]
               : NULL;
}

static void set_property(GObject* object, guint id, const GValue* value, GParamSpec* spec) {
    GstReziveSrc* self = GST_REZIVE_SRC(object);
    const ReziveSetting* setting = setting_of(id);
    if (id == PROP_DEVICE || id == PROP_TRIGGER_MODE) {
        GST_OBJECT_LOCK(self);
        if (id == PROP_DEVICE) self->device = g_value_get_int(value);
        else self->trigger_mode = g_value_get_boolean(value);
        GST_OBJECT_UNLOCK(self);
        return;
    }
    if (setting == NULL) {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
        return;
    }
    const int v = rezive_setting_from_gvalue(setting, value);
    GST_OBJECT_LOCK(self);
    self->values[id - PROP_FIRST_SETTING].value = v;
    self->values[id - PROP_FIRST_SETTING].given = TRUE;
    const RzHandle handle = self->handle;
    GST_OBJECT_UNLOCK(self);
    /* A running camera takes settings at once (from the next frame). */
    if (handle != 0 && !rezive_setting_apply(setting, handle, v)) {
        int codes[20];
        const guint n = rezive_take_errors(handle, codes, G_N_ELEMENTS(codes));
        GST_ELEMENT_WARNING(self, RESOURCE, SETTINGS,
                            ("The camera refused %s = %d (error %d: %s)", setting->info.name, v,
                             n ? codes[n - 1] : 0, rezive_error_meaning(n ? codes[n - 1] : 0)),
                            (NULL));
    }
}

static void get_property(GObject* object, guint id, GValue* value, GParamSpec* spec) {
    GstReziveSrc* self = GST_REZIVE_SRC(object);
    const ReziveSetting* setting = setting_of(id);
    switch (id) {
        case PROP_DEVICE:
            GST_OBJECT_LOCK(self);
            g_value_set_int(value, self->device);
            GST_OBJECT_UNLOCK(self);
            return;
        case PROP_TRIGGER_MODE:
            GST_OBJECT_LOCK(self);
            g_value_set_boolean(value, self->trigger_mode);
            GST_OBJECT_UNLOCK(self);
            return;
        case PROP_HANDLE: g_value_set_uint(value, current_handle(self)); return;
        case PROP_FRAME_RATE: g_value_set_double(value, g_atomic_int_get(&self->rate10) / 10.0); return;
        case PROP_FRAMES_DROPPED:
            GST_OBJECT_LOCK(self);
            g_value_set_uint64(value, self->counter.dropped);
            GST_OBJECT_UNLOCK(self);
            return;
        default: break;
    }
    if (setting == NULL) {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
        return;
    }
    const guint k = id - PROP_FIRST_SETTING;
    GST_OBJECT_LOCK(self);
    int v = self->values[k].given ? self->values[k].value : setting->info.defaultValue;
    const RzHandle handle = self->handle;
    GST_OBJECT_UNLOCK(self);
    /* An open camera is asked: its value is the one in force (automatic exposure moves it). */
    int read = 0;
    if (handle != 0 && rezive_setting_read(setting, handle, &read)) v = read;
    rezive_setting_to_gvalue(setting, v, value);
}

static gboolean do_trigger(GstReziveSrc* self) {
    const RzHandle handle = current_handle(self);
    return handle != 0 && RzSoftwareTrigger(handle) == 1;
}

/* ---- camera lifecycle -------------------------------------------------------------------- */

static gboolean stop(GstBaseSrc* base);

static gboolean start(GstBaseSrc* base) {
    GstReziveSrc* self = GST_REZIVE_SRC(base);
    const RzWindow window = RzCreateMessageWindow();
    const RzHandle handle = window ? Rezive_Initialize(window) : 0;
    if (handle == 0) {
        if (window) RzDestroyWindow(window);
        GST_ELEMENT_ERROR(self, RESOURCE, OPEN_READ_WRITE, ("Cannot create a camera object"),
                          ("Rezive_Initialize returned 0"));
        return FALSE;
    }
    GST_OBJECT_LOCK(self);
    const int device = self->device;
    GST_OBJECT_UNLOCK(self);
    self->window = window;
    self->acquiring = FALSE;
    g_atomic_int_set(&self->rate10, 0);
    int stale[20];
    rezive_take_errors(handle, stale, G_N_ELEMENTS(stale));
    /* The claim region could not be opened: the library says where and why. */
    char detail[512];
    if (RzGetErrorDetail(handle, detail, sizeof detail) > 0) {
        GST_ELEMENT_ERROR(self, RESOURCE, OPEN_READ_WRITE, ("%s", detail),
                          ("Rezive_Initialize recorded error %d", RZ_ERR_BUFFER));
        Rezive_Release(handle);
        RzDestroyWindow(window);
        self->window = 0;
        return FALSE;
    }

    char name[32];
    const gboolean opened = Rezive_GetDeviceName(handle, device, name, sizeof name) == 1 &&
                            (device == 0 || Rezive_SetDeviceNumber(handle, device) == 1);
    if (!opened) {
        int codes[20];
        const guint n = rezive_take_errors(handle, codes, G_N_ELEMENTS(codes));
        rezive_post_error(GST_ELEMENT(self), handle, device, "opening the camera", codes, n);
        Rezive_Release(handle);
        RzDestroyWindow(window);
        self->window = 0;
        return FALSE;
    }
    guint count = 0;
    const ReziveSetting* settings = rezive_settings(&count);
    ReziveSettingValue values[REZIVE_SRC_MAX_SETTINGS];
    gint* w = self->stored_window;
    Rezive_GetCaptureWindowEx(handle, &w[0], &w[1], &w[2], &w[3], &w[4], &w[5]);
    self->stored_mode = Rezive_GetColorMode(handle);
    self->restore_window = FALSE;
    self->latency = GST_CLOCK_TIME_NONE;
    GST_OBJECT_LOCK(self);
    memcpy(values, self->values, sizeof values);
    self->handle = handle;
    rezive_frame_counter_reset(&self->counter);
    GST_OBJECT_UNLOCK(self);
    for (guint k = 0; k < count; ++k) {
        if (values[k].given && !rezive_setting_apply(&settings[k], handle, values[k].value)) {
            gchar* doing = g_strdup_printf("setting %s to %d", settings[k].info.name, values[k].value);
            post_camera_error(self, doing);
            g_free(doing);
            stop(base); /* the base class calls stop() only after a successful start() */
            return FALSE;
        }
    }
    GST_INFO_OBJECT(self, "opened %s (slot %d), %d x %d", name, device, Rezive_Width(handle),
                    Rezive_Height(handle));
    return TRUE;
}

static void drop_target(GstReziveSrc* self) {
    if (self->target == NULL) return;
    gst_buffer_unmap(self->target, &self->target_map);
    gst_buffer_unref(self->target);
    self->target = NULL;
}

/* Ends the acquisition; the library writes no frame into the target after this returns. */
static void stop_acquisition(GstReziveSrc* self) {
    if (self->acquiring) Rezive_StopPreview(self->handle);
    self->acquiring = FALSE;
    drop_target(self);
}

static gboolean stop(GstBaseSrc* base) {
    GstReziveSrc* self = GST_REZIVE_SRC(base);
    if (self->handle == 0) return TRUE;
    stop_acquisition(self);
    if (self->restore_window) {
        const gint* w = self->stored_window;
        Rezive_SetCaptureWindowEx(self->handle, w[0], w[1], w[2], w[3], w[4], w[5]);
    }
    if (Rezive_GetColorMode(self->handle) != self->stored_mode)
        Rezive_SetColorMode(self->handle, RZ_BITS_OF_COLOR_MODE(self->stored_mode));
    GST_OBJECT_LOCK(self);
    const RzHandle handle = self->handle;
    self->handle = 0;
    GST_OBJECT_UNLOCK(self);
    Rezive_Release(handle);
    RzDestroyWindow(self->window);
    self->window = 0;
    return TRUE;
}

/* ---- negotiation ------------------------------------------------------------------------- */

/* The caps of the open camera: every format at the stored window first, so that a free choice
 * keeps the camera as it is (the stored colour mode before the others), then every format at
 * any window the sensor can give, for a pipeline that asks for a size. */
static GstCaps* camera_caps(GstReziveSrc* self) {
    const GstVideoFormat stored = rezive_format_of_mode(Rezive_GetColorMode(self->handle));
    const int width = Rezive_Width(self->handle), height = Rezive_Height(self->handle);
    guint count = 0;
    const ReziveFormat* formats = rezive_formats(&count);
    GstCaps* caps = gst_caps_new_empty();
    for (int pass = 0; pass < 4; ++pass) {
        const gboolean fixed = pass < 2;
        for (guint k = 0; k < count; ++k) {
            if ((formats[k].format == stored) != (pass % 2 == 0)) continue;
            GstStructure* s = format_structure(formats[k].format);
            if (fixed)
                gst_structure_set(s, "width", G_TYPE_INT, width, "height", G_TYPE_INT, height,
                                  NULL);
            else
                gst_structure_set(s, "width", GST_TYPE_INT_RANGE, MIN_WIDTH, SENSOR_WIDTH,
                                  "height", GST_TYPE_INT_RANGE, MIN_HEIGHT, SENSOR_HEIGHT, NULL);
            /* The camera paces itself and its rate follows exposure and window: variable. */
            gst_structure_set(s, "framerate", GST_TYPE_FRACTION, 0, 1, NULL);
            gst_caps_append_structure(caps, s);
        }
    }
    return caps;
}

static GstCaps* get_caps(GstBaseSrc* base, GstCaps* filter) {
    GstReziveSrc* self = GST_REZIVE_SRC(base);
    GstCaps* caps = self->handle == 0 ? gst_pad_get_pad_template_caps(GST_BASE_SRC_PAD(base))
                                      : camera_caps(self);
    if (filter != NULL) {
        GstCaps* both = gst_caps_intersect_full(filter, caps, GST_CAPS_INTERSECT_FIRST);
        gst_caps_unref(caps);
        caps = both;
    }
    return caps;
}

/* A size left open by the pipeline stays the stored window's. */
static GstCaps* fixate(GstBaseSrc* base, GstCaps* caps) {
    GstReziveSrc* self = GST_REZIVE_SRC(base);
    caps = gst_caps_make_writable(caps);
    caps = gst_caps_truncate(caps);
    GstStructure* s = gst_caps_get_structure(caps, 0);
    if (self->handle != 0) {
        gst_structure_fixate_field_nearest_int(s, "width", Rezive_Width(self->handle));
        gst_structure_fixate_field_nearest_int(s, "height", Rezive_Height(self->handle));
    }
    return GST_BASE_SRC_CLASS(gst_rezive_src_parent_class)->fixate(base, caps);
}

/* Says what the pipeline asked for that the camera cannot give, before the base class's
 * "not negotiated" says only that something did not fit. */
static gboolean negotiate(GstBaseSrc* base) {
    if (GST_BASE_SRC_CLASS(gst_rezive_src_parent_class)->negotiate(base)) return TRUE;
    GstReziveSrc* self = GST_REZIVE_SRC(base);
    GstCaps* peer = gst_pad_peer_query_caps(GST_BASE_SRC_PAD(base), NULL);
    GstCaps* ours = get_caps(base, NULL);
    if (peer != NULL && !gst_caps_is_any(peer) && !gst_caps_can_intersect(peer, ours)) {
        gchar* asked = gst_caps_to_string(peer);
        GST_ELEMENT_ERROR(self, STREAM, FORMAT,
                          ("The camera cannot give the frames the pipeline asks for: it gives "
                           "GRAY8, GRAY16_LE, BGR, BGRx or BGRA64_LE, %d..%d x %d..%d pixels",
                           MIN_WIDTH, SENSOR_WIDTH, MIN_HEIGHT, SENSOR_HEIGHT),
                          ("the pipeline asks for %s", asked));
        g_free(asked);
    }
    if (peer != NULL) gst_caps_unref(peer);
    gst_caps_unref(ours);
    return FALSE;
}

/* The capture window of a negotiated size: centred on the sensor, at even offsets so that
 * the window starts on the same colour of the mosaic as the full sensor does. */
static gboolean set_window(GstReziveSrc* self, gint width, gint height) {
    if (width == Rezive_Width(self->handle) && height == Rezive_Height(self->handle)) return TRUE;
    const gint x = ((SENSOR_WIDTH - width) / 2) & ~1, y = ((SENSOR_HEIGHT - height) / 2) & ~1;
    if (Rezive_SetCaptureWindowEx(self->handle, SENSOR_WIDTH, x, width, SENSOR_HEIGHT, y,
                                  height) != 1) {
        gchar* doing = g_strdup_printf("setting the capture window to %d x %d", width, height);
        post_camera_error(self, doing);
        g_free(doing);
        return FALSE;
    }
    self->restore_window = TRUE;
    return TRUE;
}

static gboolean set_caps(GstBaseSrc* base, GstCaps* caps) {
    GstReziveSrc* self = GST_REZIVE_SRC(base);
    GstVideoInfo info;
    if (!gst_video_info_from_caps(&info, caps)) return FALSE;
    const int bits = rezive_bits_of_format(GST_VIDEO_INFO_FORMAT(&info));
    /* The library's rows are padded to 4 bytes, as GStreamer's default strides of these
     * formats are; the buffers are written by the library as they are. */
    const gint stride = (GST_VIDEO_INFO_WIDTH(&info) * bits / 8 + 3) & ~3;
    if (bits == 0 || GST_VIDEO_INFO_PLANE_STRIDE(&info, 0) != stride) return FALSE;
    /* A new window or colour mode applies when acquisition starts again. */
    stop_acquisition(self);
    if (!set_window(self, GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info)))
        return FALSE;
    if (Rezive_SetColorMode(self->handle, bits) != 1) {
        post_camera_error(self, "setting the colour mode");
        return FALSE;
    }
    self->info = info;
    return TRUE;
}

/* ---- streaming --------------------------------------------------------------------------- */

static gboolean unlock(GstBaseSrc* base) {
    g_atomic_int_set(&GST_REZIVE_SRC(base)->flushing, 1);
    return TRUE;
}

static gboolean unlock_stop(GstBaseSrc* base) {
    g_atomic_int_set(&GST_REZIVE_SRC(base)->flushing, 0);
    return TRUE;
}

static GstFlowReturn new_mapped_buffer(GstReziveSrc* self, GstBuffer** buffer, GstMapInfo* map) {
    GstFlowReturn ret = GST_BASE_SRC_CLASS(gst_rezive_src_parent_class)
                            ->alloc(GST_BASE_SRC(self), 0, GST_VIDEO_INFO_SIZE(&self->info), buffer);
    if (ret != GST_FLOW_OK) return ret;
    if (!gst_buffer_map(*buffer, map, GST_MAP_WRITE)) {
        gst_buffer_unref(*buffer);
        GST_ELEMENT_ERROR(self, RESOURCE, NO_SPACE_LEFT, ("Cannot map a frame buffer"), (NULL));
        return GST_FLOW_ERROR;
    }
    return GST_FLOW_OK;
}

static GstFlowReturn start_acquisition(GstReziveSrc* self) {
    int stale[20];
    rezive_take_errors(self->handle, stale, G_N_ELEMENTS(stale));
    RzMessage m;
    while (RzWaitMessage(self->window, &m, 0) == 1) {
    }
    GST_OBJECT_LOCK(self);
    const gboolean trigger = self->trigger_mode;
    GST_OBJECT_UNLOCK(self);
    if (trigger) {
        /* Trigger acquisition keeps one callback target; frames are read with GetImage. */
        if (Rezive_Trigger(self->handle, self->window, NULL, 0, 1) != 1) {
            post_camera_error(self, "starting the trigger acquisition");
            return GST_FLOW_ERROR;
        }
    } else {
        const GstFlowReturn ret = new_mapped_buffer(self, &self->target, &self->target_map);
        if (ret != GST_FLOW_OK) return ret;
        if (Rezive_CallBackPreview(self->handle, self->window, self->target_map.data,
                                   (int32_t)self->target_map.size, 1) != 1) {
            drop_target(self);
            post_camera_error(self, "starting the preview");
            return GST_FLOW_ERROR;
        }
    }
    self->trigger_running = trigger;
    self->acquiring = TRUE;
    GST_OBJECT_LOCK(self);
    rezive_frame_counter_new_run(&self->counter, !trigger);
    GST_OBJECT_UNLOCK(self);
    return GST_FLOW_OK;
}

/* Waits for the next delivered frame; a dropped frame is waited past, a stalled stream or a
 * failed copy ends the stream with a bus error. */
static GstFlowReturn wait_frame(GstReziveSrc* self, const RzFrameInfo** frame) {
    for (;;) {
        if (g_atomic_int_get(&self->flushing)) return GST_FLOW_FLUSHING;
        RzMessage m;
        const int32_t got = RzWaitMessage(self->window, &m, WAIT_SLICE_MS);
        if (got == 0) continue;
        if (got < 0) {
            GST_ELEMENT_ERROR(self, RESOURCE, FAILED, ("The message window is gone"), (NULL));
            return GST_FLOW_ERROR;
        }
        if (m.message == RZ_WM_ERROR) {
            GST_DEBUG_OBJECT(self, "camera error %d", (int)m.lParam);
            continue;
        }
        if (m.message != RZ_WM_FRAME) continue;
        if (m.lParam == RZ_FRAME_OK && m.wParam != 0) {
            *frame = (const RzFrameInfo*)m.wParam;
            return GST_FLOW_OK;
        }
        if (m.lParam == RZ_FRAME_TRANSFER_FAILED) {
            GST_WARNING_OBJECT(self, "a frame transfer failed; the frame is dropped");
            continue;
        }
        const int code = (int)m.lParam;
        rezive_post_error(GST_ELEMENT(self), self->handle, self->device, "streaming", &code, 1);
        return GST_FLOW_ERROR;
    }
}

/* The camera's latency: a frame's buffer comes out once its exposure and readout are over. */
static GstClockTime frame_latency(const ReziveFrameStamp* stamp) {
    return stamp->exposure + stamp->readout;
}

/* Before the first frame: the same from the camera's settings (the exposure in whole
 * milliseconds, the readout of the window's rows at the line time it converts with). */
static GstClockTime settings_latency(RzHandle handle) {
    int32_t ok = 0, read = 0;
    const int32_t ms = Rezive_GetRealExposureTime(handle, &ok);
    const int32_t lines = Rezive_GetExposureTime(handle, &read);
    if (ok != 1 || read != 1 || lines <= 0) return 0;
    const GstClockTime exposure = (GstClockTime)ms * GST_MSECOND;
    return exposure + gst_util_uint64_scale(exposure, (guint64)Rezive_Height(handle),
                                            (guint64)lines);
}

static gboolean query(GstBaseSrc* base, GstQuery* q) {
    GstReziveSrc* self = GST_REZIVE_SRC(base);
    if (GST_QUERY_TYPE(q) != GST_QUERY_LATENCY || self->handle == 0)
        return GST_BASE_SRC_CLASS(gst_rezive_src_parent_class)->query(base, q);
    GST_OBJECT_LOCK(self);
    GstClockTime min = self->latency;
    const GstClockTime period = self->counter.period;
    GST_OBJECT_UNLOCK(self);
    if (!GST_CLOCK_TIME_IS_VALID(min)) min = settings_latency(self->handle);
    /* A pipeline may fall as far behind as the library's ring holds frames. */
    const GstClockTime max =
        GST_CLOCK_TIME_IS_VALID(period) ? min + RING_FRAMES * period : GST_CLOCK_TIME_NONE;
    GST_DEBUG_OBJECT(self, "latency %" GST_TIME_FORMAT " .. %" GST_TIME_FORMAT,
                     GST_TIME_ARGS(min), GST_TIME_ARGS(max));
    gst_query_set_latency(q, TRUE, min, max);
    return TRUE;
}

/* Offsets from the frame sequence, DISCONT where frames were lost, the capture time as the
 * buffer's running time and the camera's period as its duration. */
static void stamp_buffer(GstReziveSrc* self, GstBuffer* buffer, ReziveFrameStamp* stamp) {
    guint64 lost = 0;
    GST_LOG_OBJECT(self, "frame %" G_GUINT64_FORMAT " captured %" G_GUINT64_FORMAT, stamp->sequence,
                   stamp->captured);
    GST_OBJECT_LOCK(self);
    const guint64 offset = rezive_frame_counter_take(&self->counter, stamp, &lost);
    const GstClockTime period = self->counter.period;
    const GstClockTime reported = self->latency;
    const GstClockTime latency = frame_latency(stamp);
    const gboolean moved = !GST_CLOCK_TIME_IS_VALID(reported) ||
                           (latency > reported ? latency - reported : reported - latency) >
                               LATENCY_SLACK;
    if (moved) self->latency = latency;
    GST_OBJECT_UNLOCK(self);

    GST_BUFFER_OFFSET(buffer) = offset;
    GST_BUFFER_OFFSET_END(buffer) = offset + 1;
    if (lost > 0) {
        GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DISCONT);
        GST_DEBUG_OBJECT(self, "%" G_GUINT64_FORMAT " frames lost before offset %" G_GUINT64_FORMAT,
                         lost, offset);
    }
    GstClock* clock = gst_element_get_clock(GST_ELEMENT(self));
    if (clock != NULL) {
        const GstClockTime at = rezive_frame_clock_time(clock, stamp);
        const GstClockTime base = gst_element_get_base_time(GST_ELEMENT(self));
        GST_BUFFER_PTS(buffer) = at > base ? at - base : 0;
        gst_object_unref(clock);
    }
    const gint rate10 = g_atomic_int_get(&self->rate10);
    GST_BUFFER_DURATION(buffer) = GST_CLOCK_TIME_IS_VALID(period) ? period
                                  : rate10 > 0 ? gst_util_uint64_scale(GST_SECOND, 10, rate10)
                                               : GST_CLOCK_TIME_NONE;
    if (moved && GST_CLOCK_TIME_IS_VALID(reported))
        gst_element_post_message(GST_ELEMENT(self), gst_message_new_latency(GST_OBJECT(self)));
}

/* A frame the library holds no meta of: numbered on, timed by its arrival. */
static ReziveFrameStamp arrival_stamp(void) {
    ReziveFrameStamp stamp = {0, (GstClockTime)g_get_monotonic_time() * GST_USECOND, 0, 0};
    return stamp;
}

static GstFlowReturn create(GstPushSrc* push, GstBuffer** out) {
    GstReziveSrc* self = GST_REZIVE_SRC(push);
    GstFlowReturn ret = GST_FLOW_OK;
    if (!self->acquiring && (ret = start_acquisition(self)) != GST_FLOW_OK) return ret;

    const RzFrameInfo* frame = NULL;
    GstBuffer* buffer = NULL;
    GstMapInfo map;
    for (;;) {
        if ((ret = wait_frame(self, &frame)) != GST_FLOW_OK) return ret;
        if (self->trigger_running) break;
        /* Messages of frames copied into buffers already pushed are late news: the record
         * names the buffer of the newest frame, and only the current target counts. */
        if (frame->buffer == (void*)self->target_map.data) break;
    }
    g_atomic_int_set(&self->rate10, frame->frameRate10);
    const gint height = GST_VIDEO_INFO_HEIGHT(&self->info);
    ReziveFrameStamp stamp = arrival_stamp();
    /* A triggered frame stays the newest until the next trigger: its record is its own. */
    if (self->trigger_running && !rezive_frame_stamp_of_record(frame, height, &stamp))
        stamp = arrival_stamp();

    if ((ret = new_mapped_buffer(self, &buffer, &map)) != GST_FLOW_OK) return ret;
    if (self->trigger_running) {
        if (Rezive_GetImage(self->handle, map.data, (int32_t)map.size, 1) != 1) {
            gst_buffer_unmap(buffer, &map);
            gst_buffer_unref(buffer);
            post_camera_error(self, "reading the triggered frame");
            return GST_FLOW_ERROR;
        }
    } else {
        /* The new target takes the next frames; replacing it waits for a copy in progress,
         * so the old target holds one whole frame once this returns. */
        if (Rezive_CallBackPreview(self->handle, self->window, map.data, (int32_t)map.size, 1) !=
            1) {
            gst_buffer_unmap(buffer, &map);
            gst_buffer_unref(buffer);
            post_camera_error(self, "handing the next buffer to the preview");
            return GST_FLOW_ERROR;
        }
        GstBuffer* full = self->target;
        GstMapInfo fullMap = self->target_map;
        self->target = buffer;
        self->target_map = map;
        buffer = full;
        map = fullMap;
        /* Frames may have followed the message into the old target: its own meta says which
         * frame it holds, however many came after. */
        if (!rezive_frame_stamp_of_buffer(self->handle, map.data, height, &stamp))
            stamp = arrival_stamp();
    }
    rezive_widen_frame(GST_VIDEO_INFO_FORMAT(&self->info), map.data,
                       GST_VIDEO_INFO_WIDTH(&self->info), height,
                       GST_VIDEO_INFO_PLANE_STRIDE(&self->info, 0));
    gst_buffer_unmap(buffer, &map);
    stamp_buffer(self, buffer, &stamp);
    *out = buffer;
    return GST_FLOW_OK;
}

/* ---- clock ------------------------------------------------------------------------------- */

static GstClock* provide_clock(GstElement* element) {
    return GST_CLOCK(gst_object_ref(GST_REZIVE_SRC(element)->clock));
}

/* ---- class ------------------------------------------------------------------------------- */

static void finalize(GObject* object) {
    stop(GST_BASE_SRC(object));
    gst_object_unref(GST_REZIVE_SRC(object)->clock);
    G_OBJECT_CLASS(gst_rezive_src_parent_class)->finalize(object);
}

static void gst_rezive_src_class_init(GstReziveSrcClass* klass) {
    GObjectClass* object = G_OBJECT_CLASS(klass);
    GstElementClass* element = GST_ELEMENT_CLASS(klass);
    GstBaseSrcClass* base = GST_BASE_SRC_CLASS(klass);
    GST_DEBUG_CATEGORY_INIT(rezive_src_debug, "rezivesrc", 0, "417DIR camera source");

    object->set_property = set_property;
    object->get_property = get_property;
    object->finalize = finalize;

    g_object_class_install_property(
        object, PROP_DEVICE,
        g_param_spec_int("device", "Device slot", "Device slot of the camera (rezive-cam list)",
                         0, 31, 0, (GParamFlags)(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS)));
    g_object_class_install_property(
        object, PROP_TRIGGER_MODE,
        g_param_spec_boolean("trigger-mode", "Trigger mode",
                             "One frame per trigger (camera input or the trigger signal) "
                             "instead of a live stream",
                             FALSE, (GParamFlags)(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS)));
    g_object_class_install_property(
        object, PROP_HANDLE,
        g_param_spec_uint("handle", "Camera handle",
                          "The RzHandle of the open camera for the C API (0 when closed)", 0,
                          G_MAXUINT, 0, (GParamFlags)(G_PARAM_READABLE | G_PARAM_STATIC_STRINGS)));
    g_object_class_install_property(
        object, PROP_FRAME_RATE,
        g_param_spec_double("frame-rate", "Frame rate",
                            "Frames per second the camera last reported (0 in trigger mode)", 0,
                            G_MAXDOUBLE, 0,
                            (GParamFlags)(G_PARAM_READABLE | G_PARAM_STATIC_STRINGS)));
    g_object_class_install_property(
        object, PROP_FRAMES_DROPPED,
        g_param_spec_uint64("frames-dropped", "Frames dropped",
                            "Frames the camera took that no buffer carries (the pipeline fell "
                            "behind): each gap in the offsets, marked DISCONT",
                            0, G_MAXUINT64, 0,
                            (GParamFlags)(G_PARAM_READABLE | G_PARAM_STATIC_STRINGS)));
    rezive_settings_install(object, PROP_FIRST_SETTING);

    signals[SIGNAL_TRIGGER] = g_signal_new_class_handler(
        "trigger", G_TYPE_FROM_CLASS(klass), (GSignalFlags)(G_SIGNAL_RUN_LAST | G_SIGNAL_ACTION),
        G_CALLBACK(do_trigger), NULL, NULL, NULL, G_TYPE_BOOLEAN, 0);

    gst_element_class_set_static_metadata(
        element, "417DIR camera source", "Source/Video",
        "Live frames of a 417DIR camera (or the virtual camera), top row first",
        "ReziveSdk developers");
    GstCaps* caps = template_caps();
    gst_element_class_add_pad_template(
        element, gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS, caps));
    gst_caps_unref(caps);

    element->provide_clock = provide_clock;
    base->start = start;
    base->stop = stop;
    base->get_caps = get_caps;
    base->fixate = fixate;
    base->negotiate = negotiate;
    base->set_caps = set_caps;
    base->query = query;
    base->unlock = unlock;
    base->unlock_stop = unlock_stop;
    GST_PUSH_SRC_CLASS(klass)->create = create;
}

static void gst_rezive_src_init(GstReziveSrc* self) {
    gst_base_src_set_live(GST_BASE_SRC(self), TRUE);
    gst_base_src_set_format(GST_BASE_SRC(self), GST_FORMAT_TIME);
    /* The frames' capture times are CLOCK_MONOTONIC readings: on this clock they are exact. */
    self->clock = GST_CLOCK(g_object_new(GST_TYPE_SYSTEM_CLOCK, "name", "rezive-clock",
                                         "clock-type", GST_CLOCK_TYPE_MONOTONIC, NULL));
    gst_object_ref_sink(self->clock);
    GST_OBJECT_FLAG_SET(self, GST_ELEMENT_FLAG_PROVIDE_CLOCK);
    rezive_frame_counter_reset(&self->counter);
    self->latency = GST_CLOCK_TIME_NONE;
    guint count = 0;
    const ReziveSetting* settings = rezive_settings(&count);
    for (guint k = 0; k < count; ++k) self->values[k].value = settings[k].info.defaultValue;
}
