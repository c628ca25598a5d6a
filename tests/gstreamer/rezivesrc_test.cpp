// rezivesrc end to end: what gst-inspect shows, pipelines against the virtual camera (still
// scene), the pixels against the C API's own copy, encoding into a container, caps per
// format, settings, triggers, and SDK failures as bus errors.
#include <ReziveSdk.h>
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gstreamer/pipeline.h"
#include "support/decoders.h"
#include "support/test_env.h"

namespace rezive::test {
namespace {

TEST(RezivesrcInspect, ListsTheElementItsFormatsAndProperties) {
    const std::string out = RunCommand("gst-inspect-1.0 rezivesrc");
    ASSERT_NE(out.find("GstReziveSrc"), std::string::npos) << out;
    for (const char* expected :
         {"format: BGR\n", "format: BGRx", "format: GRAY8", "format: GRAY16_LE",
          "format: BGRA64_LE", "device", "frames-dropped",
          "trigger-mode", "gain", "exposure", "mirror-h", "mirror-v", "auto-iris", "brightness",
          "contrast", "hue", "saturation", "sharpness", "gamma", "wb-red", "wb-green",
          "wb-blue", "auto-wb", "bayer-mode", "num-buffers", "do-timestamp", "\"trigger\""}) {
        EXPECT_NE(out.find(expected), std::string::npos) << expected;
    }
    // The 64-bit mode has a GStreamer format; the 48-bit one has none, and nothing else is
    // offered.
    EXPECT_EQ(out.find("RGBA64_LE"), std::string::npos);
    EXPECT_EQ(out.find("RGB48"), std::string::npos);
}

TEST(RezivesrcPipeline, ThirtyBuffersIntoFakesinkWithRisingTimestamps) {
    Pipeline p("rezivesrc name=src num-buffers=30 ! fakesink name=sink");
    ASSERT_TRUE(p.ok()) << p.Describe();
    struct Seen {
        int count = 0;
        GstClockTime last = GST_CLOCK_TIME_NONE;
        bool rising = true;
    } seen;
    GstElement* sink = p.Get("sink");
    GstPad* pad = gst_element_get_static_pad(sink, "sink");
    gst_pad_add_probe(
        pad, GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad*, GstPadProbeInfo* info, gpointer user) {
            auto* s = static_cast<Seen*>(user);
            const GstClockTime pts = GST_BUFFER_PTS(GST_PAD_PROBE_INFO_BUFFER(info));
            if (!GST_CLOCK_TIME_IS_VALID(pts) ||
                (GST_CLOCK_TIME_IS_VALID(s->last) && pts <= s->last))
                s->rising = false;
            s->last = pts;
            ++s->count;
            return GST_PAD_PROBE_OK;
        },
        &seen, nullptr);
    gst_object_unref(pad);
    gst_object_unref(sink);
    p.Play();
    ASSERT_EQ(p.Finish(), GST_MESSAGE_EOS) << p.Describe();
    EXPECT_EQ(seen.count, 30);
    EXPECT_TRUE(seen.rising);
}

struct FormatCase {
    const char* format;
    int bits;
};

class RezivesrcFormat : public testing::TestWithParam<FormatCase> {};

// Each format negotiates, comes in the library's layout (rows padded to 4 bytes, top row
// first) and holds the frame the library itself hands out.
TEST_P(RezivesrcFormat, NegotiatesAndCarriesTheLibrarysFrame) {
    const FormatCase& c = GetParam();
    Pipeline p(std::string("rezivesrc name=src num-buffers=3 ! video/x-raw,format=") + c.format +
               " ! appsink name=sink sync=false");
    ASSERT_TRUE(p.ok()) << p.Describe();
    p.Play();
    GstCaps* caps = nullptr;
    std::vector<uint8_t> frame;
    for (int k = 0; k < 3; ++k) frame = PullFrame(p, k == 2 ? &caps : nullptr);
    ASSERT_NE(caps, nullptr) << p.Describe();
    GstVideoInfo* info = gst_video_info_new();
    ASSERT_TRUE(gst_video_info_from_caps(info, caps));
    gst_caps_unref(caps);
    const RzHandle handle = HandleOf(p);
    ASSERT_NE(handle, 0u);
    const int width = Rezive_Width(handle), height = Rezive_Height(handle);
    const int stride = (width * c.bits / 8 + 3) & ~3;
    EXPECT_STREQ(gst_video_format_to_string(GST_VIDEO_INFO_FORMAT(info)), c.format);
    EXPECT_EQ(GST_VIDEO_INFO_WIDTH(info), width);
    EXPECT_EQ(GST_VIDEO_INFO_HEIGHT(info), height);
    gst_video_info_free(info);
    ASSERT_EQ(frame.size(), static_cast<size_t>(stride) * height);

    std::vector<uint8_t> expected(frame.size());
    ASSERT_EQ(Rezive_GetImage(handle, expected.data(), static_cast<int32_t>(expected.size()), 1), 1);
    if (c.bits == 16 || c.bits == 64) {
        // GStreamer's 16-bit formats are full range: 12-bit samples come widened, losslessly;
        // BGRA64's alpha, a channel the camera leaves empty, is opaque.
        for (size_t k = 0; k + 1 < expected.size(); k += 2) {
            const unsigned v = expected[k] | (expected[k + 1] << 8);
            const bool alpha = c.bits == 64 && (k / 2) % 4 == 3;
            const unsigned w = alpha ? 0xFFFF : ((v << 4) | (v >> 8)) & 0xFFFF;
            expected[k] = static_cast<uint8_t>(w);
            expected[k + 1] = static_cast<uint8_t>(w >> 8);
        }
    }
    EXPECT_TRUE(frame == expected) << "the pushed frame differs from Rezive_GetImage's";

    // Green grows downwards in the scene: the first row is the top one.
    auto rowSum = [&](int row) {
        long sum = 0;
        for (int k = 0; k < stride; ++k) sum += frame[static_cast<size_t>(row) * stride + k];
        return sum;
    };
    if (c.bits != 16 && c.bits != 64) {
        EXPECT_LT(rowSum(2), rowSum(height - 3));
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, RezivesrcFormat,
                         testing::Values(FormatCase{"GRAY8", 8}, FormatCase{"GRAY16_LE", 16},
                                         FormatCase{"BGR", 24}, FormatCase{"BGRx", 32},
                                         FormatCase{"BGRA64_LE", 64}),
                         [](const auto& info) { return std::string(info.param.format); });

TEST(RezivesrcFormatRefused, FormatsWithoutACameraModeDoNotNegotiate) {
    for (const char* format : {"RGB", "BGRA", "RGBA64_LE", "I420"}) {
        Pipeline p(std::string("rezivesrc num-buffers=3 ! video/x-raw,format=") + format +
                   " ! fakesink");
        // Refused when linking (the template has no such format), or at the latest when the
        // camera's own caps are asked for.
        if (!p.ok()) continue;
        p.Play();
        EXPECT_EQ(p.Finish(), GST_MESSAGE_ERROR) << format;
    }
}

TEST(RezivesrcPipeline, VideoconvertPngencHoldsTheLibrarysPixels) {
    const std::string png = TempPath(".png");
    Pipeline p("rezivesrc name=src num-buffers=2 ! video/x-raw,format=BGR ! videoconvert ! "
               "video/x-raw,format=RGB ! pngenc snapshot=false ! multifilesink location=" + png);
    ASSERT_TRUE(p.ok()) << p.Describe();
    p.Play();
    ASSERT_EQ(p.Finish(), GST_MESSAGE_EOS) << p.Describe();
    const RzHandle handle = HandleOf(p);
    const int width = Rezive_Width(handle), height = Rezive_Height(handle);
    const int stride = (width * 3 + 3) & ~3;
    std::vector<uint8_t> bgr(static_cast<size_t>(stride) * height);
    ASSERT_EQ(Rezive_GetImage(handle, bgr.data(), static_cast<int32_t>(bgr.size()), 1), 1);
    const Decoded d = DecodePng(png);
    ASSERT_TRUE(d.ok);
    ASSERT_EQ(d.width, width);
    ASSERT_EQ(d.height, height);
    ASSERT_EQ(d.channels, 3);
    int differing = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int ch = 0; ch < 3; ++ch)
                differing += d.At(x, y, ch) != bgr[static_cast<size_t>(y) * stride + 3 * x + 2 - ch];
    EXPECT_EQ(differing, 0);
}

TEST(RezivesrcPipeline, JpegInMatroskaReadsBackWithFfprobe) {
    const std::string mkv = TempPath(".mkv");
    Pipeline p("rezivesrc num-buffers=10 ! videoconvert ! jpegenc ! matroskamux ! filesink "
               "location=" + mkv);
    ASSERT_TRUE(p.ok()) << p.Describe();
    p.Play();
    ASSERT_EQ(p.Finish(), GST_MESSAGE_EOS) << p.Describe();
    const std::string out = RunCommand(
        "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
        "stream=codec_name,width,height,nb_read_frames -of default=noprint_wrappers=1 " + mkv);
    EXPECT_NE(out.find("codec_name=mjpeg"), std::string::npos) << out;
    EXPECT_NE(out.find("width=1280"), std::string::npos) << out;
    EXPECT_NE(out.find("height=720"), std::string::npos) << out;
    EXPECT_NE(out.find("nb_read_frames=10"), std::string::npos) << out;
}

struct SettingCase {
    const char* property;
    int before;  // given before the camera opens
    int during;  // given while frames flow
    int32_t (*read)(RzHandle, int32_t*);
};

class RezivesrcSetting : public testing::TestWithParam<SettingCase> {};

TEST_P(RezivesrcSetting, ReachesTheCameraBeforeAndWhilePlaying) {
    const SettingCase& c = GetParam();
    Pipeline p(std::string("rezivesrc name=src ") + c.property + "=" + std::to_string(c.before) +
               " ! appsink name=sink sync=false max-buffers=1 drop=true");
    ASSERT_TRUE(p.ok()) << p.Describe();
    p.Play();
    ASSERT_FALSE(PullFrame(p).empty()) << p.Describe();
    const RzHandle handle = HandleOf(p);
    int32_t ok = 0;
    EXPECT_EQ(c.read(handle, &ok), c.before);
    GstElement* src = p.Get("src");
    g_object_set(src, c.property, c.during, nullptr);
    EXPECT_EQ(c.read(handle, &ok), c.during);
    int shown = 0;
    g_object_get(src, c.property, &shown, nullptr);
    EXPECT_EQ(shown, c.during);
    gst_object_unref(src);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, RezivesrcSetting,
    testing::Values(SettingCase{"gain", 3, 7, Rezive_GetGlobalGain},
                    SettingCase{"exposure", 300, 450, Rezive_GetExposureTime},
                    SettingCase{"brightness", -40, 25, Rezive_GetBrightness},
                    SettingCase{"gamma", 150, 80, Rezive_GetGamma},
                    SettingCase{"wb-blue", 120, 90, Rezive_GetBayerGainBlue},
                    SettingCase{"bayer-mode", 2, 1, Rezive_GetBayerMode}),
    [](const auto& info) {
        std::string n = info.param.property;
        for (auto& ch : n) ch = ch == '-' ? '_' : ch;
        return n;
    });

TEST(RezivesrcTrigger, OneFramePerTriggerSignal) {
    Pipeline p("rezivesrc name=src trigger-mode=true ! appsink name=sink sync=false");
    ASSERT_TRUE(p.ok()) << p.Describe();
    p.Play();
    GstElement* src = p.Get("src");
    GstElement* sink = p.Get("sink");
    // The trigger acquisition starts with the first buffer asked for, so early pulses may find
    // nobody listening: fire until three frames came, then take what is still on its way.
    int fired = 0, frames = 0;
    auto pull = [&](GstClockTime wait) {
        GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), wait);
        if (sample != nullptr) gst_sample_unref(sample);
        return sample != nullptr;
    };
    while (frames < 3 && fired < 200) {
        gboolean ok = FALSE;
        g_signal_emit_by_name(src, "trigger", &ok);
        ++fired;
        if (pull(GST_SECOND)) ++frames;
    }
    while (pull(5 * GST_SECOND)) ++frames;  // ends only when no frame came for 5 s
    EXPECT_GE(frames, 3);
    EXPECT_LE(frames, fired) << "a frame came without a trigger";
    gst_object_unref(sink);
    gst_object_unref(src);
}

