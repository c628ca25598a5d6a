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
constexpr uint8_t kIndexOfIndexes = 0;
constexpr uint8_t kIndexOfChunks = 1;

// Header offsets patched while recording and when finishing.
constexpr uint64_t kMicrosPerFrameOffset = 32;
constexpr uint64_t kMaxBytesPerSecOffset = 36;
constexpr uint64_t kFlagsOffset = 44;
constexpr uint64_t kTotalFramesOffset = 48;
constexpr uint64_t kScaleOffset = 128;
constexpr uint64_t kLengthOffset = 140;
constexpr uint64_t kIndxInUseOffset = AviWriter::kIndxData + 4;
constexpr uint64_t kIndxEntries = AviWriter::kIndxData + 24;
constexpr uint64_t kIndexHeaderBytes = 32;  // "ix00", size and the 24-byte index header
constexpr uint64_t kAvixHeaderBytes = 24;   // RIFF "AVIX" and LIST "movi" headers

void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void Put64(uint8_t* p, uint64_t v) {
    Put32(p, static_cast<uint32_t>(v));
    Put32(p + 4, static_cast<uint32_t>(v >> 32));
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

uint64_t IndexBytes(uint32_t capacity) { return kIndexHeaderBytes + 8 * uint64_t{capacity}; }

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

// Frames a RIFF can hold within riffBytes: each costs its chunk and its index entry, and in the
// first RIFF its idx1 entry as well.
uint32_t AviWriter::CapacityOfRiff(bool first) const {
    const uint64_t chunk = 8 + uint64_t{frameBytes_};
    const uint64_t fixed =
        first ? kHeaderBytes + kIndexHeaderBytes + 8 : kAvixHeaderBytes + kIndexHeaderBytes;
    const uint64_t perFrame = chunk + 8 + (first ? 16 : 0);
    const uint64_t riffBytes = std::min<uint64_t>(limits_.riffBytes, UINT32_MAX);
    if (riffBytes < fixed + perFrame) return 0;
    return static_cast<uint32_t>(
        std::min<uint64_t>((riffBytes - fixed) / perFrame, kMaxFramesPerRiff));
}

// The file's length once finished with extraFrames more frames in the current RIFF.
uint64_t AviWriter::FinishedBytesWith(uint64_t extraFrames) const {
    uint64_t end = dataEnd_ + extraFrames * (8 + uint64_t{frameBytes_});
    if (riffs_.size() == 1) end += 8 + 16 * (uint64_t{frameCount_} + extraFrames);
    return end;
}

bool AviWriter::Begin(const char* fileName, int32_t width, int32_t height,
                      uint16_t sourceBitsPerPixel) {
    Reset();
    const uint64_t frameBytes = FrameBytesFor(width, height);
    if (frameBytes == 0 || frameBytes > UINT32_MAX - 8) return false;
    frameBytes_ = static_cast<uint32_t>(frameBytes);
    const uint32_t capacity = CapacityOfRiff(true);
    if (capacity == 0 ||
        kHeaderBytes + IndexBytes(capacity) + 8 + frameBytes + 8 + 16 > limits_.maxFileBytes) {
        frameBytes_ = 0;
        return false;
    }
    if (!file_.OpenForWriting(fileName)) {
        frameBytes_ = 0;
        return false;
    }
    width_ = width;
    height_ = height;
    sourceBitsPerPixel_ = sourceBitsPerPixel;

    std::vector<uint8_t> header(kHeaderBytes, 0);
    uint8_t* h = header.data();
    PutCode(h + 0, "RIFF");
    PutCode(h + 8, "AVI ");
    PutCode(h + 12, "LIST");
    Put32(h + 16, static_cast<uint32_t>(kMoviList - 20));
    PutCode(h + 20, "hdrl");
    PutCode(h + 24, "avih");
    Put32(h + 28, 56);
    Put32(h + 32, 1000000 / 30);
    Put32(h + 36, BytesPerSecond(frameBytes_, kNominalRate100));
    // No index yet: a reader of a file cut short scans its chunks (idx1 sets the flag).
    Put32(h + 44, kWasCaptureFile);
    Put32(h + 56, 1);
    Put32(h + 60, frameBytes_ + 8);
    Put32(h + 64, static_cast<uint32_t>(width));
    Put32(h + 68, static_cast<uint32_t>(height));
    PutCode(h + 88, "LIST");
    Put32(h + 92, static_cast<uint32_t>(kOdmlList - 96));
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
    PutCode(h + 220, "indx");
    Put32(h + 224, static_cast<uint32_t>(kIndxBytes));
    Put16(h + kIndxData, 4);  // longs per entry; subtype 0
    h[kIndxData + 3] = kIndexOfIndexes;
    PutCode(h + kIndxData + 8, "00db");
    PutCode(h + kOdmlList, "LIST");
    Put32(h + kOdmlList + 4, static_cast<uint32_t>(4 + 8 + kDmlhBytes));
    PutCode(h + kOdmlList + 8, "odml");
    PutCode(h + kOdmlList + 12, "dmlh");
    Put32(h + kOdmlList + 16, static_cast<uint32_t>(kDmlhBytes));
    PutCode(h + kMoviList, "LIST");
    PutCode(h + kMoviList + 8, "movi");

    dataEnd_ = 0;
    if (!file_.Write(h, header.size()) || !OpenRiff() || !Checkpoint(kNominalRate100)) {
        file_.Discard();
        Reset();
        return false;
    }
    return true;
}

bool AviWriter::OpenRiff() {
    Riff riff;
    const bool first = riffs_.empty();
    if (first) {
        riff.start = 0;
        riff.moviList = kMoviList;
        riff.indexAt = kHeaderBytes;
    } else {
        riff.start = dataEnd_;
        riff.moviList = dataEnd_ + 12;
        riff.indexAt = dataEnd_ + kAvixHeaderBytes;
        uint8_t head[kAvixHeaderBytes] = {};
        PutCode(head, "RIFF");
        PutCode(head + 8, "AVIX");
        PutCode(head + 12, "LIST");
        PutCode(head + 20, "movi");
        if (!file_.SeekTo(dataEnd_) || !file_.Write(head, sizeof head)) return false;
    }
    riff.capacity = CapacityOfRiff(first);
    riff.firstChunk = riff.indexAt + IndexBytes(riff.capacity);
    // The standard index is reserved whole, so it can be brought up to date in place.
    std::vector<uint8_t> index;
    try {
        index.assign(IndexBytes(riff.capacity), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    PutCode(index.data(), "ix00");
    Put32(index.data() + 4, static_cast<uint32_t>(index.size() - 8));
    Put16(index.data() + 8, 2);  // longs per entry; subtype 0
    index[11] = kIndexOfChunks;
    PutCode(index.data() + 16, "00db");
    Put64(index.data() + 20, riff.start);  // entries count from the RIFF's start
    if (!file_.Write(index.data(), index.size())) return false;
    dataEnd_ = riff.firstChunk;
    riffs_.push_back(riff);
    // The new RIFF is named in the super index at once: a file cut short lists all its RIFFs.
    uint8_t entry[16];
    Put64(entry, riff.indexAt);
    Put32(entry + 8, static_cast<uint32_t>(IndexBytes(riff.capacity)));
    Put32(entry + 12, 0);
    const uint64_t at = kIndxEntries + 16 * (riffs_.size() - 1);
    return file_.WriteAt(at, entry, sizeof entry) &&
           PatchAt(kIndxInUseOffset, static_cast<uint32_t>(riffs_.size()));
}

AviWriter::Status AviWriter::WriteFrame(const uint8_t* frame, size_t size) {
    if (!file_.IsOpen()) return Status::NotOpen;
    if (frameWriteFailed_) return Status::WriteFailed;
    if (frame == nullptr || size != frameBytes_) return Status::BadFrame;
    const bool full = riffs_.back().frames >= riffs_.back().capacity;
    if (full && riffs_.size() >= kSuperIndexEntries) return Status::SizeLimit;
    const uint64_t needed = full ? dataEnd_ + kAvixHeaderBytes + IndexBytes(CapacityOfRiff(false)) +
                                       8 + uint64_t{frameBytes_}
                                 : FinishedBytesWith(1);
    if (needed > limits_.maxFileBytes) return Status::SizeLimit;
    if (full) {
        // The RIFF is closed and the next one opened before the frame goes in.
        if (!Checkpoint(0) || (riffs_.size() == 1 && !CloseFirstRiff()) || !OpenRiff()) {
            frameWriteFailed_ = true;
            return Status::WriteFailed;
        }
    }

    uint8_t chunk[8];
    PutCode(chunk, "00db");
    Put32(chunk + 4, frameBytes_);
    if (!file_.SeekTo(dataEnd_) || !file_.Write(chunk, sizeof chunk) ||
        !file_.Write(frame, size)) {
        frameWriteFailed_ = true;
        return Status::WriteFailed;
    }
    ++frameCount_;
    ++riffs_.back().frames;
    dataEnd_ += 8 + uint64_t{frameBytes_};
    return Status::Ok;
}

bool AviWriter::WriteIdx1() {
    const Riff& riff = riffs_.front();
    const uint32_t count = riff.frames;
    std::vector<uint8_t> idx;
    try {
        idx.resize(8 + 16 * static_cast<size_t>(count));
    } catch (const std::bad_alloc&) {
        return false;
    }
    PutCode(idx.data(), "idx1");
    Put32(idx.data() + 4, 16 * count);
    // Offsets count from the "movi" code.
    const uint64_t first = riff.firstChunk - kMoviCodeOffset;
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t* e = idx.data() + 8 + 16 * static_cast<size_t>(i);
        PutCode(e, "00db");
        Put32(e + 4, kKeyFrame);
        Put32(e + 8, static_cast<uint32_t>(first + uint64_t{i} * (8 + uint64_t{frameBytes_})));
        Put32(e + 12, frameBytes_);
    }
    if (!file_.SeekTo(dataEnd_) || !file_.Write(idx.data(), idx.size())) return false;
    dataEnd_ += idx.size();
    idx1Written_ = true;
    return true;
}

// Ends the first RIFF with its idx1, which the has-index flag then announces.
bool AviWriter::CloseFirstRiff() {
    const uint64_t moviEnd = dataEnd_;
    if (!WriteIdx1()) return false;
    return PatchRiff(riffs_.front(), moviEnd) &&
           PatchAt(4, static_cast<uint32_t>(dataEnd_ - 8)) &&
           PatchAt(kFlagsOffset, kHasIndex | kWasCaptureFile);
}

bool AviWriter::PatchAt(uint64_t offset, uint32_t value) {
    uint8_t v[4];
    Put32(v, value);
    return file_.WriteAt(offset, v, 4);
}

// Writes the RIFF's new index entries, its index and super-index counts and its sizes, with
// moviEnd the end of its movi list.
bool AviWriter::PatchRiff(Riff& r, uint64_t moviEnd) {
    bool ok = true;
    if (r.entriesWritten < r.frames) {
        std::vector<uint8_t> entries(8 * static_cast<size_t>(r.frames - r.entriesWritten));
        for (uint32_t i = r.entriesWritten; i < r.frames; ++i) {
            uint8_t* e = entries.data() + 8 * static_cast<size_t>(i - r.entriesWritten);
            const uint64_t data = r.firstChunk + uint64_t{i} * (8 + uint64_t{frameBytes_}) + 8;
            Put32(e, static_cast<uint32_t>(data - r.start));
            Put32(e + 4, frameBytes_);  // bit 31 clear: a key frame
        }
        ok = file_.WriteAt(r.indexAt + kIndexHeaderBytes + 8 * uint64_t{r.entriesWritten},
                           entries.data(), entries.size());
        if (ok) r.entriesWritten = r.frames;
    }
    const size_t n = static_cast<size_t>(&r - riffs_.data());
    ok = ok && PatchAt(r.indexAt + 12, r.entriesWritten);
    ok = ok && PatchAt(kIndxEntries + 16 * n + 12, r.entriesWritten);
    ok = ok && PatchAt(r.moviList + 4, static_cast<uint32_t>(moviEnd - r.moviList - 8));
    // The first RIFF's size takes in its idx1 once that is written (CloseFirstRiff, Finish).
    if (n != 0 || !idx1Written_)
        ok = ok && PatchAt(r.start + 4, static_cast<uint32_t>(moviEnd - r.start - 8));
    return ok;
}

bool AviWriter::PatchCounts(uint32_t rate100) {
    bool ok = true;
    ok = PatchAt(kTotalFramesOffset, riffs_.front().frames) && ok;
    ok = PatchAt(kLengthOffset, frameCount_) && ok;
    ok = PatchAt(kDmlhData, frameCount_) && ok;
    if (rate100 != 0) {
        rate100 = std::clamp<uint32_t>(rate100, 1, kMaxRate100);
        ok = PatchAt(kMicrosPerFrameOffset, 100000000u / rate100) && ok;
        ok = PatchAt(kScaleOffset, 1000000000u / rate100) && ok;
        ok = PatchAt(kMaxBytesPerSecOffset, BytesPerSecond(frameBytes_, rate100)) && ok;
    }
    return ok;
}

// The index entries first, then the sizes and counts that make them visible: a file cut short
// between the two still reads as of the checkpoint before.
bool AviWriter::Checkpoint(uint32_t rate100) {
    if (!file_.IsOpen() || riffs_.empty()) return false;
    return PatchRiff(riffs_.back(), dataEnd_) && PatchCounts(rate100);
}

bool AviWriter::Finish(uint32_t rate100) {
    if (!file_.IsOpen()) return false;
    bool ok = true;

    // Cut a partly written chunk away so the file ends with the last whole frame.
    if (frameWriteFailed_ || file_.Failed() || file_.Position() != dataEnd_) {
        ok = file_.Truncate(dataEnd_);
        file_.ClearFailure();
    }
    if (riffs_.size() == 1) {
        const uint64_t moviEnd = dataEnd_;
        // An index that does not fit (a full disk) is cut away again: the flag stays clear.
        if (!WriteIdx1()) {
            file_.Truncate(moviEnd);
            file_.ClearFailure();
            dataEnd_ = moviEnd;
            ok = false;
            ok = PatchRiff(riffs_.front(), moviEnd) && ok;
        } else {
            ok = PatchRiff(riffs_.front(), moviEnd) && ok;
            ok = PatchAt(4, static_cast<uint32_t>(dataEnd_ - 8)) && ok;
            ok = PatchAt(kFlagsOffset, kHasIndex | kWasCaptureFile) && ok;
        }
    } else {
        ok = PatchRiff(riffs_.back(), dataEnd_) && ok;
    }
    ok = PatchCounts(std::max<uint32_t>(rate100, 1)) && ok;
    ok = file_.Close() && ok;
    Reset();
    return ok;
}

void AviWriter::Reset() {
    file_.Close();
    file_.ClearFailure();
    riffs_.clear();
    frameCount_ = 0;
    dataEnd_ = 0;
    frameWriteFailed_ = false;
    idx1Written_ = false;
    frameBytes_ = 0;
    width_ = height_ = 0;
    sourceBitsPerPixel_ = 0;
}

}  // namespace rezive
