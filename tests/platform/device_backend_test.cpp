// The backend registry of device files: which backend answers a path, that a backend serving a
// device it cannot open ends the search, and that registering twice changes nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <optional>

#include "platform/device_file.h"

namespace rezive::platform {
namespace {

class TaggedFile final : public DeviceFile {
public:
    explicit TaggedFile(int tag) : tag_(tag) {}
    bool Control(uint32_t, const void*, uint32_t, void*, uint32_t, uint32_t*) override {
        return false;
    }
    int Tag() const { return tag_; }

private:
    int tag_;
};

constexpr char kPrefix[] = "/fake/registry/";
std::atomic<int> g_firstAsked{0};
std::atomic<int> g_secondAsked{0};

bool UnderPrefix(const char* path) { return std::strncmp(path, kPrefix, sizeof kPrefix - 1) == 0; }

// Serves "one", and "unplugged" as a device of its own that cannot be opened now.
std::optional<std::unique_ptr<DeviceFile>> FirstBackend(const char* path) {
    ++g_firstAsked;
    if (!UnderPrefix(path)) return std::nullopt;
    const char* name = path + sizeof kPrefix - 1;
    if (std::strcmp(name, "one") == 0) return std::make_unique<TaggedFile>(1);
    if (std::strcmp(name, "unplugged") == 0) return std::unique_ptr<DeviceFile>();
    return std::nullopt;
}

// Serves every path under the prefix, so it shows any path the first backend let through.
std::optional<std::unique_ptr<DeviceFile>> SecondBackend(const char* path) {
    ++g_secondAsked;
    if (!UnderPrefix(path)) return std::nullopt;
    return std::make_unique<TaggedFile>(2);
}

class DeviceBackendTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(RegisterDeviceBackend(FirstBackend));
        ASSERT_TRUE(RegisterDeviceBackend(SecondBackend));
        // Again: still registered, and still only once, ahead of the second.
        ASSERT_TRUE(RegisterDeviceBackend(FirstBackend));
    }
    void SetUp() override {
        g_firstAsked = 0;
        g_secondAsked = 0;
    }
};

TEST_F(DeviceBackendTest, EachPathGoesToTheFirstBackendThatServesIt) {
    struct Case {
        const char* path;
        int tag;          // 0: no handle
        int firstAsked;   // a backend registered twice would be asked twice
        int secondAsked;
    };
    const Case cases[] = {
        {"/fake/registry/one", 1, 1, 0},
        {"/fake/registry/two", 2, 1, 1},
        // Served by the first backend but not openable: the second must not get it instead.
        {"/fake/registry/unplugged", 0, 1, 0},
        // Nobody's path: every backend declines, then the character device finds nothing.
        {"/fake/elsewhere/one", 0, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        g_firstAsked = 0;
        g_secondAsked = 0;
        std::unique_ptr<DeviceFile> file = OpenDeviceFile(c.path);
        if (c.tag == 0) {
            EXPECT_EQ(file, nullptr);
        } else {
            ASSERT_NE(file, nullptr);
            EXPECT_EQ(static_cast<TaggedFile&>(*file).Tag(), c.tag);
        }
        EXPECT_EQ(g_firstAsked.load(), c.firstAsked);
        EXPECT_EQ(g_secondAsked.load(), c.secondAsked);
    }
}

TEST_F(DeviceBackendTest, NullPathAndNullBackendAreRefused) {
    EXPECT_EQ(OpenDeviceFile(nullptr), nullptr);
    EXPECT_EQ(g_firstAsked.load(), 0);
    EXPECT_FALSE(RegisterDeviceBackend(nullptr));
    EXPECT_NE(OpenDeviceFile("/fake/registry/one"), nullptr);
}

}  // namespace
}  // namespace rezive::platform
