// OutputFile: the file every writer puts its bytes into (stills and AVI).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace rezive {

// A file opened for writing by the truncate-then-create-new rule, with every write checked.
// Writes are all-or-nothing from the caller's view: a short write is retried until it completes
// or fails, and a failure sticks (Failed()) so that a writer can check once at the end.
class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();  // closes without removing anything
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Truncates an existing file, or else creates a new one (never both, so a file that cannot
    // be written stays untouched). A file already open in this object is closed first.
    bool OpenForWriting(const char* path);
    bool IsOpen() const { return fd_ >= 0; }
    bool Failed() const { return failed_; }
    // Lets writes go on after a failure that the caller has repaired (e.g. by truncating a
    // partly written record away).
    void ClearFailure() { failed_ = false; }

    // Appends at the current position.
    bool Write(const void* data, size_t size);
    // Writes at an absolute offset without moving the current position.
    bool WriteAt(uint64_t offset, const void* data, size_t size);
    bool SeekTo(uint64_t offset);
    bool Truncate(uint64_t length);
    uint64_t Position() const { return position_; }
    // Current length of the file; -1 when it cannot be read.
    int64_t Length() const;

    // Closes the file; false when the close (the last chance to report a write) failed or an
    // earlier operation had failed.
    bool Close();
    // Closes the file and removes it, so a failed save leaves no partial file behind. Only a
    // regular file this object opened is removed; devices and pipes are left alone.
    void Discard();

private:
    void MarkFailed() { failed_ = true; }
    template <typename WriteSome>
    bool WriteAll(const void* data, size_t size, WriteSome writeSome);

    int fd_ = -1;
    bool failed_ = false;
    bool regular_ = false;
    uint64_t position_ = 0;
    std::string path_;
};

// Closes a still-image file: 1 when everything was written and the close succeeded, otherwise
// removes the file and returns 0.
int32_t FinishStillFile(OutputFile& file, bool written);

}  // namespace rezive
