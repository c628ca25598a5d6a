// The transfer engine of CZYNSdkLib: frame geometry and buffers, the streaming thread that keeps
// the ring of raw frames filled, the consumer side that takes the newest frame, and the
// single-frame transfer of snapshots.
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>
#include <new>

#include "device/protocol.h"
#include "device/zyn_sdk_lib.h"
#include "platform/clock.h"

namespace rezive {

using namespace device;

namespace {

// Geometry beyond this many bytes per transfer is refused as unallocatable rather than wrapped.
constexpr int64_t kMaxTransferBytes = 256ll << 20;

std::unique_ptr<uint8_t[]> ZeroedBuffer(int64_t bytes) {
    if (bytes <= 0) return nullptr;
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[static_cast<size_t>(bytes)]());
}

// The streaming thread asks for a higher scheduling priority; without the privilege the run
// simply keeps the normal one.
void RaiseThreadPriority() {
    const pid_t tid = static_cast<pid_t>(::syscall(SYS_gettid));
    errno = 0;
    const int current = ::getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
    if (errno == 0) ::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), current - 2);
}

}  // namespace

int32_t CZYNSdkLib::SetGeometry(int32_t rawWidth, int32_t rawX, int32_t width, int32_t rawHeight,
                                int32_t rawY, int32_t height, int32_t ringCount) {
    // Negative offsets or a window past the raw line would make the raw copy read outside the
    // frame, so they are refused with the width and height codes as well.
    if (rawWidth < 1 || width < 1 || rawWidth < width || rawX < 0 || rawX + int64_t{width} > rawWidth)
        return kDevWidth;
    if (rawHeight < 1 || height < 1 || rawY < 0 || int64_t{rawHeight} < int64_t{rawY} + height)
        return kDevHeight;
    if (ringCount < 2) return kDevRingCount;
    const int64_t exact = int64_t{rawWidth} * (int64_t{height} + rawY);
    const int64_t rounded = (exact + 1023) / 1024 * 1024;
    if (rounded > kMaxTransferBytes) return kDevNoMemory;
    // The streaming thread and a single-frame transfer write into the buffers replaced below.
    if (TransferActive()) return kDevStreaming;

    ReleaseBuffers();
    ringCount_ = ringCount;
    rawX_ = rawX;
    rawWidth_ = rawWidth;
    rawY_ = rawY;
    outputWidth_ = width;
    rawHeight_ = rawHeight;
    outputHeight_ = height;
    transferSize_ = static_cast<int32_t>(rounded);

    singleBuffer_ = ZeroedBuffer(2 * rounded);
    if (!singleBuffer_) return kDevNoMemory;
    ringBufferSize_ = static_cast<int32_t>(2 * rounded);
    for (int32_t i = 0; i < ringCount; ++i) {
        ring_.push_back(ZeroedBuffer(ringBufferSize_));
        // A missing ring block would be written by the streaming thread; refuse the geometry.
        if (!ring_.back()) {
            ReleaseBuffers();
            return kDevNoMemory;
        }
        ringTable_.push_back(ring_.back().get());
    }
    SendTransferSize();
    return kDevOk;
}

void CZYNSdkLib::ReleaseBuffers() {
    singleBuffer_.reset();
    ringTable_.clear();
    ring_.clear();
}

const uint8_t* CZYNSdkLib::RingBuffer(int32_t i) const {
    return i >= 0 && i < static_cast<int32_t>(ringTable_.size()) ? ringTable_[i] : nullptr;
}

void CZYNSdkLib::UpdateLargeTransferFlag() {
    const int64_t length = int64_t{transferSize_} * (sixteenBit_ ? 2 : 1);
    block_.largeTransfer = length >= kLargeTransferBytes ? 1 : 0;
}

void CZYNSdkLib::JoinStreamThread() {
    if (streamThread_.joinable()) streamThread_.join();
}

