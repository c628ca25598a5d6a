/* The camera settings of the library's settings table as element properties: names, ranges,
 * defaults and value names all come from the library, which also reads and writes them by
 * name. A property the user never set leaves the camera's saved value alone. */
#ifndef REZIVE_GST_SETTINGS_H
#define REZIVE_GST_SETTINGS_H

#include <ReziveSdk.h>
#include <gst/gst.h>

/* info.defaultValue is what a never-opened element reports: a new camera's value. */
typedef struct {
    RzSettingInfo info;
    GType choices; /* the enumeration of a choice, else G_TYPE_INVALID */
} ReziveSetting;

typedef struct {
    int value;
    gboolean given; /* set by the user: applied when the camera opens */
} ReziveSettingValue;

/* The settings the element shows, in the library's order (at most max_count). */
const ReziveSetting* rezive_settings(guint* count);

/* Installs one property per setting, with ids from first_id on. */
void rezive_settings_install(GObjectClass* klass, guint first_id);

/* Writes the setting to the camera; TRUE when the library took it. */
gboolean rezive_setting_apply(const ReziveSetting* setting, RzHandle handle, int value);
/* Reads the camera's value; FALSE when the read failed. */
gboolean rezive_setting_read(const ReziveSetting* setting, RzHandle handle, int* value);

void rezive_setting_to_gvalue(const ReziveSetting* setting, int value, GValue* out);
int rezive_setting_from_gvalue(const ReziveSetting* setting, const GValue* in);

#endif
