#include "output/avi_writer.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace rezive {

namespace {

constexpr uint32_t kHasIndex = 0x10;
constexpr uint32_t kWasCaptureFile = 0x10000;
constexpr uint32_t kKeyFrame = 0x10;
constexpr uint32_t kStreamRate = 10000000;
constexpr uint32_t kMaxRate100 = 100000000;  // keeps one microsecond per frame at least

// Header offsets patched by Finish.
constexpr uint64_t kRiffSizeOffset = 4;
constexpr uint64_t kMicrosPerFrameOffset = 32;
constexpr uint64_t kMaxBytesPerSecOffset = 36;
constexpr uint64_t kFlagsOffset = 44;
constexpr uint64_t kTotalFramesOffset = 48;
constexpr uint64_t kScaleOffset = 128;
constexpr uint64_t kLengthOffset = 140;

void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void PutCode(uint8_t* p, const char* code) { std::memcpy(p, code, 4); }

uint32_t Saturate32(uint64_t v) { return v > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(v); }

// Bytes per second at a rate, as the main header states it (readers do not depend on it).
uint32_t BytesPerSecond(uint32_t frameBytes, uint32_t rate100) {
    return Saturate32((static_cast<uint64_t>(frameBytes) + 8) * rate100 / 100);
}

uint64_t FileBytesWith(uint64_t frames, uint64_t frameBytes) {
    return AviWriter::kHeaderBytes + frames * (8 + frameBytes) + 8 + 16 * frames;
}

}  // namespace

uint64_t AviWriter::FrameBytesFor(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return 0;
    const uint64_t stride = (3 * static_cast<uint64_t>(width) + 3) & ~uint64_t{3};
    return stride * static_cast<uint64_t>(height);
}

uint32_t AviWriter::MeasuredRate100(uint32_t frames, uint32_t elapsedMs) {
    if (elapsedMs == 0) return kNominalRate100;
    return Saturate32(static_cast<uint64_t>(frames) * 100000 / elapsedMs);
}

bool AviWriter::Begin(const char* fileName, int32_t width, int32_t height,
                      uint16_t sourceBitsPerPixel) {
    Reset();
    const uint64_t frameBytes = FrameBytesFor(width, height);
    if (frameBytes == 0 || FileBytesWith(1, frameBytes) > maxFileBytes_) return false;
    if (!file_.OpenForWriting(fileName)) return false;
    width_ = width;
    height_ = height;
    sourceBitsPerPixel_ = sourceBitsPerPixel;
    frameBytes_ = static_cast<uint32_t>(frameBytes);

    uint8_t h[kHeaderBytes] = {};
    PutCode(h + 0, "RIFF");
    Put32(h + 4, 0);
    PutCode(h + 8, "AVI ");
    PutCode(h + 12, "LIST");
    Put32(h + 16, 200);
    PutCode(h + 20, "hdrl");
    PutCode(h + 24, "avih");
    Put32(h + 28, 56);
    Put32(h + 32, 1000000 / 30);
    Put32(h + 36, BytesPerSecond(frameBytes_, kNominalRate100));
    Put32(h + 40, 0);
    Put32(h + 44, kHasIndex | kWasCaptureFile);
    Put32(h + 48, 0);
    Put32(h + 52, 0);
    Put32(h + 56, 1);
    Put32(h + 60, frameBytes_ + 8);
    Put32(h + 64, static_cast<uint32_t>(width));
    Put32(h + 68, static_cast<uint32_t>(height));
    PutCode(h + 88, "LIST");
    Put32(h + 92, 124);
    PutCode(h + 96, "strl");
    PutCode(h + 100, "strh");
    Put32(h + 104, 64);
    PutCode(h + 108, "vids");
    PutCode(h + 112, "DIB ");
    Put32(h + 128, kStreamRate / 30);
    Put32(h + 132, kStreamRate);
    Put32(h + 144, frameBytes_ + 8);
    PutCode(h + 172, "strf");
    Put32(h + 176, 40);
    Put32(h + 180, 40);
    Put32(h + 184, static_cast<uint32_t>(width));
    Put32(h + 188, static_cast<uint32_t>(height));  // positive: bottom-up rows
    Put16(h + 192, 1);
    Put16(h + 194, 24);
    PutCode(h + 220, "LIST");
    Put32(h + 224, 0);
    PutCode(h + 228, "movi");

    if (!file_.Write(h, sizeof h)) {
        file_.Discard();
        Reset();
        return false;
    }
    dataEnd_ = kHeaderBytes;
    return true;
}

