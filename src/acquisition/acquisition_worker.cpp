// The worker side of CAcquisition: the loops of the preview and trigger threads, the decode and
// processing of one frame, and what follows it (the frame record, the copy into the caller's
// buffer, the frame message, the preview drawing). The snapshot path shares the frame steps.
#include "acquisition/acquisition.h"

#include <algorithm>
#include <cstring>

#include "acquisition/interface_values.h"
#include "device/rezive417dir_sdk.h"
#include "imaging/conversions.h"
#include "platform/clock.h"

namespace rezive {

bool CAcquisition::CopyOut(const CDibImage& source, int32_t topDown, void* destination,
                           int32_t size) {
    const int64_t required = static_cast<int64_t>(source.Stride()) * source.Height();
    if (size < required || destination == nullptr) {
        host_.RecordError(kErrBuffer);
        PostToCallback(callback_.window, 0, kErrBuffer);
        return false;
    }
    auto* out = static_cast<uint8_t*>(destination);
    const size_t stride = static_cast<size_t>(source.Stride());
    if (topDown != 0) {
        std::memcpy(out, source.Bits(), source.SizeBytes());
    } else {
        for (int32_t r = 0; r < source.Height(); ++r)
            std::memcpy(out + r * stride, source.Row(source.Height() - 1 - r), stride);
    }
    return true;
}

void CAcquisition::PostToCallback(platform::WindowId window, uintptr_t wParam, intptr_t lParam) {
    if (window != 0) platform::PostMessage(window, kFrameMessage, wParam, lParam);
}

AcquisitionCounts CAcquisition::Counts() const {
    AcquisitionCounts c;
    c.frames = counters_.Snapshot();
    if (model_ != nullptr) {
        const TransferCounts t = model_->Counts();
        c.transferred = t.transferred;
        c.failedTransfers = t.failed;
        c.shortTransfers = t.shortFrames;
    }
    c.transferred += c.frames.singleTransferred;
    c.failedTransfers += c.frames.singleFailed;
    return c;
}

uint32_t CAcquisition::CountTaken(const FrameStamp& stamp) {
    uint64_t skipped = 0;
    if (stamp.sequence > lastTaken_) {
        skipped = stamp.sequence - lastTaken_ - 1;
        lastTaken_ = stamp.sequence;
    }
    counters_.skipped += skipped;
    counters_.lastSequence = stamp.sequence;
    counters_.lastCaptureUs = stamp.captureUs;
    return static_cast<uint32_t>(std::min<uint64_t>(skipped, UINT32_MAX));
}

void CAcquisition::CountLeftInRing() {
    if (model_ == nullptr) return;
    const uint64_t transferred = model_->Counts().transferred;
    if (transferred > lastTaken_) {
        counters_.skipped += transferred - lastTaken_;
        lastTaken_ = transferred;
    }
}

bool CAcquisition::DeliverLocked(const CallbackTarget& target) {
    if (target.buffer != nullptr && target.size != 0) {
        if (!CopyOut(*images_[preparedColorMode_], target.topDown, target.buffer, target.size)) {
            ++counters_.refusedBuffer;
            return false;
        }
        RememberBufferLocked(target.buffer, frameMeta_);
    }
    if (target.window != 0 || (target.buffer != nullptr && target.size != 0))
        ++counters_.delivered;
    return true;
}

bool CAcquisition::DecodeAndProcess(bool fromRing, FrameStamp* stamp) {
    const int32_t colorMode = preparedColorMode_;
    CDibImage& raw = *images_[SixteenBitColorMode(colorMode) ? kRaw16 : kRaw8];
    // The raw copy writes the model's window into this buffer; it must be exactly that size.
    if (raw.Empty() || raw.Width() != model_->OutputWidth() ||
        raw.Height() != model_->OutputHeight() ||
        (raw.BitsPerPixel() == 16) != (model_->SixteenBit() != 0))
        return false;
    const int32_t result = fromRing ? model_->DecodeNewest(raw.Bits(), stamp)
                                    : model_->DecodeSingleFrame(raw.Bits());
    if (result != 0) return false;
    if (raw.BitsPerPixel() * raw.Width() / 8 != raw.Stride()) {
        raw.Transfer(raw.BitsPerPixel() == 16 ? SpreadRowsMono16 : SpreadRowsMono8, &raw, nullptr,
                     0, 0, nullptr);
    }
    CDibImage* buffers[kImageSlots];
    for (size_t i = 0; i < images_.size(); ++i) buffers[i] = images_[i].get();
    pipeline_.Process(colorMode, buffers, settings_, *model_, defects_);
    imageAvailable_ = 1;
    return true;
}

void CAcquisition::FillFrameInfo(int32_t frameRate10, const FrameStamp& stamp,
                                 uint32_t skippedBefore) {
    const CDibImage& raw = *images_[SixteenBitColorMode(preparedColorMode_) ? kRaw16 : kRaw8];
    frameInfo_->size = static_cast<int32_t>(sizeof(FrameInfoRecord));
    frameInfo_->width = raw.Width();
    frameInfo_->height = raw.Height();
    frameInfo_->bitsPerPixel = ColorModeBits(preparedColorMode_);
    frameInfo_->frameRate10 = frameRate10;
    frameInfo_->buffer = callback_.buffer;
    frameMeta_ = MetaOf(stamp, skippedBefore);
    SetFrameMeta(frameInfo_, frameMeta_);
}

FrameMeta CAcquisition::MetaOf(const FrameStamp& stamp, uint32_t skippedBefore) const {
    FrameMeta meta;
    meta.sequence = stamp.sequence;
    meta.captureUs = stamp.captureUs;
    meta.skippedBefore = skippedBefore;
    meta.exposureLines = settings_.analog.exposure;
    meta.gain = settings_.analog.globalGain;
    const double us = meta.exposureLines * lineSeconds_.load() * 1e6;
    meta.exposureUs = us > 0 && us < 4294967295.0 ? static_cast<uint32_t>(us + 0.5) : 0;
    return meta;
}

void CAcquisition::RememberBufferLocked(const void* buffer, const FrameMeta& meta) {
    bufferMeta_[bufferMetaNext_ % kBufferMetaDepth] = BufferMetaEntry{buffer, meta};
    ++bufferMetaNext_;
}

bool CAcquisition::BufferMeta(const void* buffer, FrameMeta* meta) {
    if (buffer == nullptr) return false;
    platform::MutexLock frame(frameLock_);
    // Newest first: a buffer address used again holds the frame copied into it last.
    for (size_t k = 1; k <= kBufferMetaDepth && k <= bufferMetaNext_; ++k) {
        const BufferMetaEntry& entry = bufferMeta_[(bufferMetaNext_ - k) % kBufferMetaDepth];
        if (entry.buffer == buffer) {
            *meta = entry.meta;
            return true;
        }
    }
    return false;
}

void CAcquisition::DrawLocked() {
    CDibImage* buffers[6];
    for (int i = 0; i < 6; ++i) buffers[i] = images_[i].get();
    preview_.Draw(buffers, *images_[kSlotDisplay], preparedColorMode_);
}

void CAcquisition::WorkerMain() {
    // A stop joins this thread; that join is the design's wait on the worker's done event.
    if (acquisitionMode_ == AcquisitionMode::kTrigger) TriggerLoop(); else PreviewLoop();
}

void CAcquisition::PreviewLoop() {
    while (run_ != 0) {
        // A stop ends the wait at once, however long the wait time is.
        stopRequested_.Wait(settings_.format.waitTime);
        if (run_ != 1) continue;
        const int32_t wait = model_->WaitFrame();
        if (wait == 1) {
            run_ = 0;
            platform::WindowId window;
            {
                platform::MutexLock frame(frameLock_);
                window = callback_.window;
            }
            // Recorded before the message goes out: a caller that answers the message by
            // asking for the last error must find this one.
            host_.RecordError(kErrNoFrame);
            PostToCallback(window, 0, kErrNoFrame);
            break;
        }
        if (wait != 3) continue;
        platform::ReleasableMutexLock frame(frameLock_);
        const CallbackTarget target = callback_;
        FrameStamp stamp;
        const bool decoded = DecodeAndProcess(true, &stamp);
        const uint32_t skippedBefore = CountTaken(stamp);
        if (!decoded) {
            ++counters_.failedDecodes;
            frame.Release();
            host_.RecordError(kErrTransfer);
            PostToCallback(target.window, 0, kErrTransfer);
            continue;
        }
        ++counters_.processed;
        FillFrameInfo(frameRate_.Count(platform::TickMs()), stamp, skippedBefore);
        if (frameListener_) frameListener_(*images_[preparedColorMode_]);
        DrawLocked();
        if (!DeliverLocked(target)) continue;
        frame.Release();
        PostToCallback(target.window, reinterpret_cast<uintptr_t>(frameInfo_), 0);
    }
}

void CAcquisition::TriggerLoop() {
    while (run_ != 0) {
        if (run_ != 1) {
            platform::SleepMs(10);
            continue;
        }
        const int32_t transfer = model_->TransferSingleFrame();
        if (run_ == 0) break;
        if (transfer != 0) {
            ++counters_.singleFailed;
            continue;
        }
        const FrameStamp stamp{++counters_.singleTransferred, platform::MonotonicMicros()};
        platform::MutexLock frame(frameLock_);
        const CallbackTarget target = callback_;
        const bool decoded = DecodeAndProcess(false, nullptr);
        const uint32_t skippedBefore = CountTaken(stamp);
        if (!decoded) {
            ++counters_.failedDecodes;
            continue;
        }
        ++counters_.processed;
        FillFrameInfo(0, stamp, skippedBefore);
        if (!DeliverLocked(target)) continue;
        PostToCallback(target.window, reinterpret_cast<uintptr_t>(frameInfo_), 0);
        DrawLocked();
    }
}

}  // namespace rezive