TEST(RezivesrcErrors, NoCameraInTheSlotIsNotFound) {
    Pipeline p("rezivesrc device=7 ! fakesink");
    ASSERT_TRUE(p.ok()) << p.Describe();
    p.Play();
    ASSERT_EQ(p.Finish(), GST_MESSAGE_ERROR);
    EXPECT_EQ(p.errorDomain_, GST_RESOURCE_ERROR);
    EXPECT_EQ(p.errorCode_, GST_RESOURCE_ERROR_NOT_FOUND) << p.Describe();
    EXPECT_NE(p.errorText_.find("slot 7"), std::string::npos) << p.Describe();
}

TEST(RezivesrcErrors, CameraClaimedByAnotherCameraObjectIsBusy) {
    const RzWindow window = RzCreateMessageWindow();
    const RzHandle other = Rezive_Initialize(window);
    ASSERT_EQ(Rezive_CallBackPreview(other, 0, nullptr, 0, 1), 1);
    {
        Pipeline p("rezivesrc ! fakesink");
        ASSERT_TRUE(p.ok()) << p.Describe();
        p.Play();
        ASSERT_EQ(p.Finish(), GST_MESSAGE_ERROR);
        EXPECT_EQ(p.errorDomain_, GST_RESOURCE_ERROR);
        EXPECT_EQ(p.errorCode_, GST_RESOURCE_ERROR_BUSY) << p.Describe();
        EXPECT_NE(p.errorText_.find("error 2"), std::string::npos) << p.Describe();
    }
    Rezive_Release(other);
    RzDestroyWindow(window);
}

}  // namespace
}  // namespace rezive::test
