#include "output/output_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rezive {

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool OutputFile::OpenForWriting(const char* path) {
    if (fd_ >= 0) Close();
    failed_ = false;
    regular_ = false;
    position_ = 0;
    path_.clear();
    if (path == nullptr || *path == '\0') return false;

    int fd = ::open(path, O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    struct stat st {};
    regular_ = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    fd_ = fd;
    path_ = path;
    return true;
}

// Repeats a partial write until all of data is written; a failure sticks. writeSome(p, n,
// done) writes at most n bytes of p, done bytes into the call.
template <typename WriteSome>
bool OutputFile::WriteAll(const void* data, size_t size, WriteSome writeSome) {
    if (fd_ < 0 || failed_) return false;
    const auto* p = static_cast<const uint8_t*>(data);
    for (uint64_t done = 0; size > 0;) {
        const ssize_t n = writeSome(p, size, done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            MarkFailed();
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
        done += static_cast<uint64_t>(n);
    }
    return true;
}

bool OutputFile::Write(const void* data, size_t size) {
    return WriteAll(data, size, [this](const uint8_t* p, size_t n, uint64_t) {
        const ssize_t written = ::write(fd_, p, n);
        if (written > 0) position_ += static_cast<uint64_t>(written);
        return written;
    });
}

bool OutputFile::WriteAt(uint64_t offset, const void* data, size_t size) {
    return WriteAll(data, size, [this, offset](const uint8_t* p, size_t n, uint64_t done) {
        return ::pwrite(fd_, p, n, static_cast<off_t>(offset + done));
    });
}

bool OutputFile::SeekTo(uint64_t offset) {
    if (fd_ < 0) return false;
    if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) {
        MarkFailed();
        return false;
    }
    position_ = offset;
    return true;
}

int64_t OutputFile::Length() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

bool OutputFile::Truncate(uint64_t length) {
    if (fd_ < 0) return false;
    int rc;
    do {
        rc = ::ftruncate(fd_, static_cast<off_t>(length));
    } while (rc < 0 && errno == EINTR);
    return rc == 0;
}

bool OutputFile::Close() {
    if (fd_ < 0) return !failed_;
    // close() is not retried on EINTR: the descriptor is gone either way on Linux.
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (!closed) MarkFailed();
    return !failed_;
}

void OutputFile::Discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (regular_ && !path_.empty()) ::unlink(path_.c_str());
    regular_ = false;
    path_.clear();
}

int32_t FinishStillFile(OutputFile& file, bool written) {
    if (written && !file.Failed() && file.Close()) return 1;
    file.Discard();
    return 0;
}

}  // namespace rezive