int32_t CZYNSdkLib::StartStreaming() {
    if (block_.stopFlag.load() == 0) return kDevStreaming;
    if (ring_.empty() || static_cast<int32_t>(ring_.size()) != ringCount_) return kDevNoMemory;
    // A run that ended on its own (device missing) is joined here at the latest.
    JoinStreamThread();
    if (!frameEvent_) frameEvent_ = std::make_unique<platform::Event>(false);
    if (!endEvent_) endEvent_ = std::make_unique<platform::Event>(true);

    block_.transferLength = transferSize_ * (sixteenBit_ ? 2 : 1);
    PrepareStream();
    frameEvent_->Reset();
    endEvent_->Reset();
    block_.ringCount = ringCount_;
    block_.ringTable = ringTable_.data();
    block_.devicePath = DevicePath();
    block_.errorFlag = 0;
    block_.status = 0;
    block_.frames = 0;
    {
        platform::MutexLock lock(block_.indexLock);
        block_.writeIndex = 0;
        block_.readIndex = 0;
        block_.stamps.assign(static_cast<size_t>(ringCount_), FrameStamp{});
        block_.counts = TransferCounts{};
    }
    block_.stopFlag = 0;
    try {
        streamThread_ = std::thread(StreamThread, &block_, frameEvent_.get(), endEvent_.get());
    } catch (...) {
        block_.stopFlag = 1;
        return kDevTransferFailed;
    }
    return kDevOk;
}

void CZYNSdkLib::StreamThread(TransferBlock* block, platform::Event* frameEvent,
                              platform::Event* endEvent) {
    RaiseThreadPriority();
    DeviceHandle handle;
    int32_t status = 0;
    if (OpenDevice(block->devicePath.c_str(), handle) == 0) {
        status = kDevNotOpened;
    } else {
        bool firstShort = true;
        const uint32_t length = static_cast<uint32_t>(block->transferLength);
        while (block->stopFlag.load() != 1 && status != kDevTransferFailed) {
            uint8_t* buffer;
            {
                platform::MutexLock lock(block->indexLock);
                buffer = block->ringTable[block->writeIndex];
            }
            uint8_t startPacket[kPacketSize] = {kCmdStartFrame};
            uint32_t done = 0;
            PipeTransfer(handle.get(), kPipeCommand, kPacketSize, startPacket, &done, 0);
            done = 0;
            const int32_t result =
                block->largeTransfer.load()
                    ? LargePipeTransfer(handle.get(), kPipeImage, length, buffer, &done)
                    : PipeTransfer(handle.get(), kPipeImage, length, buffer, &done, 1);
            // A failed or short request ends the run without handing its buffer on: the
            // consumer never sees a frame that did not arrive whole.
            if (result != 0 || done != length) {
                {
                    platform::MutexLock lock(block->indexLock);
                    ++(result != 0 ? block->counts.failed : block->counts.shortFrames);
                }
                // The first short frame of a run is the sensor settling after the start.
                if (result == 0 && firstShort) {
                    firstShort = false;
                    continue;
                }
                status = kDevTransferFailed;
                break;
            }
            {
                platform::MutexLock lock(block->indexLock);
                const uint64_t sequence = ++block->counts.transferred;
                if (static_cast<size_t>(block->writeIndex) < block->stamps.size())
                    block->stamps[static_cast<size_t>(block->writeIndex)] =
                        FrameStamp{sequence, platform::MonotonicMicros()};
                int32_t w = block->writeIndex + 1;
                if (w >= block->ringCount) w = 0;
                if (w == block->readIndex) {
                    ++w;
                    if (w >= block->ringCount) w = 0;
                }
                block->writeIndex = w;
            }
            block->frames.fetch_add(1);
            frameEvent->Set();
        }
        CloseDevice(handle);
    }
    block->status = status;
    block->errorFlag = status == kDevTransferFailed ? 1 : 0;
    block->stopFlag = 1;
    // Wake a consumer already waiting: one that saw the last frame event before the flags
    // were set would otherwise wait out its full 6 s before it learnt that the run had ended
    // (and, for a run that never opened the device, report a failure where a later call
    // reports a stopped stream).
    frameEvent->Set();
    endEvent->Set();
}

int32_t CZYNSdkLib::StopStreaming() {
    if (block_.stopFlag.load() == 1 && block_.errorFlag.load() == 0) {
        JoinStreamThread();
        return kDevOk;
    }
    if (block_.stopFlag.exchange(1) == 0 && endEvent_) endEvent_->Wait(-1);
    // The thread has set the end event as its last act; joining makes sure it is gone.
    JoinStreamThread();
    const int32_t status = block_.status.load();
    // Wake a consumer still waiting for a frame of this run.
    if (frameEvent_) frameEvent_->Set();
    block_.stopFlag = 1;
    block_.errorFlag = 0;
    return status;
}

