// The plugin's device provider against two virtual cameras: what a one-off probe and a running
// monitor list, elements made from the devices stream from their slots, listing leaves a camera
// that another element streams from alone, and gst-device-monitor-1.0 shows the cameras.
#include <ReziveSdk.h>
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace rezive::test {
namespace {

constexpr GstClockTime kDeadline = 60 * GST_SECOND;  // generous: a loaded 2-core machine

// Two virtual cameras for the scope of a test; the process runs with one otherwise.
class TwoVirtualCameras {
public:
    TwoVirtualCameras() { setenv("REZIVE_VIRTUAL_CAMERAS", "2", 1); }
    ~TwoVirtualCameras() { setenv("REZIVE_VIRTUAL_CAMERAS", "1", 1); }
};

bool CameraAttached() { return RzListAttachedCameras(nullptr, 0) > 0; }

int SlotOf(GstDevice* device) {
    GstStructure* properties = gst_device_get_properties(device);
    int slot = -1;
    if (properties == nullptr) return slot;
    if (g_strcmp0(gst_structure_get_string(properties, "device.api"), "rezive") != 0 ||
        !gst_structure_get_int(properties, "rezive.slot", &slot))
        slot = -1;
    gst_structure_free(properties);
    return slot;
}

// The provider's devices, in slot order, each with a reference; other providers' left out.
std::vector<GstDevice*> ReziveDevices(GList* devices) {
    std::vector<GstDevice*> ours;
    for (GList* l = devices; l != nullptr; l = l->next) {
        GstDevice* device = GST_DEVICE(l->data);
        if (SlotOf(device) >= 0) ours.push_back(GST_DEVICE(gst_object_ref(device)));
    }
    g_list_free_full(devices, gst_object_unref);
    std::sort(ours.begin(), ours.end(), [](GstDevice* a, GstDevice* b) { return SlotOf(a) < SlotOf(b); });
    return ours;
}

void Unref(std::vector<GstDevice*>& devices) {
    for (GstDevice* d : devices) gst_object_unref(d);
    devices.clear();
}

// Plays element ! appsink until `frames` buffers arrived; the count that did.
int StreamFrames(GstElement* source, int frames) {
    GstElement* pipeline = gst_pipeline_new(nullptr);
    GstElement* sink = gst_element_factory_make("appsink", nullptr);
    gst_bin_add_many(GST_BIN(pipeline), source, sink, nullptr);
    int got = 0;
    if (gst_element_link(source, sink)) {
        gst_element_set_state(pipeline, GST_STATE_PLAYING);
        for (; got < frames; ++got) {
            GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), kDeadline);
            if (sample == nullptr) break;
            gst_sample_unref(sample);
        }
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return got;
}

GstDeviceMonitor* StartMonitor() {
    GstDeviceMonitor* monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
    if (!gst_device_monitor_start(monitor)) {
        gst_object_unref(monitor);
        return nullptr;
    }
    return monitor;
}

// A pipeline set to NULL and freed at the end of the scope, so that a failed assertion leaves
// no streaming thread behind for gst_deinit to wait on.
struct PlayingPipeline {
    explicit PlayingPipeline(GstElement* p) : pipeline(p) {}
    ~PlayingPipeline() {
        if (pipeline == nullptr) return;
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
    }
    PlayingPipeline(const PlayingPipeline&) = delete;
    PlayingPipeline& operator=(const PlayingPipeline&) = delete;
    GstElement* Get(const char* name) const { return gst_bin_get_by_name(GST_BIN(pipeline), name); }
    GstElement* pipeline;
};

struct Listing {
    const char* name;
    bool monitor;  // a running monitor's list, else the provider's one-off probe
};

TEST(DeviceProvider, ListsEachVirtualCameraWithNameCapsSlotAndAnElementThatStreams) {
    if (CameraAttached()) GTEST_SKIP() << "a camera is attached to this machine";
    TwoVirtualCameras two;
    for (const Listing listing : {Listing{"probe", false}, Listing{"monitor", true}}) {
        SCOPED_TRACE(listing.name);
        GstDeviceMonitor* monitor = nullptr;
        std::vector<GstDevice*> devices;
        if (listing.monitor) {
            monitor = StartMonitor();
            ASSERT_NE(monitor, nullptr);
            devices = ReziveDevices(gst_device_monitor_get_devices(monitor));
        } else {
            GstDeviceProvider* provider = gst_device_provider_factory_get_by_name("rezivedeviceprovider");
            ASSERT_NE(provider, nullptr);
            devices = ReziveDevices(gst_device_provider_get_devices(provider));
            gst_object_unref(provider);
        }
        ASSERT_EQ(devices.size(), 2u);
        for (int slot = 0; slot < 2; ++slot) {
            GstDevice* device = devices[slot];
            EXPECT_EQ(SlotOf(device), slot);
            gchar* name = gst_device_get_display_name(device);
            EXPECT_STREQ(name, ("417DIR virtual camera (slot " + std::to_string(slot) + ")").c_str());
            g_free(name);
            EXPECT_TRUE(gst_device_has_classes(device, "Video/Source"));
            GstCaps* caps = gst_device_get_caps(device);
            GstCaps* full = gst_caps_from_string("video/x-raw,format=GRAY16_LE,width=1280,height=720");
            EXPECT_TRUE(gst_caps_can_intersect(caps, full));
            gst_caps_unref(full);
            gst_caps_unref(caps);

            GstElement* element = gst_device_create_element(device, nullptr);
            ASSERT_NE(element, nullptr);
            int configured = -1;
            g_object_get(element, "device", &configured, nullptr);
            EXPECT_EQ(configured, slot);
            EXPECT_EQ(StreamFrames(element, 3), 3);
        }
        Unref(devices);
        if (monitor != nullptr) {
            gst_device_monitor_stop(monitor);
            gst_object_unref(monitor);
        }
    }
}

// A camera object made to look for cameras would set the sensor of slot 0 up again: the
// stream there would end and its gain fall back. Listing leaves it alone and keeps it listed,
// and a monitor's stop returns at once, however often it is started.
TEST(DeviceProvider, ListingLeavesAStreamingCameraAloneAndMonitorsStopPromptly) {
    if (CameraAttached()) GTEST_SKIP() << "a camera is attached to this machine";
    TwoVirtualCameras two;
    GError* error = nullptr;
    PlayingPipeline playing(gst_parse_launch(
        "rezivesrc name=src device=0 gain=7 ! video/x-raw,format=GRAY16_LE ! appsink name=sink",
        &error));
    ASSERT_EQ(error, nullptr) << error->message;
    GstElement* pipeline = playing.pipeline;
    GstElement* sink = playing.Get("sink");
    gst_object_unref(sink);  // the pipeline holds it
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), kDeadline);
    ASSERT_NE(sample, nullptr);
    gst_sample_unref(sample);

    GstDeviceProvider* provider = gst_device_provider_factory_get_by_name("rezivedeviceprovider");
    ASSERT_NE(provider, nullptr);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::vector<GstDevice*> probed = ReziveDevices(gst_device_provider_get_devices(provider));
        ASSERT_EQ(probed.size(), 2u);
        EXPECT_EQ(SlotOf(probed[0]), 0);
        Unref(probed);
        GstDeviceMonitor* monitor = StartMonitor();
        ASSERT_NE(monitor, nullptr);
        std::vector<GstDevice*> monitored = ReziveDevices(gst_device_monitor_get_devices(monitor));
        EXPECT_EQ(monitored.size(), 2u);
        Unref(monitored);
        const gint64 before = g_get_monotonic_time();
        gst_device_monitor_stop(monitor);
        EXPECT_LT(g_get_monotonic_time() - before, 10 * G_TIME_SPAN_SECOND);
        gst_object_unref(monitor);
    }
    gst_object_unref(provider);

    for (int k = 0; k < 5; ++k) {
        sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), kDeadline);
        ASSERT_NE(sample, nullptr) << "the stream ended after frame " << k;
        gst_sample_unref(sample);
    }
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* failure = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
    EXPECT_EQ(failure, nullptr);
    if (failure != nullptr) gst_message_unref(failure);
    gst_object_unref(bus);
    GstElement* src = playing.Get("src");
    int gain = 0;
    g_object_get(src, "gain", &gain, nullptr);
    gst_object_unref(src);
    EXPECT_EQ(gain, 7);
}

