#include "errors.h"

/* The library's text: the same words rezive-cam and the Python package use. GStreamer's
 * messages are English, whatever language the dialogs speak. */
const char* rezive_error_meaning(int code) { return RzGetErrorText(code, "en"); }

guint rezive_take_errors(RzHandle handle, int* codes, guint max) {
    guint count = 0;
    /* The history holds 20 codes; the bound keeps a misbehaving handle from looping. */
    for (int k = 0; k < 64; ++k) {
        const int code = Rezive_GetLastError(handle);
        if (code == 0) break;
        if (count < max) codes[count++] = code;
    }
    return count;
}

/* Whether a camera answers in the slot: tells an absent camera from one in use elsewhere. */
static gboolean camera_in_slot(RzHandle handle, int device) {
    char name[32];
    const gboolean present = Rezive_GetDeviceName(handle, device, name, sizeof name) != 0;
    int drained[20];
    rezive_take_errors(handle, drained, G_N_ELEMENTS(drained));
    return present;
}

/* Why an attached camera cannot be used (RZ_CAUSE_): the one in the slot, or, when no slot has
 * a working camera, the first that fails; RZ_CAUSE_NONE when none fails. */
static int attached_cause(int device) {
    RzAttachedCamera cameras[8];
    for (guint k = 0; k < G_N_ELEMENTS(cameras); ++k) cameras[k].size = sizeof cameras[k];
    const int n = RzListAttachedCameras(cameras, G_N_ELEMENTS(cameras));
    int first = RZ_CAUSE_NONE;
    for (int k = 0; k < n && k < (int)G_N_ELEMENTS(cameras); ++k) {
        if (cameras[k].slot == device) return cameras[k].cause;
        if (first == RZ_CAUSE_NONE) first = cameras[k].cause;
    }
    return first;
}

static GstResourceError kind_of_cause(int cause) {
    switch (cause) {
        case RZ_CAUSE_PERMISSION: return GST_RESOURCE_ERROR_NOT_AUTHORIZED;
        case RZ_CAUSE_BUSY: return GST_RESOURCE_ERROR_BUSY;
        case RZ_CAUSE_NO_DEVICE: return GST_RESOURCE_ERROR_NOT_FOUND;
        default: return GST_RESOURCE_ERROR_OPEN_READ_WRITE;
    }
}

void rezive_post_error(GstElement* element, RzHandle handle, int device, const char* doing,
                       const int* codes, guint count) {
    const int cause = count > 0 ? codes[count - 1] : 0;
    GString* debug = g_string_new(NULL);
    g_string_append_printf(debug, "%s: error codes (newest first):", doing);
    for (guint k = 0; k < count; ++k) g_string_append_printf(debug, " %d", codes[k]);
    if (count == 0) g_string_append(debug, " none");
    /* The library's reason: which device, what went wrong, what to do. */
    char detail[512] = "";
    if (RzGetErrorDetail(handle, detail, sizeof detail) <= 0) detail[0] = '\0';

    GstResourceError kind = GST_RESOURCE_ERROR_FAILED;
    gchar* text;
    if (cause == RZ_ERR_DEVICE_UNAVAILABLE && !camera_in_slot(handle, device)) {
        const int why = attached_cause(device);
        if (why == RZ_CAUSE_NONE) {
            kind = GST_RESOURCE_ERROR_NOT_FOUND;
            text = g_strdup_printf("No camera in device slot %d", device);
        } else {
            /* There, but failing: never mistaken for an empty slot. */
            kind = kind_of_cause(why);
            text = g_strdup_printf("No camera can be used in device slot %d: %s", device, detail);
        }
    } else if (cause == RZ_ERR_DEVICE_UNAVAILABLE) {
        kind = GST_RESOURCE_ERROR_BUSY;
        text = detail[0] ? g_strdup_printf("The camera in device slot %d cannot be used "
                                           "(error 2: %s): %s",
                                           device, rezive_error_meaning(cause), detail)
                         : g_strdup_printf("The camera in device slot %d is held by another "
                                           "program (error 2: %s)",
                                           device, rezive_error_meaning(cause));
    } else if (cause == 0) {
        text = g_strdup_printf("Camera failure while %s", doing);
    } else {
        if (cause == RZ_ERR_CAPTURE_WINDOW || cause == RZ_ERR_ARGUMENT)
            kind = GST_RESOURCE_ERROR_SETTINGS;
        else if (cause == RZ_ERR_TRANSFER || cause == RZ_ERR_NO_FRAME)
            kind = GST_RESOURCE_ERROR_READ;
        else if (cause == RZ_ERR_BUFFER)
            kind = GST_RESOURCE_ERROR_NO_SPACE_LEFT;
        text = detail[0] && (cause == RZ_ERR_REGISTER || cause == RZ_ERR_TRANSFER ||
                             cause == RZ_ERR_NO_FRAME)
                   ? g_strdup_printf("Camera error %d: %s (while %s): %s", cause,
                                     rezive_error_meaning(cause), doing, detail)
                   : g_strdup_printf("Camera error %d: %s (while %s)", cause,
                                     rezive_error_meaning(cause), doing);
    }
    gst_element_message_full(element, GST_MESSAGE_ERROR, GST_RESOURCE_ERROR, kind, text,
                             g_string_free(debug, FALSE), __FILE__, GST_FUNCTION, __LINE__);
}
