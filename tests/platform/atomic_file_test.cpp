#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "support/test_env.h"
#include "support/text_files.h"

namespace rezive::platform {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using test::FolderEntries;
using test::ReadText;
using test::WriteText;



std::string FreshFolder() {
    const std::string folder = test::TempPath(".d");
    fs::create_directories(folder);
    return folder;
}

TEST(AtomicFileTest, ReadWholeFileTellsMissingFromUnusable) {
    const std::string folder = FreshFolder();
    const std::string fifo = folder + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string file = folder + "/f";
    WriteText(file, "0123456789");
    chmod(file.c_str(), 0640);
    struct Case {
        std::string path;
        size_t limit;
        ReadStatus status;
        std::string text;
    };
    const Case cases[] = {
        {folder + "/missing", 100, ReadStatus::kMissing, ""},
        {folder, 100, ReadStatus::kFailed, ""},  // a folder
        {fifo, 100, ReadStatus::kFailed, ""},    // must not block waiting for a writer
        {file, 100, ReadStatus::kRead, "0123456789"},
        {file, 10, ReadStatus::kRead, "0123456789"},
        // Over the limit: enough is read to show it, so the caller can refuse the file.
        {file, 4, ReadStatus::kRead, "0123456789"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + " limit " + std::to_string(c.limit));
        std::string text = "stale";
        uint32_t mode = 0;
        EXPECT_EQ(ReadWholeFile(c.path, c.limit, &text, &mode), c.status);
        EXPECT_EQ(text, c.text);
        if (c.status == ReadStatus::kRead) {
            EXPECT_EQ(mode, 0640u);
        }
    }
}

TEST(AtomicFileTest, ReplaceKeepsOnlyTheFileAndRemovesStaleTemporaries) {
    const std::string folder = FreshFolder() + "/a/b";
    const std::string path = folder + "/file.reg";
    MakeParentFolders(path);
    struct stat st {};
    ASSERT_EQ(stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    WriteText(path + ".tmp.Ab12Cd", "left by a writer that died before its rename");
    WriteText(path + ".tmp.other-name", "not one of ours: wrong length");
    FileLock lock(path, milliseconds(1000));
    ASSERT_TRUE(lock.Held());
    ASSERT_TRUE(ReplaceAtomically(path, "new text", 0604));
    EXPECT_EQ(ReadText(path), "new text");
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(FolderEntries(folder),
              (std::set<std::string>{"file.reg", "file.reg.lock", "file.reg.tmp.other-name"}));

    // A failed replacement leaves the old file and no temporary behind.
    const std::string inMissingFolder = folder + "/no-such-folder/file.reg";
    EXPECT_FALSE(ReplaceAtomically(inMissingFolder, "x", 0600));
    EXPECT_EQ(ReadText(path), "new text");
}

TEST(AtomicFileTest, LockExcludesASecondHolderUntilReleased) {
    const std::string path = FreshFolder() + "/file";
    FileLock first(path, milliseconds(1000));
    ASSERT_TRUE(first.Held());
    // flock() conflicts between open descriptions, so a second lock in this process waits too.
    EXPECT_FALSE(FileLock(path, milliseconds(20)).Held());

    FileLock moved(std::move(first));
    EXPECT_FALSE(first.Held());  // NOLINT(bugprone-use-after-move): the moved-from state is the test
    EXPECT_TRUE(moved.Held());
    EXPECT_FALSE(FileLock(path, milliseconds(20)).Held());

    moved = FileLock();  // assigning over a held lock lets it go
    EXPECT_FALSE(moved.Held());
    EXPECT_TRUE(FileLock(path, milliseconds(1000)).Held());
}

TEST(AtomicFileTest, BackupTakesTheFirstFreeNameAndNeverReplacesOne) {
    const std::string folder = FreshFolder();
    const std::string path = folder + "/file";
    WriteText(path, "current");
    WriteText(path + ".bak", "older");
    ASSERT_TRUE(KeepBackup(path, 3));
    EXPECT_EQ(ReadText(path + ".bak"), "older");
    EXPECT_EQ(ReadText(path + ".bak.1"), "current");
    ASSERT_TRUE(KeepBackup(path, 3));
    EXPECT_EQ(ReadText(path + ".bak.2"), "current");
    EXPECT_FALSE(KeepBackup(path, 3));  // every name taken
    EXPECT_FALSE(fs::exists(path + ".bak.3"));
    EXPECT_FALSE(KeepBackup(folder + "/missing", 3));
    EXPECT_FALSE(fs::exists(folder + "/missing.bak"));  // the failed copy is not left behind
}

}  // namespace
}  // namespace rezive::platform
