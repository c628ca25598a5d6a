// Frame accounting through the public interface: the stream statistics and the per-frame meta
// against the virtual camera's own counts and sequence stamps, with a slow consumer that forces
// skips, a stall and a burst of failing or short transfers.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <mutex>
#include <vector>

#include "support/api_camera_fixture.h"
#include "virtual_camera/frame_sequence.h"

namespace rezive::test {
namespace {

using StreamStatsTest = ApiCameraTest;

// Has fill write a record of type T whose size field says `size` bytes, with guard bytes beyond
// the whole record: what fill writes past `size` shows in the guard.
template <typename T, typename Fill>
void ExpectFilledUpToItsSize(uint32_t size, Fill fill) {
    struct {
        T head;
        uint8_t guard[8];
    } record;
    std::memset(&record, 0xAB, sizeof record);
    record.head.size = size;
    fill(&record.head);
    const auto* bytes = reinterpret_cast<const uint8_t*>(&record.head);
    for (size_t i = size; i < sizeof record; ++i) ASSERT_EQ(bytes[i], 0xAB) << i;
}


// What the frame handler saw: per frame our meta and, when it could be read consistently with
// it, the camera's stamp in the picture.
struct Seen {
    std::mutex mutex;
    struct Frame {
        RzFrameMeta meta;
        int64_t stamp;  // -1 when the picture may belong to another frame
    };
    std::vector<Frame> frames;
};

struct Context {
    RzHandle handle;
    Seen* seen;
};

void OnFrame(RzWindow, const RzMessage* m, void* user) {
    auto* c = static_cast<Context*>(user);
    if (m->message != RZ_WM_FRAME || m->wParam == 0) return;
    const auto* info = reinterpret_cast<const RzFrameInfo*>(m->wParam);
    RzFrameMeta before{}, after{};
    before.size = after.size = sizeof before;
    if (RzGetFrameMeta(info, &before) != 1) return;
    std::vector<uint8_t> picture(1280 * 720);
    int64_t stamp = -1;
    // The frame lock orders the image and its meta: the same meta on both sides of the copy
    // means the copy is that frame's picture.
    if (Rezive_GetImage(c->handle, picture.data(), static_cast<int32_t>(picture.size()), 1) == 1 &&
        RzGetFrameMeta(info, &after) == 1 && after.sequence == before.sequence)
        stamp = virtual_camera::RecoverSequence(picture.data(), 1280, 720, 1280, 1, false);
    std::lock_guard lock(c->seen->mutex);
    c->seen->frames.push_back({before, stamp});
}

TEST_F(StreamStatsTest, EveryTransferredFrameIsProcessedSkippedOrFailed) {
    struct Case {
        const char* name;
        int32_t waitMs;                        // the worker's pause between frames
        std::function<void(virtual_camera::VirtualCamera&)> midway;
        bool endsStream;                       // the fault ends the stream (message 13)
        bool expectSkips;
    } cases[] = {
        {"slow consumer", 60, nullptr, false, true},
        {"short stall", 1, [](virtual_camera::VirtualCamera& c) {
             c.SetStalled(true);
             std::this_thread::sleep_for(std::chrono::milliseconds(150));
             c.SetStalled(false);
         }, false, false},
        {"stall past the time-out", 1, [](virtual_camera::VirtualCamera& c) { c.SetStalled(true); },
         true, false},
        {"failure burst", 1, [](virtual_camera::VirtualCamera& c) { c.FailNextTransfers(3); }, true,
         false},
        {"short burst", 1, [](virtual_camera::VirtualCamera& c) { c.ShortNextTransfers(2); }, true,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        camera_->Reset();
        camera_->SetTimeScale(0.2);
        camera_->SetTimeoutLimitMs(400);
        camera_->SetSequenceStamp(true);
        Rezive_SetColorMode(handle_, 8);  // the raw mosaic keeps the stamp readable
        Rezive_SetWaitTime(handle_, c.waitMs);
        Rezive_SetPreviewWindow(handle_, 0, 0, 0, 0, 0);
        Seen seen;
        Context context{handle_, &seen};
        ASSERT_EQ(RzSetMessageHandler(callback_, OnFrame, &context), 1);
        std::vector<uint8_t> buffer(1280 * 720);
        ASSERT_EQ(Rezive_CallBackPreview(handle_, callback_, buffer.data(),
                                         static_cast<int32_t>(buffer.size()), 1), 1);
        ASSERT_TRUE(WaitFor([&] { return StreamStatsOf(handle_).processed >= 15; }));
        if (c.midway) c.midway(*camera_);
        if (c.endsStream) {
            ASSERT_TRUE(WaitFor([&] {
                const RzStreamStats s = StreamStatsOf(handle_);
                return s.failedTransfers >= 1 || s.shortTransfers >= 2;
            }));
        }
        const uint64_t goal = StreamStatsOf(handle_).processed + 15;
        if (!c.endsStream) {
            ASSERT_TRUE(WaitFor([&] { return StreamStatsOf(handle_).processed >= goal; }));
        }
        ASSERT_EQ(Rezive_StopPreview(handle_), 1);
        RzSetMessageHandler(callback_, nullptr, nullptr);
        Drain(callback_);

        const RzStreamStats s = StreamStatsOf(handle_);
        const virtual_camera::Statistics cam = camera_->Stats();
        // The camera's own count: every frame it served is transferred whole or came short.
        EXPECT_EQ(s.transferred + s.shortTransfers, cam.framesServed);
        EXPECT_EQ(s.failedTransfers, c.endsStream && cam.shortImages < 2 ? 1u : 0u);
        EXPECT_EQ(s.transferred, s.processed + s.skipped + s.failedDecodes);
        EXPECT_EQ(s.failedDecodes, 0u);
        EXPECT_EQ(s.delivered + s.refusedBuffer, s.processed);
        EXPECT_EQ(s.refusedBuffer, 0u);
        EXPECT_EQ(s.recorded + s.recorderDropped, 0u);
        if (c.expectSkips) {
            EXPECT_GT(s.skipped, 0u);
        }
        EXPECT_GT(s.lastCaptureUs, 0u);

        std::lock_guard lock(seen.mutex);
        ASSERT_FALSE(seen.frames.empty());
        uint64_t skippedSeen = 0;
        for (size_t i = 1; i < seen.frames.size(); ++i) {
            const auto& a = seen.frames[i - 1];
            const auto& b = seen.frames[i];
            if (b.meta.sequence == a.meta.sequence) continue;  // a handler read a later record
            EXPECT_GT(b.meta.sequence, a.meta.sequence);
            EXPECT_GE(b.meta.captureUs, a.meta.captureUs);
            skippedSeen += b.meta.skippedBefore;
            // The camera counts every frame its sensor made; what we skip it has sent.
            if (a.stamp >= 0 && b.stamp >= 0) {
                EXPECT_GE(b.stamp - a.stamp, int64_t(b.meta.sequence - a.meta.sequence));
            }
        }
        EXPECT_LE(skippedSeen, s.skipped);
        EXPECT_LE(seen.frames.back().meta.sequence, s.transferred);
    }
}

// A consumer that swaps callback buffers, as a streaming element does, at an uneven pace that
// makes the camera skip frames: each buffer it takes back must come with the meta of the frame
// that buffer holds, never that of the frame the camera is writing into the next one.
TEST_F(StreamStatsTest, SwappedBuffersKeepTheMetaOfTheFrameTheyHold) {
    camera_->SetTimeScale(0.2);
    camera_->SetSequenceStamp(true);
    Rezive_SetColorMode(handle_, 8);
    Rezive_SetWaitTime(handle_, 1);
    Rezive_SetPreviewWindow(handle_, 0, 0, 0, 0, 0);
    constexpr int32_t kBytes = 1280 * 720;
    // Buffers go round: one handed back before any frame reached it in its turn has no meta,
    // not the meta of what it held in its turn before.
    std::vector<std::vector<uint8_t>> buffers(2 * RZ_BUFFER_META_DEPTH,
                                              std::vector<uint8_t>(kBytes));
    size_t current = 0;
    ASSERT_EQ(Rezive_CallBackPreview(handle_, callback_, buffers[0].data(), kBytes, 1), 1);
    struct Taken {
        RzFrameMeta meta;
        int64_t stamp;
    };
    std::vector<Taken> taken;
    uint64_t skipped = 0;
    for (int i = 0; taken.size() < 40 && i < 400; ++i) {
        RzMessage m;
        ASSERT_TRUE(NextFrameMessage(&m));
        ASSERT_EQ(m.lParam, RZ_FRAME_OK);
        // Now and then a long pause: several frames go into the current buffer meanwhile,
        // however slowly a sanitized build processes them.
        std::this_thread::sleep_for(std::chrono::milliseconds(i % 10 == 5 ? 300 : (i * 7) % 20));
        const size_t full = current;
        current = (current + 1) % buffers.size();
        ASSERT_EQ(Rezive_CallBackPreview(handle_, callback_, buffers[current].data(), kBytes, 1), 1);
        RzFrameMeta meta{};
        meta.size = sizeof meta;
        // The message may be late news of an earlier buffer, and this one still empty.
        if (RzGetBufferMeta(handle_, buffers[full].data(), &meta) != 1) continue;
        ASSERT_TRUE(taken.empty() || meta.sequence > taken.back().meta.sequence)
            << "a buffer handed back came with the meta of a frame it held before";
        taken.push_back({meta, virtual_camera::RecoverSequence(buffers[full].data(), 1280, 720,
                                                               1280, 1, false)});
    }
    ASSERT_EQ(Rezive_StopPreview(handle_), 1);
    ASSERT_GE(taken.size(), 40u);
    for (size_t i = 1; i < taken.size(); ++i) {
        const Taken& a = taken[i - 1];
        const Taken& b = taken[i];
        ASSERT_GE(a.stamp, 0);
        // One frame per buffer, in order; the pictures are at least as far apart as the metas
        // say (the sensor also counts frames it made while none was asked for).
        EXPECT_GT(b.meta.sequence, a.meta.sequence) << i;
        EXPECT_GT(b.meta.captureUs, a.meta.captureUs) << i;
        EXPECT_GE(b.stamp - a.stamp, int64_t(b.meta.sequence - a.meta.sequence)) << i;
        EXPECT_GE(b.meta.skippedBefore, 0u);
        skipped += b.meta.sequence - a.meta.sequence - 1;
    }
    EXPECT_GT(skipped, 0u) << "the uneven consumer never made the camera skip a frame";
}

TEST_F(StreamStatsTest, SnapshotMetaCarriesTheExposureAndGainInForce) {
    struct Case {
        int32_t lines, gain;
    } cases[] = {{100, 0}, {700, 5}, {2000, 11}};
    std::vector<uint8_t> picture(1280 * 720 * 3);
    uint64_t lastSequence = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        ASSERT_EQ(Rezive_SetExposureTime(handle_, c.lines), 1);
        ASSERT_EQ(Rezive_SetGlobalGain(handle_, c.gain), 1);
        ASSERT_EQ(Rezive_SnapShot(handle_, picture.data(), static_cast<int32_t>(picture.size()), 1),
                  1);
        RzFrameMeta meta{};
        meta.size = sizeof meta;
        ASSERT_EQ(RzGetBufferMeta(handle_, picture.data(), &meta), 1);
        EXPECT_EQ(meta.exposureLines, c.lines);
        EXPECT_EQ(meta.gain, c.gain);
        EXPECT_GT(meta.sequence, lastSequence);
        lastSequence = meta.sequence;
        EXPECT_GT(meta.captureUs, 0u);
        // The same line time as the exposure in whole milliseconds the camera reports.
        int32_t ok = 0;
        const int32_t ms = Rezive_GetRealExposureTime(handle_, &ok);
        ASSERT_EQ(ok, 1);
        EXPECT_NEAR(meta.exposureUs / 1000.0, ms, 1.0);
    }
    // Buffers the camera holds no meta of, and bad records.
    RzFrameMeta meta{};
    meta.size = sizeof meta;
    uint8_t other[4];
    EXPECT_EQ(RzGetBufferMeta(handle_, other, &meta), 0);
    EXPECT_EQ(RzGetBufferMeta(handle_, nullptr, &meta), 0);
    EXPECT_EQ(Rezive_GetLastError(handle_), 0);
    EXPECT_EQ(RzGetBufferMeta(handle_, picture.data(), nullptr), 0);
    EXPECT_EQ(Rezive_GetLastError(handle_), RZ_ERR_ARGUMENT);
    EXPECT_EQ(RzGetBufferMeta(0x12345u, picture.data(), &meta), 0);
    // An older, shorter record gets what fits and nothing past it.
    ExpectFilledUpToItsSize<RzFrameMeta>(24, [&](RzFrameMeta* record) {
        EXPECT_EQ(RzGetBufferMeta(handle_, picture.data(), record), 1);
        EXPECT_EQ(record->sequence, lastSequence);
    });
}

TEST_F(StreamStatsTest, RecordsAreCheckedAndGrowSafely) {
    RzStreamStats s{};
    EXPECT_EQ(RzGetStreamStats(handle_, nullptr), 0);
    EXPECT_EQ(Rezive_GetLastError(handle_), RZ_ERR_ARGUMENT);
    s.size = 4;
    EXPECT_EQ(RzGetStreamStats(handle_, &s), 0);
    // An older, shorter record: nothing is written past its size.
    ExpectFilledUpToItsSize<RzStreamStats>(16, [&](RzStreamStats* record) {
        EXPECT_EQ(RzGetStreamStats(handle_, record), 1);
        EXPECT_EQ(record->size, 16u);
    });
    EXPECT_EQ(RzGetStreamStats(0x12345u, &s), 0);

    RzFrameMeta meta{};
    meta.size = sizeof meta;
    RzFrameInfo fake{};
    EXPECT_EQ(RzGetFrameMeta(&fake, &meta), 0);
    EXPECT_EQ(RzGetFrameMeta(nullptr, &meta), 0);
    EXPECT_EQ(RzSetRecordQueueDepth(handle_, -1), 0);
    EXPECT_EQ(RzSetRecordQueueDepth(handle_, RZ_RECORD_QUEUE_MAX + 1), 0);
    EXPECT_EQ(RzSetRecordQueueDepth(handle_, 4), 1);
}

}  // namespace
}  // namespace rezive::test
