#include "virtual_camera/virtual_device_file.h"

#include <cstdlib>
#include <mutex>
#include <optional>

#include "virtual_camera/virtual_camera.h"

namespace rezive::virtual_camera {
namespace {

constexpr int32_t kSlots = 32;

class VirtualDeviceFile final : public platform::DeviceFile {
public:
    explicit VirtualDeviceFile(VirtualCamera& camera) : camera_(camera) {}
    bool Open() { return camera_.Open(&file_); }
    bool Control(uint32_t code, const void* in, uint32_t inSize, void* out, uint32_t outSize,
                 uint32_t* bytesDone) override {
        return camera_.Control(&file_, code, in, inSize, out, outSize, bytesDone);
    }

private:
    VirtualCamera& camera_;
    VirtualCamera::OpenFile file_;
};

std::optional<std::unique_ptr<platform::DeviceFile>> ServePath(const char* path) {
    bool served = false;
    auto file = OpenVirtualDevice(path, &served);
    if (!served) return std::nullopt;
    return file;
}

}  // namespace

int32_t EnabledCameraCount() {
    const char* text = std::getenv("REZIVE_VIRTUAL_CAMERAS");
    if (text == nullptr) return 0;
    const long n = std::strtol(text, nullptr, 10);
    return n < 0 ? 0 : n > kSlots ? kSlots : static_cast<int32_t>(n);
}

VirtualCamera& CameraAt(int32_t slot) {
    // Cameras live as long as the process: a handle may outlive any owner we could name.
    static platform::Mutex mutex;
    static VirtualCamera* cameras[kSlots] RZ_GUARDED_BY(mutex) = {};
    const int32_t s = slot < 0 ? 0 : slot >= kSlots ? kSlots - 1 : slot;
    platform::MutexLock lock(mutex);
    if (cameras[s] == nullptr) cameras[s] = new VirtualCamera(s);
    return *cameras[s];
}

std::unique_ptr<platform::DeviceFile> OpenVirtualDevice(const char* path, bool* served) {
    *served = false;
    if (path == nullptr) return nullptr;
    const int32_t slot = platform::DeviceSlotOfPath(path);
    if (slot < 0 || slot >= EnabledCameraCount()) return nullptr;
    *served = true;
    auto file = std::make_unique<VirtualDeviceFile>(CameraAt(slot));
    if (!file->Open()) return nullptr;
    return file;
}

void RegisterBackend() {
    static std::once_flag once;
    std::call_once(once, [] { platform::RegisterDeviceBackend(ServePath); });
}

}  // namespace rezive::virtual_camera
