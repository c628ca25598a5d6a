/* The rezive GStreamer plugin: the rezivesrc element and the device provider of its cameras. */
#include <gst/gst.h>

#include "device_provider.h"
#include "rezivesrc.h"

#ifndef PACKAGE
#define PACKAGE "rezive"
#endif

static gboolean plugin_init(GstPlugin* plugin) {
    /* The only source of these cameras, so a device monitor asks it first. */
    return gst_element_register(plugin, "rezivesrc", GST_RANK_NONE, GST_TYPE_REZIVE_SRC) &&
           gst_device_provider_register(plugin, "rezivedeviceprovider", GST_RANK_PRIMARY,
                                        GST_TYPE_REZIVE_DEVICE_PROVIDER);
}

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, rezive,
                  "Sources of the 417DIR camera SDK", plugin_init, REZIVE_GST_VERSION, "Proprietary",
                  "ReziveSdk", "ReziveSdk")
