#include "settings.h"

#include <string.h>

#include "rezivesrc.h"

/* The colour mode is the caps' format, negotiated, not a property. */
static gboolean shown(const RzSettingInfo* info) { return strcmp(info->name, "color") != 0; }

/* "auto-iris" -> "ReziveAutoIris": the enumeration type of a choice. */
static gchar* type_name_of(const char* setting) {
    GString* name = g_string_new("Rezive");
    gboolean upper = TRUE;
    for (const char* c = setting; *c; ++c) {
        if (*c == '-') {
            upper = TRUE;
            continue;
        }
        g_string_append_c(name, upper ? g_ascii_toupper(*c) : *c);
        upper = FALSE;
    }
    return g_string_free(name, FALSE);
}

static GType register_choices(const RzSettingInfo* info) {
    gchar* type_name = type_name_of(info->name);
    GType type = g_type_from_name(type_name);
    if (type == G_TYPE_INVALID) {
        /* Registered once for the life of the process: the table is the library's and static. */
        GEnumValue* values = g_new0(GEnumValue, info->valueCount + 1);
        for (int32_t k = 0; k < info->valueCount; ++k) {
            values[k].value = k;
            values[k].value_name = info->valueNames[k];
            values[k].value_nick = info->valueNames[k];
        }
        type = g_enum_register_static(g_intern_string(type_name), values);
    }
    g_free(type_name);
    return type;
}

static ReziveSetting kSettings[REZIVE_SRC_MAX_SETTINGS];
static guint kCount = 0;

static gpointer load_settings(gpointer unused) {
    (void)unused;
    const int32_t total = RzGetSettingCount();
    for (int32_t k = 0; k < total; ++k) {
        RzSettingInfo info;
        memset(&info, 0, sizeof info);
        info.size = sizeof info;
        if (RzGetSettingInfo(k, NULL, &info) != 1 || !shown(&info)) continue;
        if (kCount == G_N_ELEMENTS(kSettings)) {
            g_warning("rezivesrc: the library has more settings than the element can show; "
                      "%s and later are left out",
                      info.name);
            break;
        }
        ReziveSetting* s = &kSettings[kCount++];
        s->choices = info.kind == RZ_SETTING_CHOICE && info.valueNames != NULL
                         ? register_choices(&info)
                         : G_TYPE_INVALID;
        s->info = info;
    }
    return NULL;
}

const ReziveSetting* rezive_settings(guint* count) {
    static GOnce once = G_ONCE_INIT;
    g_once(&once, load_settings, NULL);
    *count = kCount;
    return kSettings;
}

void rezive_settings_install(GObjectClass* klass, guint first_id) {
    const GParamFlags flags = (GParamFlags)(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS |
                                            GST_PARAM_MUTABLE_PLAYING);
    guint count = 0;
    const ReziveSetting* settings = rezive_settings(&count);
    for (guint k = 0; k < count; ++k) {
        const ReziveSetting* s = &settings[k];
        const char* blurb = s->info.description;
        GParamSpec* spec;
        if (s->info.kind == RZ_SETTING_SWITCH)
            spec = g_param_spec_boolean(s->info.name, s->info.name, blurb, s->info.defaultValue != 0, flags);
        else if (s->choices != G_TYPE_INVALID)
            spec = g_param_spec_enum(s->info.name, s->info.name, blurb, s->choices, s->info.defaultValue, flags);
        else
            spec = g_param_spec_int(s->info.name, s->info.name, blurb, s->info.minimum, s->info.maximum,
                                    s->info.defaultValue, flags);
        g_object_class_install_property(klass, first_id + k, spec);
        if (s->choices != G_TYPE_INVALID) gst_type_mark_as_plugin_api(s->choices, 0);
    }
}

gboolean rezive_setting_apply(const ReziveSetting* s, RzHandle handle, int value) {
    return RzSetSettingValue(handle, s->info.name, value) == 1;
}

gboolean rezive_setting_read(const ReziveSetting* s, RzHandle handle, int* value) {
    int32_t v = 0;
    if (RzGetSettingValue(handle, s->info.name, &v) != 1) return FALSE;
    *value = v;
    return TRUE;
}

void rezive_setting_to_gvalue(const ReziveSetting* s, int value, GValue* out) {
    if (s->info.kind == RZ_SETTING_SWITCH) g_value_set_boolean(out, value != 0);
    else if (s->choices != G_TYPE_INVALID) g_value_set_enum(out, value);
    else g_value_set_int(out, value);
}

int rezive_setting_from_gvalue(const ReziveSetting* s, const GValue* in) {
    if (s->info.kind == RZ_SETTING_SWITCH) return g_value_get_boolean(in) ? 1 : 0;
    if (s->choices != G_TYPE_INVALID) return g_value_get_enum(in);
    return g_value_get_int(in);
}
