// The backend registry under concurrent use: devices are opened from several threads while
// backends are being registered, and an open that starts after a registration sees it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "platform/device_file.h"

namespace rezive::platform {
namespace {

class NullFile final : public DeviceFile {
public:
    bool Control(uint32_t, const void*, uint32_t, void*, uint32_t, uint32_t*) override {
        return false;
    }
};

// Distinct backends, each serving its own path "/fake/threaded/<N>".
template <int N>
std::optional<std::unique_ptr<DeviceFile>> ServeOne(const char* path) {
    char own[32];
    std::snprintf(own, sizeof own, "/fake/threaded/%d", N);
    if (std::strcmp(path, own) != 0) return std::nullopt;
    return std::make_unique<NullFile>();
}

TEST(DeviceBackendThreaded, OpensRaceRegistrations) {
    constexpr DeviceBackend kBackends[] = {ServeOne<0>, ServeOne<1>, ServeOne<2>, ServeOne<3>};
    constexpr int kCount = static_cast<int>(std::size(kBackends));
    std::atomic<int> registered{0};
    std::atomic<bool> failed{false};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);

    std::vector<std::thread> openers;
    for (int t = 0; t < 3; ++t) {
        openers.emplace_back([&] {
            // Opens until every backend has been seen serving its path. A backend counted as
            // registered before the open began must serve it.
            bool seen[kCount] = {};
            int seenCount = 0;
            while (seenCount < kCount && std::chrono::steady_clock::now() < deadline) {
                for (int i = 0; i < kCount; ++i) {
                    const bool mustServe = i < registered.load();
                    char path[32];
                    std::snprintf(path, sizeof path, "/fake/threaded/%d", i);
                    const bool served = OpenDeviceFile(path) != nullptr;
                    if (mustServe && !served) failed = true;
                    if (served && !seen[i]) {
                        seen[i] = true;
                        ++seenCount;
                    }
                }
            }
            if (seenCount < kCount) failed = true;
        });
    }
    std::thread registrar([&] {
        for (int i = 0; i < kCount; ++i) {
            // Each twice, from the one thread, while the openers run.
            if (!RegisterDeviceBackend(kBackends[i]) || !RegisterDeviceBackend(kBackends[i])) {
                failed = true;
            }
            registered = i + 1;
            std::this_thread::yield();
        }
    });
    registrar.join();
    for (auto& opener : openers) opener.join();
    EXPECT_FALSE(failed.load());
}

}  // namespace
}  // namespace rezive::platform
