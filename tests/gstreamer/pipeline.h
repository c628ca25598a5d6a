// Pipelines of the element's tests: built from a gst-launch description, run to the end or
// to the first error, their frames pulled from an appsink named "sink", the element's camera
// handle for the C API, and command-line tools run with the test's environment.
#pragma once

#include <ReziveSdk.h>
#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <cstdio>
#include <string>
#include <vector>

namespace rezive::test {

inline constexpr GstClockTime kDeadline = 60 * GST_SECOND;  // generous: a loaded 2-core machine

inline std::string RunCommand(const std::string& command) {
    std::string out;
    FILE* p = popen((std::string(REZIVE_GST_PRELOAD) + command + " 2>&1").c_str(), "r");
    if (p == nullptr) return out;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, p)) > 0) out.append(chunk, n);
    pclose(p);
    return out;
}

// A pipeline from a gst-launch description, set to NULL and freed at the end of the scope.
class Pipeline {
public:
    explicit Pipeline(const std::string& description) {
        GError* error = nullptr;
        pipeline_ = gst_parse_launch(description.c_str(), &error);
        if (error != nullptr) {
            parseError_ = error->message;
            g_error_free(error);
        }
    }
    ~Pipeline() {
        if (pipeline_ == nullptr) return;
        gst_element_set_state(pipeline_, GST_STATE_NULL);
        gst_object_unref(pipeline_);
    }
    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;

    bool ok() const { return pipeline_ != nullptr && parseError_.empty(); }
    GstElement* Element() const { return pipeline_; }
    GstElement* Get(const char* name) const { return gst_bin_get_by_name(GST_BIN(pipeline_), name); }
    void Play() { gst_element_set_state(pipeline_, GST_STATE_PLAYING); }

    // Waits for the end of the stream or the first error; the error is kept.
    GstMessageType Finish() {
        GstBus* bus = gst_element_get_bus(pipeline_);
        GstMessage* m = gst_bus_timed_pop_filtered(
            bus, kDeadline, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        gst_object_unref(bus);
        if (m == nullptr) return GST_MESSAGE_UNKNOWN;
        const GstMessageType type = GST_MESSAGE_TYPE(m);
        if (type == GST_MESSAGE_ERROR) {
            GError* error = nullptr;
            gchar* debug = nullptr;
            gst_message_parse_error(m, &error, &debug);
            errorDomain_ = error->domain;
            errorCode_ = error->code;
            errorText_ = error->message;
            errorDebug_ = debug ? debug : "";
            g_error_free(error);
            g_free(debug);
        }
        gst_message_unref(m);
        return type;
    }

    std::string Describe() const { return errorText_ + " | " + errorDebug_ + parseError_; }
    GQuark errorDomain_ = 0;
    int errorCode_ = 0;
    std::string errorText_;

private:
    GstElement* pipeline_ = nullptr;
    std::string parseError_;
    std::string errorDebug_;
};

// The element's camera handle, for the C API.
inline RzHandle HandleOf(const Pipeline& pipeline) {
    GstElement* src = pipeline.Get("src");
    guint handle = 0;
    g_object_get(src, "handle", &handle, nullptr);
    gst_object_unref(src);
    return handle;
}

inline std::vector<uint8_t> PullFrame(const Pipeline& pipeline, GstCaps** caps = nullptr) {
    GstElement* sink = pipeline.Get("sink");
    GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), kDeadline);
    gst_object_unref(sink);
    std::vector<uint8_t> bytes;
    if (sample == nullptr) return bytes;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstMapInfo map;
    if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        bytes.assign(map.data, map.data + map.size);
        gst_buffer_unmap(buffer, &map);
    }
    if (caps != nullptr) *caps = gst_caps_ref(gst_sample_get_caps(sample));
    gst_sample_unref(sample);
    return bytes;
}

}  // namespace rezive::test
