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

// A registration table: entries in the order they came, each once.
template <typename Entry>
struct Table {
    std::array<Entry, kMaxBackends> entries = {};
    size_t count = 0;

    // False when the table is full.
    bool AddOnce(Entry entry) {
        const auto end = entries.begin() + static_cast<std::ptrdiff_t>(count);
        if (std::find(entries.begin(), end, entry) != end) return true;
        if (count == kMaxBackends) return false;
        entries[count++] = entry;
        return true;
    }
};

struct Registry {
    Mutex mutex;
    Table<DeviceBackend> backends RZ_GUARDED_BY(mutex);
    Table<DeviceLister> listers RZ_GUARDED_BY(mutex);
};

// Never destroyed: devices may still be opened by threads that outlive static destruction.
Registry& TheRegistry() {
    static Registry* registry = new Registry;
    return *registry;
}

// Copies of the tables, for calling their entries outside the lock.
Table<DeviceBackend> Backends() {
    Registry& registry = TheRegistry();
    MutexLock lock(registry.mutex);
    return registry.backends;
}

Table<DeviceLister> Listers() {
    Registry& registry = TheRegistry();
    MutexLock lock(registry.mutex);
    return registry.listers;
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

bool RegisterDeviceBackend(DeviceBackend backend) {
    if (backend == nullptr) return false;
    Registry& registry = TheRegistry();
    MutexLock lock(registry.mutex);
    return registry.backends.AddOnce(backend);
}

std::unique_ptr<DeviceFile> OpenDeviceFile(const char* path) {
    if (path == nullptr) return nullptr;
    const Table<DeviceBackend> backends = Backends();
    for (size_t i = 0; i < backends.count; ++i) {
        if (auto served = backends.entries[i](path)) return std::move(*served);
    }
    return OpenCharDevice(path);
}

bool RegisterDeviceLister(DeviceLister lister) {
    if (lister == nullptr) return false;
    Registry& registry = TheRegistry();
    MutexLock lock(registry.mutex);
    return registry.listers.AddOnce(lister);
}

std::vector<AttachedDevice> ListAttachedDevices() {
    const Table<DeviceLister> listers = Listers();
    std::vector<AttachedDevice> devices;
    for (size_t i = 0; i < listers.count; ++i) listers.entries[i](devices);
    ListCharDevices(devices);
    return devices;
}

}  // namespace rezive::platform
