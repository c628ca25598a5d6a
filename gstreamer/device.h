/* One camera as a GstDevice: its display name, the element's caps, its properties, and a
 * rezivesrc opened on its slot. */
#ifndef REZIVE_GST_DEVICE_H
#define REZIVE_GST_DEVICE_H

#include <gst/gst.h>

#include "camera_list.h"

G_BEGIN_DECLS

#define GST_TYPE_REZIVE_DEVICE (gst_rezive_device_get_type())
G_DECLARE_FINAL_TYPE(GstReziveDevice, gst_rezive_device, GST, REZIVE_DEVICE, GstDevice)

/* A new (floating) device of the camera. */
GstDevice* gst_rezive_device_new(const ReziveCameraEntry* camera);

/* The camera the device was made of. */
const ReziveCameraEntry* gst_rezive_device_camera(GstReziveDevice* device);

/* The same camera (slot and place); a change of its availability keeps it the same. */
gboolean rezive_camera_same(const ReziveCameraEntry* a, const ReziveCameraEntry* b);

G_END_DECLS

#endif