TEST(DeviceMonitorTool, ListsTheVirtualCamerasWithTheirLaunchLines) {
    if (CameraAttached()) GTEST_SKIP() << "a camera is attached to this machine";
    std::string out;
    const std::string command = std::string(REZIVE_GST_PRELOAD) +
                                "REZIVE_VIRTUAL_CAMERAS=2 gst-device-monitor-1.0 Video/Source 2>&1";
    FILE* p = popen(command.c_str(), "r");
    ASSERT_NE(p, nullptr);
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, p)) > 0) out.append(chunk, n);
    const int status = pclose(p);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127) GTEST_SKIP() << "gst-device-monitor-1.0 is not installed";
    for (const char* expected :
         {"name  : 417DIR virtual camera (slot 0)", "name  : 417DIR virtual camera (slot 1)",
          "class : Video/Source", "format=GRAY16_LE, width=[ 4, 1280 ], height=[ 1, 720 ]",
          "device.api = rezive", "rezive.slot = 1", "gst-launch-1.0 rezivesrc ! ...",
          "gst-launch-1.0 rezivesrc device=1 ! ..."}) {
        EXPECT_NE(out.find(expected), std::string::npos) << expected << "\n" << out;
    }
    EXPECT_EQ(out.find("slot 2"), std::string::npos) << out;
}

}  // namespace
}  // namespace rezive::test
