#include "platform/usb/usb_camera_table.h"

#include <map>
#include <vector>

namespace rezive::platform::usb {
namespace {

struct Entry {
    std::shared_ptr<UsbCamera> camera;
    int users = 0;
    std::chrono::steady_clock::time_point idleSince;
};

struct Handles {
    Mutex mutex;
    // An unplugged device's handle lingers beside its successor.
    std::multimap<std::string, Entry> entries RZ_GUARDED_BY(mutex);
    std::map<std::string, uint32_t> imageTimeouts RZ_GUARDED_BY(mutex);  // by plugging
};

// Never destroyed: files may be closed by threads that outlive static destruction.
Handles& TheHandles() {
    static Handles* handles = new Handles;
    return *handles;
}

}  // namespace

void RememberImageTimeout(const std::string& plugging, uint32_t milliseconds) {
    Handles& handles = TheHandles();
    MutexLock lock(handles.mutex);
    handles.imageTimeouts[plugging] = milliseconds;
}

std::shared_ptr<UsbCamera> AcquireCamera(const std::shared_ptr<UsbBus>& bus,
                                         const UsbDeviceRecord& record, int* error) {
    Handles& handles = TheHandles();
    MutexLock lock(handles.mutex);
    const std::string key = record.Location();
    auto [first, last] = handles.entries.equal_range(key);
    for (auto it = first; it != last; ++it) {
        Entry& entry = it->second;
        if (!entry.camera->Gone() && entry.camera->Device() == record.device.get()) {
            ++entry.users;
            *error = LIBUSB_SUCCESS;
            return entry.camera;
        }
    }
    auto camera = UsbCamera::Open(bus, record, error);
    if (!camera) return nullptr;
    if (auto t = handles.imageTimeouts.find(camera->key_); t != handles.imageTimeouts.end()) {
        camera->imageTimeoutMs_.store(t->second);
    }
    handles.entries.emplace(key, Entry{camera, 1, {}});
    return camera;
}

void ReleaseCamera(const std::shared_ptr<UsbCamera>& camera) {
    std::shared_ptr<UsbCamera> closing;  // closed outside the lock
    Handles& handles = TheHandles();
    MutexLock lock(handles.mutex);
    for (auto it = handles.entries.begin(); it != handles.entries.end(); ++it) {
        Entry& entry = it->second;
        if (entry.camera != camera) continue;
        if (--entry.users == 0) {
            entry.idleSince = std::chrono::steady_clock::now();
            // An unplugged camera's handle is of no more use.
            if (camera->Gone()) {
                closing = std::move(entry.camera);
                handles.entries.erase(it);
            }
        }
        break;
    }
}

size_t CloseIdleCameras(bool all) {
    std::vector<std::shared_ptr<UsbCamera>> closing;
    Handles& handles = TheHandles();
    {
        MutexLock lock(handles.mutex);
        const auto now = std::chrono::steady_clock::now();
        for (auto it = handles.entries.begin(); it != handles.entries.end();) {
            const Entry& entry = it->second;
            if (entry.users == 0 && (all || now - entry.idleSince >= kLinger)) {
                closing.push_back(entry.camera);
                it = handles.entries.erase(it);
            } else {
                ++it;
            }
        }
    }
    closing.clear();
    MutexLock lock(handles.mutex);
    return handles.entries.size();
}

}  // namespace rezive::platform::usb
