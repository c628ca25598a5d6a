#include "platform/registry_file.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <vector>

namespace rezive::platform {
namespace {

// Far beyond any tree this library writes; a larger file is damage and is not parsed.
constexpr size_t kMaxSettingsFileSize = 16u << 20;
// A writer that cannot get the lock in this time gives up rather than hang a release behind a
// stopped process.
constexpr auto kLockDeadline = std::chrono::seconds(10);

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
    if (ReadWholeFile(path, kMaxSettingsFileSize, &text, nullptr) == ReadStatus::kRead &&
        text.size() <= kMaxSettingsFileSize) {
        tree_ = ParseRegistryText(text);
    }
}

RegistryWriter::RegistryWriter(const std::string& path) : path_(path) { Open(); }

void RegistryWriter::Open() {
    if (path_.empty()) return;
    // Replace the target of a link, not the link: users keep settings files in other places.
    struct stat st {};
    if (lstat(path_.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        std::unique_ptr<char, decltype(&free)> target(realpath(path_.c_str(), nullptr), &free);
        if (!target) return;
        path_ = target.get();
    }
    MakeParentFolders(path_);
    FileLock lock(path_, kLockDeadline);
    if (!lock.Held()) return;
    switch (ReadWholeFile(path_, kMaxSettingsFileSize, &oldText_, &mode_)) {
        case ReadStatus::kFailed:
            return;  // never replace what could not be read; the lock is let go on return
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
    lock_ = std::move(lock);
}

bool RegistryWriter::Commit() {
    if (!IsOpen()) return false;
    std::string text = SerializeRegistryText(tree_);
    if (existed_ && canonical_ && text == oldText_) return true;
    if (existed_ && !canonical_ && !KeepBackup(path_, kMaxBackups)) return false;
    if (!ReplaceAtomically(path_, text, mode_)) return false;
    oldText_ = std::move(text);
    existed_ = true;
    canonical_ = true;
    return true;
}

}  // namespace rezive::platform
