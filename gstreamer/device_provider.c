#include "device_provider.h"

#include "camera_list.h"
#include "device.h"

GST_DEBUG_CATEGORY_STATIC(rezive_provider_debug);
#define GST_CAT_DEFAULT rezive_provider_debug

/* How often the monitor looks at the bus. Looking opens no device; only a change makes it list
 * the cameras again, which tries each one once. */
#define POLL_PERIOD_US (1 * G_TIME_SPAN_SECOND)

struct _GstReziveDeviceProvider {
    GstDeviceProvider parent;

    /* The monitor thread and its stop request, under lock. */
    GMutex lock;
    GCond wake;
    gboolean stopping;
    GThread* thread;

    /* Owned by start() until the thread exists, then by the thread, then by stop() after the
     * join: the devices added (a reference each) and the bus as last seen. */
    GPtrArray* devices;
    gchar* fingerprint;
    gint virtual_count;
};

G_DEFINE_TYPE(GstReziveDeviceProvider, gst_rezive_device_provider, GST_TYPE_DEVICE_PROVIDER)

static GList* probe(GstDeviceProvider* provider) {
    (void)provider;
    ReziveCameraEntry* cameras = NULL;
    const guint n = rezive_list_cameras(rezive_virtual_camera_count(), &cameras);
    GList* devices = NULL;
    for (guint k = 0; k < n; ++k) devices = g_list_append(devices, gst_rezive_device_new(&cameras[k]));
    g_free(cameras);
    return devices;
}

static const ReziveCameraEntry* find_camera(const ReziveCameraEntry* cameras, guint n,
                                            const ReziveCameraEntry* camera) {
    for (guint k = 0; k < n; ++k)
        if (rezive_camera_same(&cameras[k], camera)) return &cameras[k];
    return NULL;
}

/* Brings the devices in line with the cameras: the gone ones removed, the new ones added, and
 * a camera whose availability changed replaced by its new account. */
static void update_devices(GstReziveDeviceProvider* self, const ReziveCameraEntry* cameras,
                           guint n) {
    GstDeviceProvider* provider = GST_DEVICE_PROVIDER(self);
    for (guint k = self->devices->len; k-- > 0;) {
        GstReziveDevice* device = g_ptr_array_index(self->devices, k);
        const ReziveCameraEntry* had = gst_rezive_device_camera(device);
        const ReziveCameraEntry* now = find_camera(cameras, n, had);
        if (now == NULL) {
            GST_INFO_OBJECT(self, "camera in slot %d is gone", had->slot);
            gst_device_provider_device_remove(provider, GST_DEVICE(device));
            g_ptr_array_remove_index(self->devices, k);
        } else if (now->cause != had->cause || g_strcmp0(now->reason, had->reason) != 0) {
            GST_INFO_OBJECT(self, "camera in slot %d: cause %d now", now->slot, now->cause);
            /* The provider's list keeps the new device by sinking its floating reference (a
             * device that is not floating it would take without a reference of its own), and
             * drops its reference to the old one; ours moves from the old to the new. */
            GstDevice* changed = gst_object_ref(gst_rezive_device_new(now));
            gst_device_provider_device_changed(provider, changed, GST_DEVICE(device));
            g_ptr_array_index(self->devices, k) = changed;
            gst_object_unref(device);
        }
    }
    for (guint k = 0; k < n; ++k) {
        gboolean known = FALSE;
        for (guint d = 0; d < self->devices->len && !known; ++d)
            known = rezive_camera_same(
                gst_rezive_device_camera(g_ptr_array_index(self->devices, d)), &cameras[k]);
        if (known) continue;
        GST_INFO_OBJECT(self, "camera in slot %d is there", cameras[k].slot);
        GstDevice* device = gst_object_ref_sink(gst_rezive_device_new(&cameras[k]));
        g_ptr_array_add(self->devices, device);
        gst_device_provider_device_add(provider, device);
    }
}

