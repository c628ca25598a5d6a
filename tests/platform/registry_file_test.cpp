#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>

#include "platform/registry_file.h"
#include "support/test_env.h"
#include "support/text_files.h"

namespace rezive::platform {
namespace {

namespace fs = std::filesystem;

using test::FolderEntries;
using test::ReadText;
using test::WriteText;


// Writes one value with a fresh writer, as every save of the settings store does.
bool Save(const std::string& path, const char* key, const char* name, uint32_t value) {
    RegistryWriter writer(path);
    RegistryKey k = writer.CurrentUser().Create(key);
    return k.WriteDword(name, value) && writer.Commit();
}

std::optional<uint32_t> Load(const std::string& path, const char* key, const char* name) {
    RegistryReader reader(path);
    return reader.CurrentUser().Open(key).ReadDword(name);
}

// A folder of its own per test: backups and temporary files are found by listing it.
std::string FreshFolder() {
    const std::string folder = rezive::test::TempPath("");
    fs::create_directories(folder);
    return folder;
}

class EnvGuard {
public:
    explicit EnvGuard(const char* name) : name_(name) {
        if (const char* v = std::getenv(name)) old_ = v;
    }
    ~EnvGuard() {
        if (old_) setenv(name_, old_->c_str(), 1);
        else unsetenv(name_);
    }
    void Set(const char* value) {
        if (value) setenv(name_, value, 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(RegistryFileTest, SettingsPathFollowsTheEnvironment) {
    EnvGuard file("REZIVE_SETTINGS_FILE"), xdg("XDG_CONFIG_HOME"), home("HOME");
    struct Case {
        const char *file, *xdg, *home, *expected;
    } cases[] = {
        {"/tmp/x.reg", "/cfg", "/home/u", "/tmp/x.reg"},
        {"", "/cfg", "/home/u", "/cfg/Ruredo/Rezive417DIRVUDSdk.reg"},
        {nullptr, nullptr, "/home/u", "/home/u/.config/Ruredo/Rezive417DIRVUDSdk.reg"},
        {nullptr, "relative/cfg", "/home/u", "/home/u/.config/Ruredo/Rezive417DIRVUDSdk.reg"},
    };
    for (const Case& c : cases) {
        file.Set(c.file);
        xdg.Set(c.xdg);
        home.Set(c.home);
        EXPECT_EQ(SettingsFilePath(), c.expected);
    }
}

TEST(RegistryFileTest, WriterCreatesFoldersAndLeavesOnlyTheFileAndItsLockBehind) {
    const std::string folder = FreshFolder();
    const std::string path = folder + "/a/b/settings.reg";
    ASSERT_TRUE(Save(path, "K", "v", 1));
    WriteText(path + ".tmp.Ab12Cd", "left by a writer that crashed before its rename");
    ASSERT_TRUE(Save(path, "K", "v", 0xFFFFFFECu));
    EXPECT_EQ(Load(path, "K", "v"), 0xFFFFFFECu);
    EXPECT_EQ(FolderEntries(folder + "/a/b"), (std::set<std::string>{"settings.reg", "settings.reg.lock"}));
    EXPECT_EQ(fs::status(folder + "/a").permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST(RegistryFileTest, ReaderOfAMissingOrUnusableFileSeesAnEmptyTree) {
    const std::string folder = FreshFolder();
    EXPECT_FALSE(Load(folder + "/missing.reg", "K", "v"));
    EXPECT_FALSE(Load(folder, "K", "v"));  // a folder in the file's place
    EXPECT_FALSE(Load("", "K", "v"));
    RegistryWriter onFolder(folder);
    EXPECT_FALSE(onFolder.IsOpen());
    EXPECT_FALSE(onFolder.CurrentUser().Create("K"));
    EXPECT_FALSE(onFolder.Commit());
}

TEST(RegistryFileTest, UnchangedTreeIsNotRewrittenAndPermissionsAreKept) {
    const std::string folder = FreshFolder();
    const std::string path = folder + "/s.reg";
    ASSERT_TRUE(Save(path, "K", "v", 1));
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    ASSERT_TRUE(Save(path, "K", "v", 1));
    struct stat after {};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);

    ASSERT_TRUE(Save(path, "K", "v", 2));
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino);  // replaced by rename, not written in place
    EXPECT_EQ(after.st_mode & 07777, 0640u);
}

TEST(RegistryFileTest, DamagedOrHandEditedFilesAreBackedUpOnceWithoutOverwritingBackups) {
    const std::string folder = FreshFolder();
    const std::string path = folder + "/s.reg";
    const std::string damaged = "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"old\"=dword:5\n\x01\x02 half a li";
    WriteText(path, damaged);
    WriteText(path + ".bak", "an older backup");

    ASSERT_TRUE(Save(path, "K", "new", 6));
    EXPECT_EQ(ReadText(path + ".bak"), "an older backup");
    EXPECT_EQ(ReadText(path + ".bak.1"), damaged);
    EXPECT_EQ(Load(path, "K", "old"), 5u);  // what parsed is carried over
    EXPECT_EQ(Load(path, "K", "new"), 6u);

    // The file is now in canonical form: further saves keep no backup.
    ASSERT_TRUE(Save(path, "K", "new", 7));
    EXPECT_FALSE(fs::exists(path + ".bak.2"));

    // A user's comment is not lost silently either.
    const std::string edited = ReadText(path) + "; my note\r\n";
    WriteText(path, edited);
    ASSERT_TRUE(Save(path, "K", "new", 8));
    EXPECT_EQ(ReadText(path + ".bak.2"), edited);

    // An empty file holds nothing worth keeping.
    WriteText(path, "");
    ASSERT_TRUE(Save(path, "K", "new", 9));
    EXPECT_FALSE(fs::exists(path + ".bak.3"));
}

TEST(RegistryFileTest, WriteIsRefusedWhenEveryBackupNameIsTaken) {
    const std::string folder = FreshFolder();
    const std::string path = folder + "/s.reg";
    WriteText(path, "damage");
    WriteText(path + ".bak", "b");
    for (int n = 1; n < kMaxBackups; ++n) WriteText(path + ".bak." + std::to_string(n), "b");
    EXPECT_FALSE(Save(path, "K", "v", 1));
    EXPECT_EQ(ReadText(path), "damage");
}

TEST(RegistryFileTest, SymbolicLinkKeepsPointingAtTheUpdatedTarget) {
    const std::string folder = FreshFolder();
    fs::create_directories(folder + "/real");
    const std::string target = folder + "/real/s.reg";
    ASSERT_TRUE(Save(target, "K", "v", 1));
    const std::string link = folder + "/link.reg";
    fs::create_symlink(target, link);
    ASSERT_TRUE(Save(link, "K", "v", 2));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Load(target, "K", "v"), 2u);
}

}  // namespace
}  // namespace rezive::platform
