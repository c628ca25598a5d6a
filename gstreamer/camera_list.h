/* The cameras rezivesrc can open, found without disturbing any of them.
 *
 * A second camera object (Rezive_Initialize) opens the camera in slot 0 and sets its sensor up
 * again, which ends a stream another element of this process runs from it and resets its gain.
 * So the list is made without a camera object: the virtual cameras from REZIVE_VIRTUAL_CAMERAS
 * (slots 0..N-1, the library's rule), the attached cameras from RzListAttachedCameras, whose try
 * of each device shares the handle of a camera this process uses. */
#ifndef REZIVE_GST_CAMERA_LIST_H
#define REZIVE_GST_CAMERA_LIST_H

#include <glib.h>

G_BEGIN_DECLS

typedef struct {
    gint slot;          /* device slot: rezivesrc's device property */
    gboolean is_virtual;
    gint cause;         /* RZ_CAUSE_NONE when it opens, else why not (RZ_CAUSE_...) */
    gchar location[128]; /* attached cameras: where it is ("USB camera 1-2 (...)" or a node) */
    gchar reason[384];  /* why it cannot be opened, and what to do; empty when it opens */
} ReziveCameraEntry;

/* The number of virtual cameras as the library reads REZIVE_VIRTUAL_CAMERAS (0..32). */
gint rezive_virtual_camera_count(void);

/* The cameras in slot order, virtual ones first; an attached device without a slot (not a
 * camera, no free slot) is left out, as no element could open it. Free *entries with g_free. */
guint rezive_list_cameras(gint virtual_count, ReziveCameraEntry** entries);

/* The library's account of the USB bus. Making it opens no device, so it can be asked often;
 * it changes when a camera is plugged in or pulled out, or when an open of one fails or
 * succeeds again. Free with g_free. */
gchar* rezive_bus_fingerprint(void);

/* A short word for a cause, for display names ("in use"); "" for RZ_CAUSE_NONE. */
const gchar* rezive_cause_word(gint cause);

G_END_DECLS

#endif
