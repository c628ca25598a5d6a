/* The rezive GStreamer plugin: the rezivesrc element. */
#include <gst/gst.h>

#include "rezivesrc.h"

#ifndef PACKAGE
#define PACKAGE "rezive"
#endif

static gboolean plugin_init(GstPlugin* plugin) {
    return gst_element_register(plugin, "rezivesrc", GST_RANK_NONE, GST_TYPE_REZIVE_SRC);
}

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, rezive,
                  "Sources of the 417DIR camera SDK", plugin_init, REZIVE_GST_VERSION, "Proprietary",
                  "ReziveSdk", "ReziveSdk")
