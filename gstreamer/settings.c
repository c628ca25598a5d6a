#include "settings.h"

static int32_t get_mirror_h(RzHandle h) { return Rezive_GetMirrorH(h); }
static int32_t get_mirror_v(RzHandle h) { return Rezive_GetMirrorV(h); }
static int32_t get_auto_iris(RzHandle h) {
    int32_t ok = 0;
    const int32_t v = Rezive_GetAutoIris(h, &ok);
    return ok ? v : -1;
}

static int32_t get_wait_time(RzHandle h) { return Rezive_GetWaitTime(h); }

static const ReziveSetting kSettings[] = {
    {"gain", "Sensor gain step", REZIVE_SETTING_INT, 0, 11, 0, RZ_FILTER_GLOBAL_GAIN, NULL, NULL},
    {"exposure", "Exposure time in sensor lines", REZIVE_SETTING_INT, 1, 32767, 1,
     RZ_FILTER_EXPOSURE_TIME, NULL, NULL},
    {"mirror-h", "Mirror frames left to right", REZIVE_SETTING_BOOL, 0, 1, 0, 0,
     Rezive_SetMirrorH, get_mirror_h},
    {"mirror-v", "Mirror frames top to bottom", REZIVE_SETTING_BOOL, 0, 1, 0, 0,
     Rezive_SetMirrorV, get_mirror_v},
    {"auto-iris", "Automatic exposure or gain", REZIVE_SETTING_AUTO_IRIS, 0, 2, 0, 0,
     Rezive_SetAutoIris, get_auto_iris},
    {"brightness", "Brightness (0 off)", REZIVE_SETTING_INT, -255, 255, 0, RZ_FILTER_BRIGHTNESS,
     NULL, NULL},
    {"contrast", "Contrast (0 off)", REZIVE_SETTING_INT, -127, 127, 0, RZ_FILTER_CONTRAST, NULL,
     NULL},
    {"hue", "Hue rotation in degrees (0 off)", REZIVE_SETTING_INT, -360, 360, 0, RZ_FILTER_HUE,
     NULL, NULL},
    {"saturation", "Saturation (0 off)", REZIVE_SETTING_INT, -255, 255, 0, RZ_FILTER_SATURATION,
     NULL, NULL},
    {"sharpness", "Sharpness (0 off)", REZIVE_SETTING_INT, 0, 30, 0, RZ_FILTER_SHARPNESS, NULL,
     NULL},
    {"gamma", "Gamma in hundredths (100 neutral)", REZIVE_SETTING_INT, 0, 200, 100,
     RZ_FILTER_GAMMA, NULL, NULL},
    {"wb-red", "White-balance gain of red in percent", REZIVE_SETTING_INT, 0, 400, 100,
     RZ_FILTER_BAYER_GAIN_RED, NULL, NULL},
    {"wb-green", "White-balance gain of green in percent", REZIVE_SETTING_INT, 0, 400, 100,
     RZ_FILTER_BAYER_GAIN_GREEN, NULL, NULL},
    {"wb-blue", "White-balance gain of blue in percent", REZIVE_SETTING_INT, 0, 400, 100,
     RZ_FILTER_BAYER_GAIN_BLUE, NULL, NULL},
    {"auto-wb", "Automatic white balance on every colour frame", REZIVE_SETTING_BOOL, 0, 1, 0,
     RZ_FILTER_BAYER_GAIN_AUTO, NULL, NULL},
    {"bayer-mode", "Colour-filter phase of the mosaic", REZIVE_SETTING_INT, 0, 3, 3,
     RZ_FILTER_BAYER_MODE, NULL, NULL},
    {"gray-mode", "Gray processing: 0 mosaic, 1 gain and offset, 2 colour to gray",
     REZIVE_SETTING_INT, 0, 2, 0, RZ_FILTER_GRAY_MODE, NULL, NULL},
    /* Not kept by the library: it lasts while the element has the camera open. */
    {"wait-time", "Pause of the preview loop before each frame, in milliseconds",
     REZIVE_SETTING_INT, 0, 60000, 10, 0, Rezive_SetWaitTime, get_wait_time},
};

const ReziveSetting* rezive_settings(guint* count) {
    *count = G_N_ELEMENTS(kSettings);
    return kSettings;
}

GType rezive_auto_iris_get_type(void) {
    static gsize type = 0;
    static const GEnumValue values[] = {
        {0, "Off", "off"},
        {1, "Adjust the exposure time", "exposure"},
        {2, "Adjust the gain", "gain"},
        {0, NULL, NULL},
    };
    if (g_once_init_enter(&type)) g_once_init_leave(&type, g_enum_register_static("ReziveAutoIris", values));
    return (GType)type;
}

void rezive_settings_install(GObjectClass* klass, guint first_id) {
    const GParamFlags flags = (GParamFlags)(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS |
                                            GST_PARAM_MUTABLE_PLAYING);
    for (guint k = 0; k < G_N_ELEMENTS(kSettings); ++k) {
        const ReziveSetting* s = &kSettings[k];
        GParamSpec* spec;
        if (s->kind == REZIVE_SETTING_BOOL)
            spec = g_param_spec_boolean(s->name, s->name, s->blurb, s->fallback != 0, flags);
        else if (s->kind == REZIVE_SETTING_AUTO_IRIS)
            spec = g_param_spec_enum(s->name, s->name, s->blurb, rezive_auto_iris_get_type(),
                                     s->fallback, flags);
        else
            spec = g_param_spec_int(s->name, s->name, s->blurb, s->min, s->max, s->fallback, flags);
        g_object_class_install_property(klass, first_id + k, spec);
    }
}

gboolean rezive_setting_apply(const ReziveSetting* s, RzHandle handle, int value) {
    if (s->filter != 0) return Rezive_SetFilterValue(handle, s->filter, value) == 1;
    return s->set(handle, value) == 1;
}

gboolean rezive_setting_read(const ReziveSetting* s, RzHandle handle, int* value) {
    if (s->filter != 0) {
        int32_t ok = 0;
        *value = Rezive_GetFilterValue(handle, s->filter, &ok);
        return ok != 0;
    }
    *value = s->get(handle);
    return *value >= 0;
}

void rezive_setting_to_gvalue(const ReziveSetting* s, int value, GValue* out) {
    if (s->kind == REZIVE_SETTING_BOOL) g_value_set_boolean(out, value != 0);
    else if (s->kind == REZIVE_SETTING_AUTO_IRIS) g_value_set_enum(out, value);
    else g_value_set_int(out, value);
}

int rezive_setting_from_gvalue(const ReziveSetting* s, const GValue* in) {
    if (s->kind == REZIVE_SETTING_BOOL) return g_value_get_boolean(in) ? 1 : 0;
    if (s->kind == REZIVE_SETTING_AUTO_IRIS) return g_value_get_enum(in);
    return g_value_get_int(in);
}
