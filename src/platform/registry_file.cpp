#include "platform/registry_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

namespace rezive::platform {
namespace {

// Far beyond any tree this library writes; a larger file is damage and is not parsed.
constexpr size_t kMaxSettingsFileSize = 16u << 20;
// A writer that cannot get the lock in this time gives up rather than hang a release behind a
// stopped process.
constexpr auto kLockDeadline = std::chrono::seconds(10);

enum class ReadStatus { kRead, kMissing, kFailed };

// The file's text (at most kMaxSettingsFileSize + 1 bytes) and its permission bits. Only a
// regular file is read; O_NONBLOCK keeps a FIFO put in its place from blocking the open.
ReadStatus ReadFileText(const std::string& path, std::string* text, uint32_t* mode) {
    text->clear();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT ? ReadStatus::kMissing : ReadStatus::kFailed;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return ReadStatus::kFailed;
    }
    if (mode) *mode = st.st_mode & 07777;
    char buffer[65536];
    while (text->size() <= kMaxSettingsFileSize) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            close(fd);
            return ReadStatus::kFailed;
        }
        if (n == 0) break;
        text->append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return ReadStatus::kRead;
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

std::string ParentOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Like mkdir -p, with 0700 for the folders it makes (they hold per-user settings).
void MakeFolders(const std::string& folder) {
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string prefix = folder.substr(0, slash);
        if (!prefix.empty()) mkdir(prefix.c_str(), 0700);
        if (slash == std::string::npos) break;
    }
}

void SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

int LockWithDeadline(const std::string& lockPath) {
    const int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    const auto deadline = std::chrono::steady_clock::now() + kLockDeadline;
    auto pause = std::chrono::milliseconds(1);
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() > deadline) {
            close(fd);
            return -1;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
    return fd;
}

// A copy for folders that refuse hard links; O_EXCL keeps an existing file safe.
enum class CopyResult { kDone, kExists, kFailed };
CopyResult CopyExclusive(const std::string& from, const std::string& to) {
    const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) return errno == EEXIST ? CopyResult::kExists : CopyResult::kFailed;
    const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    bool ok = in >= 0;
    char buffer[65536];
    while (ok) {
        const ssize_t n = read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        ok = WriteAll(out, buffer, static_cast<size_t>(n));
    }
    if (in >= 0) close(in);
    ok = ok && fsync(out) == 0;
    ok = close(out) == 0 && ok;
    if (!ok) unlink(to.c_str());
    return ok ? CopyResult::kDone : CopyResult::kFailed;
}

// Keeps the current file under the first free backup name: a hard link (atomic, and it fails
// rather than replace an existing name), or a copy where links are not supported.
bool KeepBackup(const std::string& path) {
    for (int n = 0; n < kMaxBackups; ++n) {
        const std::string name = path + (n == 0 ? ".bak" : ".bak." + std::to_string(n));
        if (link(path.c_str(), name.c_str()) == 0) return true;
        if (errno == EEXIST) continue;
        switch (CopyExclusive(path, name)) {
            case CopyResult::kDone: return true;
            case CopyResult::kExists: continue;
            case CopyResult::kFailed: return false;
        }
    }
    return false;
}

// Temporary files exist only while a writer holds the lock, so one found by the lock holder was
// left by a writer that died before its rename.
void RemoveStaleTemporaries(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = ParentOf(path);
    const std::string prefix = path.substr(slash == std::string::npos ? 0 : slash + 1) + ".tmp.";
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.size() == prefix.size() + 6 && name.substr(0, prefix.size()) == prefix) {
            unlinkat(dirfd(dir), entry->d_name, 0);
        }
    }
    closedir(dir);
}

