// The element's frame counter on made-up streams: a camera exactly periodic, read with the
// one-sided delays of a busy host, with frames passed over by the library, frames the host was
// too late to fetch, and a restart. Offsets must show exactly the lost frames, and times must
// step by the period however the reads were delayed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

extern "C" {
#include "frame_timing.h"
}

namespace rezive::test {
namespace {

constexpr GstClockTime kPeriod = 23 * GST_MSECOND;

struct Event {
    int skipBefore;     // frames the library passed over just before (its numbers jump)
    int unfetchedBefore;  // frames the camera made that the host never asked for
    bool restart;       // a new acquisition run starts with this frame
};

TEST(FrameCounter, OffsetsShowLostFramesAndTimesStepByThePeriod) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, Event>> events;  // at frame index
        guint64 expectLost;
    } cases[] = {
        {"steady", {}, 0},
        {"library skips", {{80, {3, 0, false}}, {150, {1, 0, false}}}, 4},
        {"host too late", {{90, {0, 1, false}}, {170, {0, 2, false}}}, 3},
        {"restart", {{120, {0, 0, true}}}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReziveFrameCounter counter;
        rezive_frame_counter_reset(&counter);
        rezive_frame_counter_new_run(&counter, TRUE);
        uint32_t noise = 12345;
        guint64 sequence = 0, sensorFrame = 0, lostSeen = 0;
        GstClockTime lastTime = 0;
        guint64 lastOffset = 0;
        int runStart = 0;  // a new run's line is drawn afresh from its own frames
        for (int i = 0; i < 250; ++i) {
            Event e{0, 0, false};
            for (const auto& [at, event] : c.events)
                if (at == i) e = event;
            if (e.restart) {
                rezive_frame_counter_new_run(&counter, TRUE);
                sequence = 0;
                runStart = i;
            }
            sequence += 1 + e.skipBefore;
            sensorFrame += 1 + e.skipBefore + e.unfetchedBefore;
            // Reads come late by 0..3 ms, and one in eight by up to 12 ms.
            noise = noise * 1103515245u + 12345u;
            const GstClockTime delay = ((noise >> 8) % 8 == 0 ? (noise >> 12) % 12000 : (noise >> 12) % 3000) * GST_USECOND;
            ReziveFrameStamp stamp{sequence, GST_SECOND + sensorFrame * kPeriod + delay, 0, 0};
            guint64 lost = 0;
            const guint64 offset = rezive_frame_counter_take(&counter, &stamp, &lost);
            lostSeen += lost;
            if (i > 0) {
                ASSERT_EQ(offset, lastOffset + 1 + lost) << i;
                if (!e.restart) {
                    EXPECT_EQ(lost, guint64(e.skipBefore + e.unfetchedBefore)) << i;
                }
                const double step = double(stamp.captured - lastTime) / double(1 + lost);
                if (i - runStart > 40) {
                    EXPECT_NEAR(step, double(kPeriod), double(GST_MSECOND)) << i;
                    EXPECT_NEAR(double(counter.period), double(kPeriod), 0.2 * GST_MSECOND) << i;
                }
            }
            lastOffset = offset;
            lastTime = stamp.captured;
        }
        EXPECT_EQ(lostSeen, c.expectLost);
        EXPECT_EQ(counter.dropped, c.expectLost);
    }
}

// Triggered frames come when the trigger fires: long, uneven gaps are no lost frames, and each
// frame keeps its own capture time.
TEST(FrameCounter, TriggeredFramesKeepTheirTimesAndLoseNothingToGaps) {
    ReziveFrameCounter counter;
    rezive_frame_counter_reset(&counter);
    rezive_frame_counter_new_run(&counter, FALSE);
    GstClockTime at = GST_SECOND;
    for (guint64 k = 1; k <= 50; ++k) {
        at += (k % 7 + 1) * 37 * GST_MSECOND;
        ReziveFrameStamp stamp{k, at, 0, 0};
        guint64 lost = 1;
        EXPECT_EQ(rezive_frame_counter_take(&counter, &stamp, &lost), k - 1);
        EXPECT_EQ(lost, 0u);
        EXPECT_EQ(stamp.captured, at);
    }
    EXPECT_EQ(counter.dropped, 0u);
}

}  // namespace
}  // namespace rezive::test
