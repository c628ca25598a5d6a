// The plugin's device provider against two virtual cameras: what a one-off probe and a running
// monitor list, elements made from the devices stream from their slots, listing leaves a camera
// that another element streams from alone, and gst-device-monitor-1.0 shows the cameras.
#include <ReziveSdk.h>
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

namespace rezive::test {
namespace {

constexpr GstClockTime kDeadline = 60 * GST_SECOND;  // generous: a loaded 2-core machine

// Two virtual cameras for the scope of a test (the process runs with one), where no real
// camera is attached to add to the list.
class DeviceProvider : public ::testing::Test {
protected:
    void SetUp() override {
        if (RzListAttachedCameras(nullptr, 0) > 0) GTEST_SKIP() << "a camera is attached";
        setenv("REZIVE_VIRTUAL_CAMERAS", "2", 1);
    }
    void TearDown() override { setenv("REZIVE_VIRTUAL_CAMERAS", "1", 1); }
};

using Pipeline = std::unique_ptr<GstElement, void (*)(GstElement*)>;
Pipeline Own(GstElement* pipeline) {
    return Pipeline(pipeline, [](GstElement* p) {
        gst_element_set_state(p, GST_STATE_NULL);
        gst_object_unref(p);
    });
}

bool Pull(GstElement* sink) {
    GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), kDeadline);
    if (sample != nullptr) gst_sample_unref(sample);
    return sample != nullptr;
}

// The rezive devices of a list by slot (a reference each), the list freed.
std::map<int, GstDevice*> BySlot(GList* devices) {
    std::map<int, GstDevice*> ours;
    for (GList* l = devices; l != nullptr; l = l->next) {
        GstStructure* p = gst_device_get_properties(GST_DEVICE(l->data));
        int slot = -1;
        if (p != nullptr && g_strcmp0(gst_structure_get_string(p, "device.api"), "rezive") == 0 &&
            gst_structure_get_int(p, "rezive.slot", &slot))
            ours[slot] = GST_DEVICE(gst_object_ref(l->data));
        if (p != nullptr) gst_structure_free(p);
    }
    g_list_free_full(devices, gst_object_unref);
    return ours;
}

// The devices of a running monitor (kept running until stopped), or of the provider's probe.
std::map<int, GstDevice*> List(bool monitored, GstDeviceMonitor** monitor) {
    if (monitored) {
        *monitor = gst_device_monitor_new();
        gst_device_monitor_add_filter(*monitor, "Video/Source", nullptr);
        EXPECT_TRUE(gst_device_monitor_start(*monitor));
        return BySlot(gst_device_monitor_get_devices(*monitor));
    }
    GstDeviceProvider* provider = gst_device_provider_factory_get_by_name("rezivedeviceprovider");
    EXPECT_NE(provider, nullptr);
    auto devices = provider ? BySlot(gst_device_provider_get_devices(provider)) : std::map<int, GstDevice*>{};
    if (provider != nullptr) gst_object_unref(provider);
    return devices;
}

void Release(std::map<int, GstDevice*>& devices, GstDeviceMonitor* monitor) {
    for (auto& [slot, device] : devices) gst_object_unref(device);
    devices.clear();
    if (monitor == nullptr) return;
    const gint64 before = g_get_monotonic_time();
    gst_device_monitor_stop(monitor);
    EXPECT_LT(g_get_monotonic_time() - before, 10 * G_TIME_SPAN_SECOND) << "the stop waited";
    gst_object_unref(monitor);
}

TEST_F(DeviceProvider, ListsEachVirtualCameraWithNameCapsSlotAndAnElementThatStreams) {
    for (const bool monitored : {false, true}) {
        SCOPED_TRACE(monitored ? "monitor" : "probe");
        GstDeviceMonitor* monitor = nullptr;
        auto devices = List(monitored, &monitor);
        ASSERT_EQ(devices.size(), 2u);
        for (const auto& [slot, device] : devices) {
            ASSERT_LT(slot, 2);
            gchar* name = gst_device_get_display_name(device);
            EXPECT_STREQ(name, ("417DIR virtual camera (slot " + std::to_string(slot) + ")").c_str());
            g_free(name);
            EXPECT_TRUE(gst_device_has_classes(device, "Video/Source"));
            GstCaps* caps = gst_device_get_caps(device);
            GstCaps* full = gst_caps_from_string("video/x-raw,format=GRAY16_LE,width=1280,height=720");
            EXPECT_TRUE(gst_caps_can_intersect(caps, full));
            gst_caps_unref(full);
            gst_caps_unref(caps);

            GstElement* src = gst_device_create_element(device, nullptr);
            ASSERT_NE(src, nullptr);
            int configured = -1;
            g_object_get(src, "device", &configured, nullptr);
            EXPECT_EQ(configured, slot);
            Pipeline pipeline = Own(gst_pipeline_new(nullptr));
            GstElement* sink = gst_element_factory_make("appsink", nullptr);
            gst_bin_add_many(GST_BIN(pipeline.get()), src, sink, nullptr);
            ASSERT_TRUE(gst_element_link(src, sink));
            gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
            for (int k = 0; k < 3; ++k) EXPECT_TRUE(Pull(sink)) << "buffer " << k;
        }
        Release(devices, monitor);
    }
}

// A camera object made to look for cameras would set the sensor of slot 0 up again: the
// stream there would end and its gain fall back. Listing leaves it alone and keeps it listed,
// and a monitor's stop returns at once, however often it is started.
TEST_F(DeviceProvider, ListingLeavesAStreamingCameraAloneAndMonitorsStopPromptly) {
    Pipeline pipeline = Own(gst_parse_launch(
        "rezivesrc name=src device=0 gain=7 ! video/x-raw,format=GRAY16_LE ! appsink name=sink",
        nullptr));
    ASSERT_NE(pipeline, nullptr);
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline.get()), "sink");
    gst_object_unref(sink);  // the pipeline holds it
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    ASSERT_TRUE(Pull(sink));
    for (int round = 0; round < 6; ++round) {
        GstDeviceMonitor* monitor = nullptr;
        auto devices = List(round % 2 == 1, &monitor);
        EXPECT_EQ(devices.size(), 2u) << "round " << round;
        EXPECT_EQ(devices.count(0), 1u) << "round " << round;
        Release(devices, monitor);
    }
    for (int k = 0; k < 5; ++k) ASSERT_TRUE(Pull(sink)) << "the stream ended after frame " << k;
    GstBus* bus = gst_element_get_bus(pipeline.get());
    GstMessage* failure = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
    EXPECT_EQ(failure, nullptr);
    if (failure != nullptr) gst_message_unref(failure);
    gst_object_unref(bus);
    GstElement* src = gst_bin_get_by_name(GST_BIN(pipeline.get()), "src");
    int gain = 0;
    g_object_get(src, "gain", &gain, nullptr);
    gst_object_unref(src);
    EXPECT_EQ(gain, 7);
}

TEST_F(DeviceProvider, GstDeviceMonitorToolListsTheVirtualCamerasWithTheirLaunchLines) {
    std::string out;
    FILE* p = popen((std::string(REZIVE_GST_PRELOAD) + "gst-device-monitor-1.0 Video/Source 2>&1").c_str(), "r");
    ASSERT_NE(p, nullptr);
    char chunk[4096];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, p)) > 0;) out.append(chunk, n);
    if (pclose(p) == 127 << 8) GTEST_SKIP() << "gst-device-monitor-1.0 is not installed";
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
