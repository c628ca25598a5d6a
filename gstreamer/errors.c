#include "errors.h"

const char* rezive_error_meaning(int code) {
    switch (code) {
        case RZ_ERR_NO_DEVICE: return "no camera object, not allowed in this mode, or no frame";
        case RZ_ERR_DEVICE_UNAVAILABLE: return "camera absent, cannot be opened, or claimed";
        case RZ_ERR_THREAD: return "worker thread could not be created";
        case RZ_ERR_WINDOW: return "preview window failed";
        case RZ_ERR_BUFFER: return "image buffer could not be allocated or is too small";
        case RZ_ERR_REGISTER: return "sensor register access or transfer start failed";
        case RZ_ERR_CAPTURE_WINDOW: return "capture window invalid";
        case RZ_ERR_TRANSFER: return "frame transfer failed";
        case RZ_ERR_ARGUMENT: return "argument out of range or invalid";
        case RZ_ERR_UNSUPPORTED: return "not available on this model";
        case RZ_ERR_FILE: return "file name conversion or recording failed";
        case RZ_ERR_NO_FRAME: return "no frame within 6 s; the camera stalled";
        default: return "unknown error";
    }
}

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

void rezive_post_error(GstElement* element, RzHandle handle, int device, const char* doing,
                       const int* codes, guint count) {
    const int cause = count > 0 ? codes[count - 1] : 0;
    GString* debug = g_string_new(NULL);
    g_string_append_printf(debug, "%s: error codes (newest first):", doing);
    for (guint k = 0; k < count; ++k) g_string_append_printf(debug, " %d", codes[k]);
    if (count == 0) g_string_append(debug, " none");

    GstResourceError kind = GST_RESOURCE_ERROR_FAILED;
    gchar* text;
    if (cause == RZ_ERR_DEVICE_UNAVAILABLE && !camera_in_slot(handle, device)) {
        kind = GST_RESOURCE_ERROR_NOT_FOUND;
        text = g_strdup_printf("No camera in device slot %d", device);
    } else if (cause == RZ_ERR_DEVICE_UNAVAILABLE) {
        kind = GST_RESOURCE_ERROR_BUSY;
        text = g_strdup_printf("The camera in device slot %d is in use by another program "
                               "(error 2: %s)", device, rezive_error_meaning(cause));
    } else if (cause == 0) {
        text = g_strdup_printf("Camera failure while %s", doing);
    } else {
        if (cause == RZ_ERR_CAPTURE_WINDOW || cause == RZ_ERR_ARGUMENT)
            kind = GST_RESOURCE_ERROR_SETTINGS;
        else if (cause == RZ_ERR_TRANSFER || cause == RZ_ERR_NO_FRAME)
            kind = GST_RESOURCE_ERROR_READ;
        else if (cause == RZ_ERR_BUFFER)
            kind = GST_RESOURCE_ERROR_NO_SPACE_LEFT;
        text = g_strdup_printf("Camera error %d: %s (while %s)", cause,
                               rezive_error_meaning(cause), doing);
    }
    gst_element_message_full(element, GST_MESSAGE_ERROR, GST_RESOURCE_ERROR, kind, text,
                             g_string_free(debug, FALSE), __FILE__, GST_FUNCTION, __LINE__);
}
