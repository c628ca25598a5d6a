// Two real users on one machine, and a machine without usable shared memory, as rezive-cam sees
// them. Each case runs in a private mount namespace with its own tmpfs over /dev/shm, so the
// claim regions under their default names are exercised without touching the machine's; the
// second user is the unprivileged account nobody (setpriv). The cases need root and a mount
// namespace, and skip with a message where the machine has neither.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "cli_runner.h"

namespace rezive::test {
namespace {

// The shell functions of every case: the tool and its library copied where nobody may run
// them (the build tree's folders may be private to root), one settings file per user.
constexpr const char* kPrelude = R"sh(
set -u
unset REZIVE_SHARED_NAME
export REZIVE_VIRTUAL_CAMERAS=1
lib="$BIN/$(basename "$SDK" | sed 's/\(\.so\.[0-9]*\)\..*/\1/')"
cp "$CAM" "$BIN/rezive-cam" && cp "$SDK" "$lib" || exit 90
export LD_LIBRARY_PATH="$BIN"
as_root() { REZIVE_SETTINGS_FILE="$DIR/root.reg" "$BIN/rezive-cam" "$@"; }
as_user() {
  setpriv --reuid=65534 --regid=65534 --clear-groups \
    env REZIVE_SETTINGS_FILE="$DIR/user.reg" HOME="$DIR" "$BIN/rezive-cam" "$@"
}
# Waits, bounded, for a file to appear.
await() { for _ in $(seq 600); do [ -e "$1" ] && return 0; sleep 0.1; done; return 1; }
mount -t tmpfs -o mode=1777 tmpfs /dev/shm || exit 91
)sh";

struct Case {
    const char* name;
    const char* script;
    int status;                         // of the script: the last command's
    std::vector<std::string> expected;  // in stdout and stderr together
    std::vector<std::string> forbidden;
};

const Case kCases[] = {
    {"a second user after the first left its region",
     R"sh(as_root snapshot -o "$DIR/a.bmp" && as_user snapshot -o "$DIR/b.bmp" &&
        stat -c '%u %a %s %n' /dev/shm/*)sh",
     0,
     {"0 600 4587520 /dev/shm/RUREDO_USBCAMERA.0\n",
      "65534 600 4587520 /dev/shm/RUREDO_USBCAMERA.65534\n"},
     {"error"}},
    {"both users at once, one previewing and one taking a snapshot",
     R"sh(as_root preview --no-window --duration 20s > "$DIR/p.out" 2>&1 & p=$!
        await /dev/shm/RUREDO_USBCAMERA.0 || exit 92
        as_user snapshot -o "$DIR/b.bmp"; s=$?
        kill -INT $p; wait $p; r=$?; cat "$DIR/p.out"; echo "snapshot=$s preview=$r")sh",
     0,
     {"snapshot=0 preview=0"},
     {"error"}},
    {"another user's region under the old machine-wide name",
     R"sh(REZIVE_SHARED_NAME=RUREDO_USBCAMERA as_root snapshot -o "$DIR/a.bmp" &&
        as_user snapshot -o "$DIR/b.bmp" && stat -c '%u %a %n' /dev/shm/*)sh",
     0,
     {"0 600 /dev/shm/RUREDO_USBCAMERA\n", "65534 600 /dev/shm/RUREDO_USBCAMERA.65534\n"},
     {"error"}},
    {"a region under the user's name that another user planted",
     R"sh(touch /dev/shm/RUREDO_USBCAMERA.65534 && chmod 666 /dev/shm/RUREDO_USBCAMERA.65534 &&
        as_user snapshot -o "$DIR/b.bmp")sh",
     5,
     {"cannot open the camera claim region /dev/shm/RUREDO_USBCAMERA.65534: it belongs to "
      "another user (uid 0)"},
     {"no camera"}},
    {"a read-only /dev/shm, without a virtual camera asked for",
     R"sh(mount -o remount,ro /dev/shm && unset REZIVE_VIRTUAL_CAMERAS && as_user snapshot -o "$DIR/b.bmp")sh",
     5,
     {"error 5:", "cause: cannot open the camera claim region /dev/shm/RUREDO_USBCAMERA.65534: "
                  "Read-only file system"},
     {"no camera", "using a virtual camera"}},
    {"a /dev/shm too small for the region",
     R"sh(umount /dev/shm && mount -t tmpfs -o mode=1777,size=1m tmpfs /dev/shm &&
        as_user --json snapshot -o "$DIR/b.bmp")sh",
     5,
     {"No space left on device", R"sh("cause":)sh"},
     {"no camera"}},
    {"no /dev/shm at all",
     R"sh(touch "$DIR/null" && mount --bind /dev/null "$DIR/null" && mount -t tmpfs tmpfs /dev &&
        touch /dev/null && mount --bind "$DIR/null" /dev/null && as_root snapshot -o "$DIR/a.bmp")sh",
     5,
     {"/dev/shm/RUREDO_USBCAMERA.0: No such file or directory"},
     {"no camera"}},
};

// Whether this process may make the namespaces and users of the cases: root, unshare, setpriv.
std::string WhyNot() {
    if (geteuid() != 0) return "needs root to act as a second user and to mount";
    if (std::system("unshare -m --propagation private sh -c "
                    "'mount -t tmpfs tmpfs /mnt' >/dev/null 2>&1") != 0)
        return "cannot create a mount namespace here (unshare -m)";
    if (std::system("setpriv --reuid=65534 --regid=65534 --clear-groups true >/dev/null 2>&1") != 0)
        return "setpriv cannot switch to the user nobody";
    return {};
}

TEST(CliUsersTest, UsersAndMissingSharedMemory) {
    REZIVE_REQUIRE_CLI();
    if (const std::string why = WhyNot(); !why.empty()) GTEST_SKIP() << why;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        // A folder every user may enter, for the copied tool, settings and pictures; the test
        // process's own scratch folder is private to root.
        char dirTemplate[] = "/tmp/rezive-users-XXXXXX";
        ASSERT_NE(mkdtemp(dirTemplate), nullptr);
        const std::string dir = dirTemplate;
        ASSERT_EQ(chmod(dir.c_str(), 01777), 0);
        const std::string bin = dir + "/bin";
        ASSERT_EQ(mkdir(bin.c_str(), 0755), 0);
        const std::string script = std::string(kPrelude) + c.script + "\n";
        WriteText(dir + "/case.sh", script);
        const std::string command =
            "DIR='" + dir + "' BIN='" + bin + "' CAM='" REZIVE_CAM_PATH
            "' SDK='" REZIVE_SHARED_LIBRARY_PATH "' unshare -m --propagation private bash '" +
            dir + "/case.sh' > '" + dir + "/out' 2>&1";
        const int status = std::system(command.c_str());
        const std::string output = ReadText(dir + "/out");
        ASSERT_TRUE(WIFEXITED(status)) << output;
        EXPECT_EQ(WEXITSTATUS(status), c.status) << output;
        for (const std::string& text : c.expected) EXPECT_NE(output.find(text), std::string::npos) << text << "\n" << output;
        for (const std::string& text : c.forbidden) EXPECT_EQ(output.find(text), std::string::npos) << text << "\n" << output;
        std::system(("rm -rf '" + dir + "'").c_str());
    }
}

}  // namespace
}  // namespace rezive::test
