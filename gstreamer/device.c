#include "device.h"

#include <ReziveSdk.h>
#include <string.h>

#include "rezivesrc.h"

struct _GstReziveDevice {
    GstDevice parent;
    ReziveCameraEntry camera;
};

G_DEFINE_TYPE(GstReziveDevice, gst_rezive_device, GST_TYPE_DEVICE)

static GstElement* create_element(GstDevice* device, const gchar* name) {
    GstElement* element = gst_element_factory_make("rezivesrc", name);
    if (element != NULL) g_object_set(element, "device", GST_REZIVE_DEVICE(device)->camera.slot, NULL);
    return element;
}

static gboolean reconfigure_element(GstDevice* device, GstElement* element) {
    if (!GST_IS_REZIVE_SRC(element)) return FALSE;
    /* A running element takes the new slot when it starts again. */
    g_object_set(element, "device", GST_REZIVE_DEVICE(device)->camera.slot, NULL);
    return TRUE;
}

static void gst_rezive_device_class_init(GstReziveDeviceClass* klass) {
    GstDeviceClass* device = GST_DEVICE_CLASS(klass);
    device->create_element = create_element;
    device->reconfigure_element = reconfigure_element;
}

static void gst_rezive_device_init(GstReziveDevice* self) { (void)self; }

/* The caps rezivesrc offers before it opens the camera: its pad template's. */
static GstCaps* element_caps(void) {
    GstElementClass* klass = GST_ELEMENT_CLASS(g_type_class_ref(GST_TYPE_REZIVE_SRC));
    GstPadTemplate* templ = gst_element_class_get_pad_template(klass, "src");
    GstCaps* caps = templ != NULL ? gst_pad_template_get_caps(templ) : gst_caps_new_empty();
    g_type_class_unref(klass);
    return caps;
}

static gchar* display_name(const ReziveCameraEntry* camera) {
    if (camera->is_virtual) return g_strdup_printf("417DIR virtual camera (slot %d)", camera->slot);
    if (camera->cause == RZ_CAUSE_NONE)
        return g_strdup_printf("417DIR camera (slot %d): %s", camera->slot, camera->location);
    return g_strdup_printf("417DIR camera (slot %d, %s): %s", camera->slot,
                           rezive_cause_word(camera->cause), camera->location);
}

GstDevice* gst_rezive_device_new(const ReziveCameraEntry* camera) {
    gchar* name = display_name(camera);
    GstCaps* caps = element_caps();
    GstStructure* properties = gst_structure_new(
        "rezive-device", "device.api", G_TYPE_STRING, "rezive", "rezive.slot", G_TYPE_INT,
        camera->slot, "rezive.virtual", G_TYPE_BOOLEAN, camera->is_virtual, "rezive.available",
        G_TYPE_BOOLEAN, camera->cause == RZ_CAUSE_NONE, NULL);
    if (!camera->is_virtual)
        gst_structure_set(properties, "rezive.location", G_TYPE_STRING, camera->location, NULL);
    if (camera->cause != RZ_CAUSE_NONE)
        gst_structure_set(properties, "rezive.reason", G_TYPE_STRING, camera->reason, NULL);
    GstReziveDevice* device =
        g_object_new(GST_TYPE_REZIVE_DEVICE, "display-name", name, "caps", caps, "device-class",
                     "Video/Source", "properties", properties, NULL);
    device->camera = *camera;
    g_free(name);
    gst_caps_unref(caps);
    gst_structure_free(properties);
    return GST_DEVICE(device);
}

const ReziveCameraEntry* gst_rezive_device_camera(GstReziveDevice* device) { return &device->camera; }

gboolean rezive_camera_same(const ReziveCameraEntry* a, const ReziveCameraEntry* b) {
    return a->slot == b->slot && a->is_virtual == b->is_virtual &&
           strcmp(a->location, b->location) == 0;
}