bool ReplaceAtomically(const std::string& path, const std::string& text, uint32_t mode) {
    RemoveStaleTemporaries(path);
    std::string temp = path + ".tmp.XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = fchmod(fd, static_cast<mode_t>(mode)) == 0 && WriteAll(fd, text.data(), text.size()) &&
              fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    SyncFolder(ParentOf(path));
    return true;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    std::vector<char> buffer(16384);
    struct passwd pw {};
    struct passwd* found = nullptr;
    if (getpwuid_r(getuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && *found->pw_dir) {
        return found->pw_dir;
    }
    return {};
}

}  // namespace

std::string SettingsFilePath() {
    if (const char* file = std::getenv("REZIVE_SETTINGS_FILE"); file && *file) return file;
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        config = xdg;
    } else {
        const std::string home = HomeFolder();
        if (home.empty()) return {};
        config = home + "/.config";
    }
    return config + "/Ruredo/Rezive417DIRVUDSdk.reg";
}

RegistryKey RegistryKey::Open(std::string_view path) const {
    if (!node_) return {};
    RegistryNode* node = node_;
    for (std::string_view part : SplitKeyPath(path)) {
        node = node->Child(part);
        if (!node) return {};
    }
    return node == node_ && !path.empty() ? RegistryKey() : RegistryKey(node, writable_);
}

RegistryKey RegistryKey::Create(std::string_view path) const {
    if (!node_ || !writable_) return {};
    const std::vector<std::string_view> parts = SplitKeyPath(path);
    if (parts.empty()) return {};
    RegistryNode* node = node_;
    for (std::string_view part : parts) node = node->AddChild(part);
    node->listed = true;
    return RegistryKey(node, true);
}

std::optional<uint32_t> RegistryKey::ReadDword(std::string_view name) const {
    if (!node_) return std::nullopt;
    const RegistryValue* v = node_->FindValue(name);
    return v ? v->dword : std::nullopt;
}

bool RegistryKey::WriteDword(std::string_view name, uint32_t value) const {
    if (!node_ || !writable_) return false;
    node_->SetDword(name, value);
    return true;
}

RegistryReader::RegistryReader(const std::string& path) {
    if (path.empty()) return;
    std::string text;
    if (ReadFileText(path, &text, nullptr) == ReadStatus::kRead && text.size() <= kMaxSettingsFileSize) {
        tree_ = ParseRegistryText(text);
    }
}

RegistryWriter::RegistryWriter(const std::string& path) : path_(path) { Open(); }

RegistryWriter::~RegistryWriter() {
    if (lockFd_ >= 0) close(lockFd_);  // closing the only descriptor releases the flock
}

void RegistryWriter::Open() {
    if (path_.empty()) return;
    // Replace the target of a link, not the link: users keep settings files in other places.
    struct stat st {};
    if (lstat(path_.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        std::unique_ptr<char, decltype(&free)> target(realpath(path_.c_str(), nullptr), &free);
        if (!target) return;
        path_ = target.get();
    }
    MakeFolders(ParentOf(path_));
    const int fd = LockWithDeadline(path_ + ".lock");
    if (fd < 0) return;
    switch (ReadFileText(path_, &oldText_, &mode_)) {
        case ReadStatus::kFailed:
            close(fd);  // never replace what could not be read
            return;
        case ReadStatus::kMissing:
            break;
        case ReadStatus::kRead:
            existed_ = true;
            if (oldText_.size() > kMaxSettingsFileSize) {
                canonical_ = false;
            } else {
                tree_ = ParseRegistryText(oldText_);
                // An empty file has nothing to lose; any other difference may be a user's.
                canonical_ = oldText_.empty() || SerializeRegistryText(tree_) == oldText_;
            }
            break;
    }
    lockFd_ = fd;
}

bool RegistryWriter::Commit() {
    if (!IsOpen()) return false;
    std::string text = SerializeRegistryText(tree_);
    if (existed_ && canonical_ && text == oldText_) return true;
    if (existed_ && !canonical_ && !KeepBackup(path_)) return false;
    if (!ReplaceAtomically(path_, text, mode_)) return false;
    oldText_ = std::move(text);
    existed_ = true;
    canonical_ = true;
    return true;
}

}  // namespace rezive::platform
