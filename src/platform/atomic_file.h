// Crash-safe replacement of a small file that several processes read and rewrite.
//
// A writer holds a FileLock on the file from reading it to replacing it, so two processes
// changing different parts at once both keep theirs. ReplaceAtomically writes a temporary file
// beside the file, flushes it, renames it over the file and flushes the folder: a reader needs
// no lock and sees a whole old or a whole new file, and a crash leaves at most a temporary
// "<file>.tmp.XXXXXX", which the next lock holder removes.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace rezive::platform {

enum class ReadStatus { kRead, kMissing, kFailed };

// The text of a regular file and its permission bits (`mode` may be null). Reading stops once
// the text is longer than `limit`, so a caller that finds more than `limit` bytes knows the file
// is larger without reading all of it. Anything but a regular file fails; a FIFO put in the
// file's place does not block the open.
ReadStatus ReadWholeFile(const std::string& path, size_t limit, std::string* text, uint32_t* mode);

// Creates the folders leading to `path` (like mkdir -p), with 0700 for the folders it makes:
// the files kept this way are per-user.
void MakeParentFolders(const std::string& path);

// An exclusive flock() on "<path>.lock" (created 0600 when missing), released when the lock is
// destroyed. Another process's lock is waited for, with growing pauses, for at most `patience`:
// a writer gives up rather than hang behind a stopped process.
class FileLock {
public:
    FileLock() = default;
    FileLock(const std::string& path, std::chrono::milliseconds patience);
    ~FileLock();
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Keeps the file under the first free name of "<path>.bak", "<path>.bak.1", ...,
// "<path>.bak.<maxBackups - 1>": a hard link (atomic, and it fails rather than replace a name),
// or a copy where the folder refuses links. An existing backup is never replaced; false when no
// name is free or the copy failed.
bool KeepBackup(const std::string& path, int maxBackups);

// Replaces the file (or creates it) with `text` and permission bits `mode`. The caller holds the
// file's FileLock. False leaves the old file as it was.
bool ReplaceAtomically(const std::string& path, std::string_view text, uint32_t mode);

}  // namespace rezive::platform
