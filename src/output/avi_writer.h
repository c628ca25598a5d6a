// AviWriter: lays out an uncompressed AVI file of 24-bit bottom-up frames, past 4 GiB with the
// OpenDML extension, and keeps it readable while it grows.
//
// File shape:
//   RIFF "AVI " { LIST "hdrl" { avih, LIST "strl" { strh, strf, indx }, LIST "odml" { dmlh } },
//                 LIST "movi" { ix00, "00db" chunk per frame }, idx1 }
//   RIFF "AVIX" { LIST "movi" { ix00, "00db" ... } }  (as many as the recording needs)
// A RIFF holds at most Limits::riffBytes; the next frame then starts a RIFF "AVIX". Each movi
// list begins with its standard index (ix00), reserved for every frame the RIFF can take, and
// the super index (indx) lists those indexes. The first RIFF is a complete AVI 1.0 file: its
// idx1 and the main header's frame count cover its frames, while the stream header and the
// extended header (dmlh) count every frame of the recording.
//
// Crash safety: Checkpoint brings every size, count and index entry up to date with the frames
// written so far, so a file whose writer dies between checkpoints is a valid file of the frames
// up to the last checkpoint followed by bytes no RIFF claims. The idx1 (and the main header's
// has-index flag) is written when the first RIFF is closed or the file is finished.
//
// Failure behaviour, for the recording code:
// - Begin fails (false, no file left behind) when the file can be neither truncated nor created,
//   the header cannot be written, or one frame would not fit the limits.
// - WriteFrame reports SizeLimit, without writing anything, when the finished file would pass
//   Limits::maxFileBytes or the super index is full; the file stays open and can be finished
//   with the frames written so far. It reports WriteFailed when the disk refused the chunk; the
//   partial chunk is cut off again by Finish, so the file still holds every earlier frame.
// - Finish always closes the file. It truncates a partial chunk away, writes the idx1 of a
//   one-RIFF file and patches the headers. If even the idx1 cannot be written (a full disk), the
//   file is finished without it and the has-index flag stays clear, so readers use the OpenDML
//   index or scan the chunks. It returns false when anything it wrote failed or the file was not
//   open.
// - Reset closes the file as it is (as of its last checkpoint); the owner calls Finish first to
//   keep every frame.
// The writer has no lock: one thread at a time uses it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "output/output_file.h"

namespace rezive {

class AviWriter {
public:
    struct Limits {
        // Largest RIFF chunk (its 8-byte header included); 1 GiB keeps the first RIFF readable
        // by AVI 1.0 readers that stop at 1 GiB.
        uint64_t riffBytes = uint64_t{1} << 30;
        // Largest file: beyond it WriteFrame reports SizeLimit.
        uint64_t maxFileBytes = UINT64_MAX;
    };
    static constexpr uint32_t kNominalRate100 = 3000;  // 30 frames per second
    static constexpr uint32_t kSuperIndexEntries = 256;  // RIFFs a file can have
    static constexpr uint32_t kMaxFramesPerRiff = 16384;  // entries of one standard index
    // Header layout up to the movi list of the first RIFF.
    static constexpr uint64_t kIndxData = 228;
    static constexpr uint64_t kIndxBytes = 24 + 16 * uint64_t{kSuperIndexEntries};
    static constexpr uint64_t kOdmlList = kIndxData + kIndxBytes;
    static constexpr uint64_t kDmlhData = kOdmlList + 20;
    static constexpr uint64_t kDmlhBytes = 248;
    static constexpr uint64_t kMoviList = kDmlhData + kDmlhBytes;
    static constexpr uint64_t kMoviSizeOffset = kMoviList + 4;
    static constexpr uint64_t kMoviCodeOffset = kMoviList + 8;
    static constexpr uint64_t kHeaderBytes = kMoviList + 12;  // up to the first ix00

    enum class Status { Ok, NotOpen, BadFrame, SizeLimit, WriteFailed };

    AviWriter() = default;
    explicit AviWriter(Limits limits) : limits_(limits) {}
    // A file of at most maxFileBytes (RIFFs of the default size).
    explicit AviWriter(uint64_t maxFileBytes) { limits_.maxFileBytes = maxFileBytes; }
    ~AviWriter() { Reset(); }
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // Opens fileName (truncate existing, else create new) and writes the header for frames of
    // width x height. sourceBitsPerPixel is the colour mode the frames are converted from.
    bool Begin(const char* fileName, int32_t width, int32_t height, uint16_t sourceBitsPerPixel);
    // Appends one frame of FrameBytes() bytes: 24-bit, bottom-up rows at the 4-byte padded stride.
    Status WriteFrame(const uint8_t* frame, size_t size);
    // Brings the header up to date with the frames written so far, at the rate given (in
    // hundredths of a frame per second); false when a write failed.
    bool Checkpoint(uint32_t rate100);
    // Finishes and closes the file; rate100 is the measured rate in hundredths of a frame per
    // second (0 is taken as the smallest rate the header can state, 0.01 per second).
    bool Finish(uint32_t rate100);
    // Closes any open file unfinished and clears the header, counters and index.
    void Reset();

    bool IsOpen() const { return file_.IsOpen(); }
    uint32_t FrameCount() const { return frameCount_; }
    uint32_t FrameBytes() const { return frameBytes_; }
    uint32_t RiffCount() const { return static_cast<uint32_t>(riffs_.size()); }
    // Offset just past the last complete chunk (right after Begin: the first frame's offset).
    uint64_t DataEnd() const { return dataEnd_; }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    uint16_t SourceBitsPerPixel() const { return sourceBitsPerPixel_; }

    // Bytes of one 24-bit frame: the 4-byte padded row times the height.
    static uint64_t FrameBytesFor(int32_t width, int32_t height);
    // frames x 100000 / elapsedMs, the rate in hundredths per second of frames seen over
    // elapsedMs; the nominal rate when no time has passed (a single frame), saturated to 32 bits.
    static uint32_t MeasuredRate100(uint32_t frames, uint32_t elapsedMs);

private:
    // One RIFF of the file: where it starts, its standard index and its frames.
    struct Riff {
        uint64_t start = 0;       // offset of its "RIFF"
        uint64_t moviList = 0;    // offset of its movi "LIST"
        uint64_t indexAt = 0;     // offset of its "ix00"
        uint64_t firstChunk = 0;  // offset of its first "00db"
        uint32_t capacity = 0;    // frames its index has room for
        uint32_t frames = 0;
        uint32_t entriesWritten = 0;  // index entries already in the file
    };

    uint32_t CapacityOfRiff(bool first) const;
    bool OpenRiff();  // starts the next RIFF at dataEnd_ (the first one in Begin)
    bool CloseFirstRiff();
    bool WriteIdx1();
    bool PatchRiff(Riff& riff, uint64_t moviEnd);
    bool PatchCounts(uint32_t rate100);
    bool PatchAt(uint64_t offset, uint32_t value);
    uint64_t FinishedBytesWith(uint64_t extraFrames) const;

    OutputFile file_;
    Limits limits_;
    std::vector<Riff> riffs_;
    uint32_t frameCount_ = 0;
    uint64_t dataEnd_ = 0;  // file offset just past the last complete chunk
    bool frameWriteFailed_ = false;
    bool idx1Written_ = false;
    uint32_t frameBytes_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    uint16_t sourceBitsPerPixel_ = 0;
};

}  // namespace rezive
