#include "camera_list.h"

#include <ReziveSdk.h>
#include <stdlib.h>
#include <string.h>

#define MAX_SLOTS 32

gint rezive_virtual_camera_count(void) {
    const char* text = g_getenv("REZIVE_VIRTUAL_CAMERAS");
    if (text == NULL) return 0;
    const long n = strtol(text, NULL, 10);
    return n < 0 ? 0 : n > MAX_SLOTS ? MAX_SLOTS : (gint)n;
}

/* The attached cameras, the array grown until the library's count fits. */
static RzAttachedCamera* attached_cameras(gint* count) {
    gint capacity = 4;
    for (int round = 0; round < 4; ++round) {
        RzAttachedCamera* cameras = g_new0(RzAttachedCamera, capacity);
        for (gint k = 0; k < capacity; ++k) cameras[k].size = sizeof(RzAttachedCamera);
        const int32_t n = RzListAttachedCameras(cameras, capacity);
        if (n >= 0 && n <= capacity) {
            *count = n;
            return cameras;
        }
        g_free(cameras);
        if (n < 0) break;
        capacity = n; /* more came while we looked: ask again with room for them */
    }
    *count = 0;
    return NULL;
}

static gint by_slot(gconstpointer a, gconstpointer b) {
    return ((const ReziveCameraEntry*)a)->slot - ((const ReziveCameraEntry*)b)->slot;
}

guint rezive_list_cameras(gint virtual_count, ReziveCameraEntry** entries) {
    gint attached_count = 0;
    RzAttachedCamera* attached = attached_cameras(&attached_count);
    GArray* list = g_array_new(FALSE, TRUE, sizeof(ReziveCameraEntry));
    gboolean taken[MAX_SLOTS] = {FALSE};
    for (gint slot = 0; slot < virtual_count && slot < MAX_SLOTS; ++slot) {
        ReziveCameraEntry e = {0};
        e.slot = slot;
        e.is_virtual = TRUE;
        g_array_append_val(list, e);
        taken[slot] = TRUE;
    }
    for (gint k = 0; k < attached_count; ++k) {
        const RzAttachedCamera* a = &attached[k];
        /* A slot the virtual cameras hold answers as a virtual camera. */
        if (a->slot < 0 || a->slot >= MAX_SLOTS || taken[a->slot]) continue;
        ReziveCameraEntry e = {0};
        e.slot = a->slot;
        e.cause = a->cause;
        g_strlcpy(e.location, a->location, sizeof e.location);
        g_strlcpy(e.reason, a->reason, sizeof e.reason);
        g_array_append_val(list, e);
        taken[a->slot] = TRUE;
    }
    g_free(attached);
    g_array_sort(list, by_slot);
    const guint n = list->len;
    *entries = (ReziveCameraEntry*)g_array_free(list, FALSE);
    return n;
}

gchar* rezive_bus_fingerprint(void) {
    gint size = 4096;
    for (int round = 0; round < 4; ++round) {
        gchar* text = g_malloc0((gsize)size);
        const int32_t n = RzDescribeUsbDevices(text, size, 0);
        if (n >= 0 && n < size) return text;
        g_free(text);
        if (n < 0) break;
        size = n + 1;
    }
    return g_strdup("");
}

const gchar* rezive_cause_word(gint cause) {
    switch (cause) {
        case RZ_CAUSE_NONE: return "";
        case RZ_CAUSE_NO_DEVICE: return "gone";
        case RZ_CAUSE_PERMISSION: return "no permission";
        case RZ_CAUSE_BUSY: return "in use";
        case RZ_CAUSE_NOT_RESPONDING: return "not responding";
        default: return "unavailable";
    }
}
