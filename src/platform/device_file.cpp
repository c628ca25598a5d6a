#include "platform/device_file.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

#include "platform/mutex.h"

namespace rezive::platform {
namespace {

// Few backends exist (the emulated camera, a user-space USB driver); a fixed table keeps an
// open from allocating and lets it copy the table and call the backends outside the lock, so a
// slow open never holds up a registration or another open.
constexpr size_t kMaxBackends = 8;

struct Registry {
    Mutex mutex;
    std::array<DeviceBackend, kMaxBackends> backends GUARDED_BY(mutex) = {};
    size_t count GUARDED_BY(mutex) = 0;
    std::array<DeviceLister, kMaxBackends> listers GUARDED_BY(mutex) = {};
    size_t listerCount GUARDED_BY(mutex) = 0;
};

// Never destroyed: devices may still be opened by threads that outlive static destruction.
Registry& TheRegistry() {
    static Registry* registry = new Registry;
    return *registry;
}

}  // namespace

int32_t DeviceSlotOfPath(const char* path) {
    if (path == nullptr) return -1;
    const size_t prefix = sizeof kDevicePathPrefix - 1;
    if (std::strncmp(path, kDevicePathPrefix, prefix) != 0) return -1;
    if (path[prefix] == '\0' || path[prefix + 1] != '\0') return -1;
    const char* found = std::strchr(kDeviceSlotSuffixes, path[prefix]);
    return found != nullptr ? static_cast<int32_t>(found - kDeviceSlotSuffixes) : -1;
}

namespace {

// Adds `entry` once to the first `count` places of `table`; false when the table is full.
template <typename Entry>
bool AddOnce(std::array<Entry, kMaxBackends>& table, size_t& count, Entry entry) {
    const auto end = table.begin() + static_cast<std::ptrdiff_t>(count);
    if (std::find(table.begin(), end, entry) != end) return true;
    if (count == kMaxBackends) return false;
    table[count++] = entry;
    return true;
}

}  // namespace

bool RegisterDeviceBackend(DeviceBackend backend) {
    if (backend == nullptr) return false;
    Registry& registry = TheRegistry();
    MutexLock lock(registry.mutex);
    return AddOnce(registry.backends, registry.count, backend);
}

std::unique_ptr<DeviceFile> OpenDeviceFile(const char* path) {
    if (path == nullptr) return nullptr;
    std::array<DeviceBackend, kMaxBackends> backends;
    size_t count;
    {
        Registry& registry = TheRegistry();
        MutexLock lock(registry.mutex);
        backends = registry.backends;
        count = registry.count;
    }
    for (size_t i = 0; i < count; ++i) {
        if (auto served = backends[i](path)) return std::move(*served);
    }
    return OpenCharDevice(path);
}

bool RegisterDeviceLister(DeviceLister lister) {
    if (lister == nullptr) return false;
    Registry& registry = TheRegistry();
    MutexLock lock(registry.mutex);
    return AddOnce(registry.listers, registry.listerCount, lister);
}

std::vector<AttachedDevice> ListAttachedDevices() {
    std::array<DeviceLister, kMaxBackends> listers;
    size_t count;
    {
        Registry& registry = TheRegistry();
        MutexLock lock(registry.mutex);
        listers = registry.listers;
        count = registry.listerCount;
    }
    std::vector<AttachedDevice> devices;
    for (size_t i = 0; i < count; ++i) listers[i](devices);
    ListCharDevices(devices);
    return devices;
}

}  // namespace rezive::platform