AviWriter::Status AviWriter::WriteFrame(const uint8_t* frame, size_t size) {
    if (!file_.IsOpen()) return Status::NotOpen;
    if (frameWriteFailed_) return Status::WriteFailed;
    if (frame == nullptr || size != frameBytes_) return Status::BadFrame;
    if (FileBytesWith(uint64_t{frameCount_} + 1, frameBytes_) > maxFileBytes_)
        return Status::SizeLimit;

    uint8_t chunk[8];
    PutCode(chunk, "00db");
    Put32(chunk + 4, frameBytes_);
    if (!file_.Write(chunk, sizeof chunk) || !file_.Write(frame, size)) {
        frameWriteFailed_ = true;
        return Status::WriteFailed;
    }
    ++frameCount_;
    dataEnd_ += 8 + uint64_t{frameBytes_};
    return Status::Ok;
}

bool AviWriter::WriteIndex() {
    const uint32_t count = frameCount_;
    std::vector<uint8_t> idx;
    try {
        idx.resize(8 + 16 * static_cast<size_t>(count));
    } catch (const std::bad_alloc&) {
        return false;
    }
    PutCode(idx.data(), "idx1");
    Put32(idx.data() + 4, 16 * count);
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t* e = idx.data() + 8 + 16 * static_cast<size_t>(i);
        PutCode(e, "00db");
        Put32(e + 4, kKeyFrame);
        Put32(e + 8, static_cast<uint32_t>(4 + uint64_t{i} * (8 + uint64_t{frameBytes_})));
        Put32(e + 12, frameBytes_);
    }
    return file_.Write(idx.data(), idx.size());
}

bool AviWriter::Finish(uint32_t rate100) {
    if (!file_.IsOpen()) return false;
    bool ok = true;

    // Cut a partly written chunk away so the file ends with the last whole frame.
    if (frameWriteFailed_ || file_.Failed() || file_.Position() != dataEnd_) {
        ok = file_.Truncate(dataEnd_);
        file_.ClearFailure();
    }
    ok = file_.SeekTo(dataEnd_) && ok;
    bool indexed = ok && WriteIndex();
    if (!indexed) {
        file_.Truncate(dataEnd_);
        file_.ClearFailure();
        ok = false;
    }
    const uint64_t fileEnd = indexed ? dataEnd_ + 8 + 16 * uint64_t{frameCount_} : dataEnd_;

    rate100 = std::clamp<uint32_t>(rate100, 1, kMaxRate100);
    uint8_t v[4];
    auto patch = [&](uint64_t offset, uint32_t value) {
        Put32(v, value);
        ok = file_.WriteAt(offset, v, 4) && ok;
    };
    patch(kRiffSizeOffset, static_cast<uint32_t>(fileEnd - 8));
    patch(kMoviSizeOffset, static_cast<uint32_t>(dataEnd_ - kMoviCodeOffset));
    patch(kTotalFramesOffset, frameCount_);
    patch(kLengthOffset, frameCount_);
    patch(kMicrosPerFrameOffset, 100000000u / rate100);
    patch(kScaleOffset, 1000000000u / rate100);
    patch(kMaxBytesPerSecOffset, BytesPerSecond(frameBytes_, rate100));
    if (!indexed) patch(kFlagsOffset, kWasCaptureFile);

    ok = file_.Close() && ok;
    Reset();
    return ok;
}

void AviWriter::Reset() {
    file_.Close();
    file_.ClearFailure();
    frameCount_ = 0;
    dataEnd_ = 0;
    frameWriteFailed_ = false;
    frameBytes_ = 0;
    width_ = height_ = 0;
    sourceBitsPerPixel_ = 0;
}

}  // namespace rezive
