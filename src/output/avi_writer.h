// AviWriter: lays out an uncompressed AVI file of 24-bit bottom-up frames.
//
// File shape: RIFF "AVI " { LIST "hdrl" { avih, LIST "strl" { strh, strf } }, LIST "movi"
// { "00db" chunk per frame }, idx1 }. The header is written by Begin with a nominal 30 frames
// per second and zero counts; Finish appends the index and patches sizes, counts and the
// measured rate. Every write is checked.
//
// Failure behaviour, for the recording code:
// - Begin fails (false, no file left behind) when the file can be neither truncated nor created,
//   the header cannot be written, or one frame would not fit the size limit.
// - WriteFrame reports SizeLimit, without writing anything, when the finished file would pass
//   the size limit (by default the 32-bit RIFF limit); the file stays open and can be finished
//   with the frames written so far. It reports WriteFailed when the disk refused the chunk; the
//   partial chunk is cut off again by Finish, so the file still holds every earlier frame.
// - Finish always closes the file. It truncates a partial chunk away, writes the index and
//   patches the header. If even the index cannot be written (a full disk), the file is finished
//   without it and the header's has-index flag is cleared, so readers scan the chunks instead.
//   It returns false when anything it wrote failed or the file was not open.
// - Reset closes the file as it is (unfinished); the owner calls Finish first to keep frames.
// The writer has no lock: one thread at a time uses it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "output/output_file.h"

namespace rezive {

class AviWriter {
public:
    // Largest file the writer produces: the RIFF size field (file length - 8) is 32-bit.
    static constexpr uint64_t kMaxFileBytes = 0xFFFFFFFFull;
    static constexpr uint32_t kNominalRate100 = 3000;  // 30 frames per second
    static constexpr uint64_t kHeaderBytes = 232;      // up to the first chunk
    static constexpr uint64_t kMoviCodeOffset = 228;
    static constexpr uint64_t kMoviSizeOffset = 224;

    enum class Status { Ok, NotOpen, BadFrame, SizeLimit, WriteFailed };

    explicit AviWriter(uint64_t maxFileBytes = kMaxFileBytes) : maxFileBytes_(maxFileBytes) {}
    ~AviWriter() { Reset(); }
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // Opens fileName (truncate existing, else create new) and writes the header for frames of
    // width x height. sourceBitsPerPixel is the colour mode the frames are converted from.
    bool Begin(const char* fileName, int32_t width, int32_t height, uint16_t sourceBitsPerPixel);
    // Appends one frame of FrameBytes() bytes: 24-bit, bottom-up rows at the 4-byte padded stride.
    Status WriteFrame(const uint8_t* frame, size_t size);
    // Brings the header's sizes and counts up to date with the frames written so far.
    bool Checkpoint(uint32_t rate100) { return rate100 != 0 || file_.IsOpen(); }
    // Finishes and closes the file; rate100 is the measured rate in hundredths of a frame per
    // second (0 is taken as the smallest rate the header can state, 0.01 per second).
    bool Finish(uint32_t rate100);
    // Closes any open file unfinished and clears the header, counters and index.
    void Reset();

    bool IsOpen() const { return file_.IsOpen(); }
    uint32_t FrameCount() const { return frameCount_; }
    uint32_t FrameBytes() const { return frameBytes_; }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    uint16_t SourceBitsPerPixel() const { return sourceBitsPerPixel_; }

    // Bytes of one 24-bit frame: the 4-byte padded row times the height.
    static uint64_t FrameBytesFor(int32_t width, int32_t height);
    // frames x 100000 / elapsedMs, the rate in hundredths per second of frames seen over
    // elapsedMs; the nominal rate when no time has passed (a single frame), saturated to 32 bits.
    static uint32_t MeasuredRate100(uint32_t frames, uint32_t elapsedMs);

private:
    bool WriteIndex();

    OutputFile file_;
    uint64_t maxFileBytes_;
    // Chunks all have the same size, so the index entries follow from the count alone.
    uint32_t frameCount_ = 0;
    uint64_t dataEnd_ = 0;  // file offset just past the last complete chunk
    bool frameWriteFailed_ = false;
    uint32_t frameBytes_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    uint16_t sourceBitsPerPixel_ = 0;
};

}  // namespace rezive
