#include "rezivesrc.h"

#include <string.h>

#include "errors.h"
#include "formats.h"
#include "frame_stamp.h"

GST_DEBUG_CATEGORY_STATIC(rezive_src_debug);
#define GST_CAT_DEFAULT rezive_src_debug

enum {
    PROP_0,
    PROP_DEVICE,
    PROP_TRIGGER_MODE,
    PROP_HANDLE,
    PROP_FRAME_RATE,
    PROP_FIRST_SETTING,
};

enum { SIGNAL_TRIGGER, SIGNAL_COUNT };
static guint signals[SIGNAL_COUNT];

/* How long one wait for a frame message lasts before create() looks at the flushing flag. */
#define WAIT_SLICE_MS 50

G_DEFINE_TYPE(GstReziveSrc, gst_rezive_src, GST_TYPE_PUSH_SRC)

static GstCaps* template_caps(void) {
    GstCaps* caps = gst_caps_new_empty();
    guint count = 0;
    const ReziveFormat* formats = rezive_formats(&count);
    for (guint k = 0; k < count; ++k) {
        gst_caps_append_structure(
            caps, gst_structure_new("video/x-raw", "format", G_TYPE_STRING,
                                    gst_video_format_to_string(formats[k].format), "width",
                                    GST_TYPE_INT_RANGE, 4, 1280, "height", GST_TYPE_INT_RANGE, 1,
                                    720, "framerate", GST_TYPE_FRACTION_RANGE, 0, 1, G_MAXINT, 1,
                                    NULL));
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
    GST_OBJECT_LOCK(self);
    memcpy(values, self->values, sizeof values);
    self->handle = handle;
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

static GstCaps* get_caps(GstBaseSrc* base, GstCaps* filter) {
    GstReziveSrc* self = GST_REZIVE_SRC(base);
    GstCaps* caps;
    if (self->handle == 0) {
        caps = gst_pad_get_pad_template_caps(GST_BASE_SRC_PAD(base));
    } else {
        /* The stored colour mode comes first, so that a free choice keeps it. */
        const GstVideoFormat stored = rezive_format_of_mode(Rezive_GetColorMode(self->handle));
        const int width = Rezive_Width(self->handle), height = Rezive_Height(self->handle);
        guint count = 0;
        const ReziveFormat* formats = rezive_formats(&count);
        caps = gst_caps_new_empty();
        for (int pass = 0; pass < 2; ++pass) {
            for (guint k = 0; k < count; ++k) {
                if ((formats[k].format == stored) != (pass == 0)) continue;
                /* The camera paces itself and its rate follows exposure and window: variable. */
                gst_caps_append_structure(
                    caps, gst_structure_new("video/x-raw", "format", G_TYPE_STRING,
                                            gst_video_format_to_string(formats[k].format),
                                            "width", G_TYPE_INT, width, "height", G_TYPE_INT,
                                            height, "framerate", GST_TYPE_FRACTION, 0, 1, NULL));
            }
        }
    }
    if (filter != NULL) {
        GstCaps* both = gst_caps_intersect_full(filter, caps, GST_CAPS_INTERSECT_FIRST);
        gst_caps_unref(caps);
        caps = both;
    }
    return caps;
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
    /* A new colour mode applies when acquisition starts again. */
    stop_acquisition(self);
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

/* Running time of the frame: its capture time when the frame carries one, else now. */
static void stamp_buffer(GstReziveSrc* self, GstBuffer* buffer, const ReziveFrameStamp* stamp) {
    GstClock* clock = gst_element_get_clock(GST_ELEMENT(self));
    if (clock != NULL) {
        GstClockTime now = gst_clock_get_time(clock);
        const GstClockTime base = gst_element_get_base_time(GST_ELEMENT(self));
        if (GST_CLOCK_TIME_IS_VALID(stamp->captured)) {
            const GstClockTime age = (GstClockTime)g_get_monotonic_time() * GST_USECOND -
                                     stamp->captured;
            if (age < now) now -= age;
        }
        GST_BUFFER_PTS(buffer) = now > base ? now - base : 0;
        gst_object_unref(clock);
    }
    if (stamp->sequence >= 0) {
        GST_BUFFER_OFFSET(buffer) = (guint64)stamp->sequence;
        GST_BUFFER_OFFSET_END(buffer) = (guint64)stamp->sequence + 1;
    }
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
    const ReziveFrameStamp stamp = rezive_frame_stamp_read(frame);

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
    }
    if (GST_VIDEO_INFO_FORMAT(&self->info) == GST_VIDEO_FORMAT_GRAY16_LE)
        rezive_widen_gray12(map.data, GST_VIDEO_INFO_WIDTH(&self->info),
                            GST_VIDEO_INFO_HEIGHT(&self->info),
                            GST_VIDEO_INFO_PLANE_STRIDE(&self->info, 0));
    gst_buffer_unmap(buffer, &map);
    stamp_buffer(self, buffer, &stamp);
    *out = buffer;
    return GST_FLOW_OK;
}

/* ---- class ------------------------------------------------------------------------------- */

static void finalize(GObject* object) {
    stop(GST_BASE_SRC(object));
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

    base->start = start;
    base->stop = stop;
    base->get_caps = get_caps;
    base->set_caps = set_caps;
    base->unlock = unlock;
    base->unlock_stop = unlock_stop;
    GST_PUSH_SRC_CLASS(klass)->create = create;
}

static void gst_rezive_src_init(GstReziveSrc* self) {
    gst_base_src_set_live(GST_BASE_SRC(self), TRUE);
    gst_base_src_set_format(GST_BASE_SRC(self), GST_FORMAT_TIME);
    guint count = 0;
    const ReziveSetting* settings = rezive_settings(&count);
    for (guint k = 0; k < count; ++k) self->values[k].value = settings[k].info.defaultValue;
}
