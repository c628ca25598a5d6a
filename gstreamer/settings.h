/* The camera settings the library keeps per device slot, as element properties: one table of
 * names, ranges and the calls that read and write them. A property the user never set leaves
 * the camera's saved value alone. */
#ifndef REZIVE_GST_SETTINGS_H
#define REZIVE_GST_SETTINGS_H

#include <ReziveSdk.h>
#include <gst/gst.h>

typedef enum { REZIVE_SETTING_INT, REZIVE_SETTING_BOOL, REZIVE_SETTING_AUTO_IRIS } ReziveSettingKind;

typedef struct {
    const char* name;
    const char* blurb;
    ReziveSettingKind kind;
    int min, max, fallback; /* fallback: what a never-opened element reports */
    int filter;             /* RZ_FILTER_ id, or 0 for the calls below */
    int32_t (*set)(RzHandle, int32_t);
    int32_t (*get)(RzHandle);
} ReziveSetting;

typedef struct {
    int value;
    gboolean given; /* set by the user: applied when the camera opens */
} ReziveSettingValue;

const ReziveSetting* rezive_settings(guint* count);

/* Installs one property per setting, with ids from first_id on. */
void rezive_settings_install(GObjectClass* klass, guint first_id);
GType rezive_auto_iris_get_type(void);

/* Writes the setting to the camera; TRUE when the library took it. */
gboolean rezive_setting_apply(const ReziveSetting* setting, RzHandle handle, int value);
/* Reads the camera's value; FALSE when the read failed. */
gboolean rezive_setting_read(const ReziveSetting* setting, RzHandle handle, int* value);

void rezive_setting_to_gvalue(const ReziveSetting* setting, int value, GValue* out);
int rezive_setting_from_gvalue(const ReziveSetting* setting, const GValue* in);

#endif
