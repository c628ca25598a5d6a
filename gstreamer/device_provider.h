/* The device provider of the rezive plugin: lists the cameras for a device monitor, and while
 * a monitor runs follows USB cameras being plugged in and pulled out. */
#ifndef REZIVE_GST_DEVICE_PROVIDER_H
#define REZIVE_GST_DEVICE_PROVIDER_H

#include <gst/gst.h>

G_BEGIN_DECLS

#define GST_TYPE_REZIVE_DEVICE_PROVIDER (gst_rezive_device_provider_get_type())
G_DECLARE_FINAL_TYPE(GstReziveDeviceProvider, gst_rezive_device_provider, GST,
                     REZIVE_DEVICE_PROVIDER, GstDeviceProvider)

G_END_DECLS

#endif