/* Lists the cameras again when the bus changed since the last look (or always, when forced). */
static void refresh(GstReziveDeviceProvider* self, gboolean force) {
    gchar* fingerprint = rezive_bus_fingerprint();
    if (!force && g_strcmp0(fingerprint, self->fingerprint) == 0) {
        g_free(fingerprint);
        return;
    }
    GST_DEBUG_OBJECT(self, "listing the cameras (%s)", force ? "start" : "the bus changed");
    g_free(self->fingerprint);
    self->fingerprint = fingerprint;
    ReziveCameraEntry* cameras = NULL;
    const guint n = rezive_list_cameras(self->virtual_count, &cameras);
    update_devices(self, cameras, n);
    g_free(cameras);
}

static gpointer monitor_thread(gpointer data) {
    GstReziveDeviceProvider* self = data;
    g_mutex_lock(&self->lock);
    while (!self->stopping) {
        const gint64 until = g_get_monotonic_time() + POLL_PERIOD_US;
        /* Woken early only by stop(); a spurious wake-up waits on. */
        while (!self->stopping && g_cond_wait_until(&self->wake, &self->lock, until)) {
        }
        if (self->stopping) break;
        g_mutex_unlock(&self->lock);
        refresh(self, FALSE);
        g_mutex_lock(&self->lock);
    }
    g_mutex_unlock(&self->lock);
    return NULL;
}

static gboolean start(GstDeviceProvider* provider) {
    GstReziveDeviceProvider* self = GST_REZIVE_DEVICE_PROVIDER(provider);
    /* Virtual cameras are not plugged in or out: their number is read once, and the thread
     * never reads the environment that the application may be changing. */
    self->virtual_count = rezive_virtual_camera_count();
    /* The first listing is there when the monitor's start returns. */
    refresh(self, TRUE);
    self->stopping = FALSE;
    GError* error = NULL;
    self->thread = g_thread_try_new("rezive-monitor", monitor_thread, self, &error);
    if (self->thread == NULL) {
        GST_ERROR_OBJECT(self, "cannot start the monitor thread: %s", error->message);
        g_error_free(error);
        g_ptr_array_set_size(self->devices, 0);
        g_clear_pointer(&self->fingerprint, g_free);
        return FALSE;
    }
    return TRUE;
}

static void stop(GstDeviceProvider* provider) {
    GstReziveDeviceProvider* self = GST_REZIVE_DEVICE_PROVIDER(provider);
    if (self->thread == NULL) return;
    g_mutex_lock(&self->lock);
    self->stopping = TRUE;
    g_cond_signal(&self->wake);
    g_mutex_unlock(&self->lock);
    /* A look in progress ends on its own: the library's listing never waits on a camera. */
    g_thread_join(self->thread);
    self->thread = NULL;
    /* The base class drops its own list of the devices after stop. */
    g_ptr_array_set_size(self->devices, 0);
    g_clear_pointer(&self->fingerprint, g_free);
}

static void finalize(GObject* object) {
    GstReziveDeviceProvider* self = GST_REZIVE_DEVICE_PROVIDER(object);
    stop(GST_DEVICE_PROVIDER(object));
    g_ptr_array_unref(self->devices);
    g_mutex_clear(&self->lock);
    g_cond_clear(&self->wake);
    G_OBJECT_CLASS(gst_rezive_device_provider_parent_class)->finalize(object);
}

static void gst_rezive_device_provider_class_init(GstReziveDeviceProviderClass* klass) {
    GstDeviceProviderClass* provider = GST_DEVICE_PROVIDER_CLASS(klass);
    GST_DEBUG_CATEGORY_INIT(rezive_provider_debug, "rezivedeviceprovider", 0,
                            "417DIR camera device provider");
    G_OBJECT_CLASS(klass)->finalize = finalize;
    provider->probe = probe;
    provider->start = start;
    provider->stop = stop;
    gst_device_provider_class_set_static_metadata(
        provider, "417DIR camera device provider", "Video/Source",
        "Lists the 417DIR cameras (virtual ones too) and follows USB cameras as they are plugged "
        "in and out",
        "ReziveSdk developers");
}

static void gst_rezive_device_provider_init(GstReziveDeviceProvider* self) {
    g_mutex_init(&self->lock);
    g_cond_init(&self->wake);
    self->devices = g_ptr_array_new_with_free_func(gst_object_unref);
}
