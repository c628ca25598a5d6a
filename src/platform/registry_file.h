// The per-user settings tree in its file: read a snapshot of it, or change it under its lock.
//
// Readers never lock: writers replace the file atomically (atomic_file.h), so a reader sees a
// whole old or a whole new file. A writer holds the file's lock ("<file>.lock") from reading the
// file to replacing it, so two processes saving different keys at once both keep theirs.
//
// Damage: whatever does not parse is skipped when reading. Before a writer replaces a file
// whose text is not exactly what the writer itself would have written for what it read
// (damage, hand edits, comments, other line endings), it keeps the old file as
// "<file>.bak", or "<file>.bak.1", ".bak.2", ... up to ".bak.999": the first name that is free.
// An existing backup is never replaced; when no name is free the write is refused.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/atomic_file.h"
#include "platform/registry_tree.h"

namespace rezive::platform {

// REZIVE_SETTINGS_FILE when set, else $XDG_CONFIG_HOME/Ruredo/Rezive417DIRVUDSdk.reg with
// ~/.config standing in for an unset or relative XDG_CONFIG_HOME. Empty when there is no home.
std::string SettingsFilePath();

inline constexpr int kMaxBackups = 1000;

// A key of an open tree; a closed key (false) when it does not exist or could not be created.
// Keys of a reader are read-only. A key lives as long as the reader or writer it came from.
class RegistryKey {
public:
    RegistryKey() = default;
    explicit operator bool() const { return node_ != nullptr; }

    // An existing subkey; the path may hold several names separated by '\'.
    RegistryKey Open(std::string_view path) const;
    // The subkey, created (with the keys leading to it) when missing. Writers only.
    RegistryKey Create(std::string_view path) const;

    // The value when it exists and is a dword (values of other types read as missing).
    std::optional<uint32_t> ReadDword(std::string_view name) const;
    bool WriteDword(std::string_view name, uint32_t value) const;

private:
    friend class RegistryReader;
    friend class RegistryWriter;
    RegistryKey(RegistryNode* node, bool writable) : node_(node), writable_(writable) {}

    RegistryNode* node_ = nullptr;
    bool writable_ = false;
};

// A snapshot of the file taken at construction. A missing, unreadable or damaged file reads as
// the part of it that parses (possibly nothing).
class RegistryReader {
public:
    explicit RegistryReader(const std::string& path);
    RegistryKey CurrentUser() { return RegistryKey(&tree_, false); }

private:
    RegistryNode tree_;
};

// Read-modify-write of the file. The constructor creates missing folders, takes the lock (or
// gives up after a few seconds) and reads the file; Commit() writes the changes atomically. The
// lock is released by the destructor; nothing is written without Commit().
class RegistryWriter {
public:
    explicit RegistryWriter(const std::string& path);
    RegistryWriter(const RegistryWriter&) = delete;
    RegistryWriter& operator=(const RegistryWriter&) = delete;

    // False when the lock could not be taken or the existing file could not be read: such a
    // writer gives closed keys and commits nothing.
    bool IsOpen() const { return lock_.Held(); }
    RegistryKey CurrentUser() { return IsOpen() ? RegistryKey(&tree_, true) : RegistryKey(); }

    // Keeps a backup of a file that was not in canonical form, writes a temporary file beside
    // it, flushes it and renames it over the file. True when the file holds the tree (also
    // when nothing changed and no write was needed).
    bool Commit();

private:
    void Open();

    std::string path_;  // the file itself (a symbolic link is followed to its target)
    FileLock lock_;
    bool existed_ = false;
    bool canonical_ = true;  // the old text is exactly what Serialize gives for tree_
    uint32_t mode_ = 0600;   // kept from the old file
    std::string oldText_;
    RegistryNode tree_;
};

}  // namespace rezive::platform