int32_t CZYNSdkLib::WaitFrame() {
    if (block_.errorFlag.load() == 1) return 1;
    if (block_.stopFlag.load() == 1) return 0;
    {
        platform::MutexLock lock(block_.indexLock);
        const int32_t count = block_.ringCount;
        int32_t w = block_.writeIndex;
        const int32_t r = block_.readIndex;
        if (w < r) w += count;
        if (w - r >= 1 && count > 0) {
            int32_t newest = w - 1;
            if (newest < 0) newest += count;
            if (newest >= count) newest -= count;
            block_.readIndex = newest;
            return 3;
        }
    }
    if (!frameEvent_ || !frameEvent_->Wait(6000)) return 1;
    return 2;
}

TransferCounts CZYNSdkLib::Counts() const {
    platform::MutexLock lock(block_.indexLock);
    return block_.counts;
}

int32_t CZYNSdkLib::DecodeNewest(uint8_t* out, FrameStamp* stamp) {
    if (out == nullptr) return kDevNoOutput;
    int32_t r;
    {
        platform::MutexLock lock(block_.indexLock);
        r = block_.readIndex;
        if (stamp != nullptr && static_cast<size_t>(r) < block_.stamps.size())
            *stamp = block_.stamps[static_cast<size_t>(r)];
    }
    if (r < 0 || r >= static_cast<int32_t>(ringTable_.size())) return kDevNoOutput;
    const int32_t result = CopyRawFrame(out, ringTable_[r]);
    platform::MutexLock lock(block_.indexLock);
    block_.readIndex = r + 1 >= ringCount_ ? 0 : r + 1;
    return result;
}

int32_t CZYNSdkLib::TransferSingleFrame() {
    // Marks the transfer in flight, so the geometry (and the buffer written below) stays put.
    struct InFlight {
        std::atomic<int32_t>& count;
        explicit InFlight(std::atomic<int32_t>& c) : count(c) { count.fetch_add(1); }
        ~InFlight() { count.fetch_sub(1); }
    } inFlight(singleInFlight_);
    const uint32_t length = static_cast<uint32_t>(transferSize_) * (sixteenBit_ ? 2u : 1u);
    if (!singleHandle_ && OpenDevice(DevicePath().c_str(), singleHandle_) == 0) {
        CloseDevice(singleHandle_);
        singleStatus_ = kDevTransferFailed;
        return kDevNotOpened;
    }
    PrepareStream();
    uint8_t startPacket[kPacketSize] = {kCmdStartFrame};
    uint32_t done = 0;
    PipeTransfer(singleHandle_.get(), kPipeCommand, kPacketSize, startPacket, &done, 1);
    done = 0;
    const int32_t result =
        block_.largeTransfer.load()
            ? LargePipeTransfer(singleHandle_.get(), kPipeImage, length, singleBuffer_.get(), &done)
            : PipeTransfer(singleHandle_.get(), kPipeImage, length, singleBuffer_.get(), &done, 1);
    if (result == 0 && done == length) return kDevOk;
    singleStatus_ = kDevTransferFailed;
    CloseDevice(singleHandle_);
    return kDevTransferFailed;
}

void CZYNSdkLib::CloseSingleFrame() { CloseDevice(singleHandle_); }

int32_t CZYNSdkLib::DecodeSingleFrame(uint8_t* out) {
    if (out == nullptr || !singleBuffer_) return kDevNoOutput;
    return CopyRawFrame(out, singleBuffer_.get());
}

int32_t CZYNSdkLib::CopyRawFrame(uint8_t* out, const uint8_t* raw) {
    if (out == nullptr || raw == nullptr) return kDevNoOutput;
    const size_t s = sixteenBit_ ? 2 : 1;
    const size_t rowBytes = static_cast<size_t>(outputWidth_) * s;
    if (outputWidth_ == rawWidth_ && outputHeight_ == rawHeight_) {
        std::memcpy(out, raw, rowBytes * static_cast<size_t>(outputHeight_));
        return kDevOk;
    }
    for (int32_t i = 0; i < outputHeight_; ++i) {
        const size_t sample = (static_cast<size_t>(i + rawY_) * rawWidth_ + rawX_) * s;
        std::memcpy(out + static_cast<size_t>(i) * rowBytes, raw + sample, rowBytes);
    }
    return kDevOk;
}

}  // namespace rezive
