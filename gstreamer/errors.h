/* SDK error codes as GStreamer errors: the code's meaning, and the resource error that fits. */
#ifndef REZIVE_GST_ERRORS_H
#define REZIVE_GST_ERRORS_H

#include <ReziveSdk.h>
#include <gst/gst.h>

/* The meaning of an RZ_ERR_ code, in words. */
const char* rezive_error_meaning(int code);

/* Takes every code from the camera's error history, newest first, into codes (at most max);
 * returns how many. The oldest is the cause, the later ones what the failing call added. */
guint rezive_take_errors(RzHandle handle, int* codes, guint max);

/* Posts an error message on the bus for a failed camera call: the cause's meaning in the
 * message, every code in the debug text. No code at all still posts a failure. */
void rezive_post_error(GstElement* element, RzHandle handle, int device, const char* doing,
                       const int* codes, guint count);

#endif
