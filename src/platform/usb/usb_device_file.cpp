#include "platform/usb/usb_device_file.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>

#include "platform/device_file.h"
#include "platform/usb/usb_bus.h"
#include "platform/usb/usb_camera.h"

namespace rezive::platform::usb {
namespace {

constexpr int32_t kSlots = 32;
// Files and character devices may change without a hot-plug event.
constexpr auto kSlotMapAge = std::chrono::seconds(1);

int32_t (*g_reservedSlots)() = nullptr;

class UsbDeviceFile final : public DeviceFile {
public:
    explicit UsbDeviceFile(std::shared_ptr<UsbCamera> camera) : camera_(std::move(camera)) {}
    ~UsbDeviceFile() override {
        camera_->ReleaseAnswers(this);
        ReleaseCamera(camera_);
    }

    bool Control(uint32_t code, const void* in, uint32_t inSize, void* out, uint32_t outSize,
                 uint32_t* bytesDone) override {
        if (bytesDone) *bytesDone = 0;
        if (code == kIoctlSetTimeout) {
            if (in == nullptr || inSize < 8) return false;
            uint32_t words[2];
            std::memcpy(words, in, sizeof words);
            if (words[0] == 1) camera_->SetImageTimeout(words[1]);
            return true;
        }
        if (code != kIoctlPipeTransfer && code != kIoctlPipeTransferIn && code != kIoctlLargeTransferIn) {
            return false;
        }
        if (in == nullptr || inSize < 4 || (out == nullptr && outSize > 0)) return false;
        uint32_t pipe;
        std::memcpy(&pipe, in, 4);  // little-endian host
        if (pipe >= kPipeCount) return false;
        if (pipe == 0) camera_->TakeAnswers(this);
        if (pipe == 2) camera_->ReleaseAnswers(this);
        uint32_t done = 0;
        const bool ok = camera_->Transfer(pipe, static_cast<uint8_t*>(out), outSize, &done);
        if (bytesDone) *bytesDone = done;
        return ok;
    }

private:
    std::shared_ptr<UsbCamera> camera_;
};

struct SlotMap {
    bool valid = false;
    uint64_t generation = 0;
    int32_t reserved = 0;
    std::string envIds;
    std::chrono::steady_clock::time_point made;
    std::map<int32_t, UsbDeviceRecord> cameras;
};

struct State {
    std::mutex mutex;
    SlotMap map;
    std::map<std::string, std::string> problems;  // by location: why the last open failed
};

// Never destroyed: devices may still be opened by threads that outlive static destruction.
State& TheState() {
    static State* state = new State;
    return *state;
}

bool CharDeviceExists(int32_t slot) {
    std::string node = kDevicePathPrefix;
    node += kDeviceSlotSuffixes[slot];
    return ::access(node.c_str(), F_OK) == 0;
}

bool IsCamera(const UsbDeviceRecord& record, const std::vector<UsbId>& ids) {
    return record.pipes.ok && Contains(ids, record.id);
}

// The map of USB cameras to slots, made again after a hot-plug event, when the id list or the
// reserved slots changed, or when it is older than kSlotMapAge. Caller holds the state lock.
const SlotMap& CurrentMap(UsbBus& bus, State& state) {
    const int32_t reserved = g_reservedSlots ? g_reservedSlots() : 0;
    const char* env = std::getenv("REZIVE_USB_IDS");
    const std::string envIds = env ? env : "";
    const auto now = std::chrono::steady_clock::now();
    SlotMap& map = state.map;
    if (map.valid && map.generation == bus.Generation() && map.reserved == reserved &&
        map.envIds == envIds && now - map.made < kSlotMapAge) {
        return map;
    }
    map = SlotMap{true, bus.Generation(), reserved, envIds, now, {}};
    const auto ids = LoadUsbIdTable();
    int32_t slot = reserved;
    for (auto& record : bus.Scan()) {
        if (!IsCamera(record, ids)) continue;
        while (slot < kSlots && CharDeviceExists(slot)) ++slot;
        if (slot >= kSlots) break;
        map.cameras.emplace(slot++, std::move(record));
    }
    return map;
}

std::string ProblemOf(int error) {
    switch (error) {
        case LIBUSB_ERROR_ACCESS:
            return "no permission: install the udev rule 70-rezive-usb.rules (and log in again) "
                   "or join the group video";
        case LIBUSB_ERROR_BUSY: return "in use by another program";
        case LIBUSB_ERROR_NO_DEVICE: return "unplugged";
        default: return std::string("cannot be opened: ") + libusb_strerror(error);
    }
}

std::optional<std::unique_ptr<DeviceFile>> ServePath(const char* path) {
    const int32_t slot = DeviceSlotOfPath(path);
    if (slot < 0 || slot >= kSlots) return std::nullopt;
    auto bus = UsbBus::Get();
    if (!bus) return std::nullopt;
    UsbDeviceRecord record;
    State& state = TheState();
    {
        std::lock_guard lock(state.mutex);
        const SlotMap& map = CurrentMap(*bus, state);
        const auto it = map.cameras.find(slot);
        if (it == map.cameras.end()) return std::nullopt;
        record = it->second;
    }
    int error = LIBUSB_SUCCESS;
    auto camera = AcquireCamera(bus, record, &error);
    std::lock_guard lock(state.mutex);
    if (!camera) {
        state.problems[record.Location()] = ProblemOf(error);
        return std::unique_ptr<DeviceFile>();
    }
    state.problems.erase(record.Location());
    return std::unique_ptr<DeviceFile>(new UsbDeviceFile(std::move(camera)));
}

std::string Hex4(uint16_t v) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", v);
    return text;
}

}  // namespace

void RegisterUsbBackend(int32_t (*reservedSlots)()) {
    static std::once_flag once;
    std::call_once(once, [reservedSlots] {
        g_reservedSlots = reservedSlots;
        RegisterDeviceBackend(ServePath);
    });
    if (auto bus = UsbBus::Get()) bus->SetIdleTask([] { CloseIdleCameras(false); });
}

std::string DescribeUsbDevices(bool all) {
    auto bus = UsbBus::Get();
    if (!bus) return "";
    const auto ids = LoadUsbIdTable();
    State& state = TheState();
    std::lock_guard lock(state.mutex);
    const SlotMap& map = CurrentMap(*bus, state);
    std::string text;
    for (const auto& record : bus->Scan()) {
        const bool listed = Contains(ids, record.id);
        const bool shaped = record.pipes.ok && record.vendorClass;
        if (!all && !listed && !shaped) continue;
        std::string status;
        if (const auto p = state.problems.find(record.Location()); p != state.problems.end()) {
            status = p->second;
        } else if (listed && !record.pipes.ok) {
            status = "in the id table but not a camera: " + record.pipes.why;
        } else if (listed) {
            status = "no free slot";
            for (const auto& [slot, camera] : map.cameras) {
                if (camera.device == record.device) status = "camera in slot " + std::to_string(slot);
            }
        } else if (shaped) {
            status = "has the camera's pipes; add " + Hex4(record.id.vendor) + ":" +
                     Hex4(record.id.product) + " to the id table to use it";
        } else {
            status = "not a camera: " + (record.pipes.ok ? std::string("not of the vendor class")
                                                         : record.pipes.why);
        }
        text += record.Location() + "  " + Hex4(record.id.vendor) + ":" + Hex4(record.id.product) +
                "  " + record.Node() + "  " + status + "\n";
    }
    return text;
}

size_t ResetUsbBackendForTesting() {
    {
        State& state = TheState();
        std::lock_guard lock(state.mutex);
        state.map.valid = false;
        state.problems.clear();
    }
    return CloseIdleCameras(true);
}

}  // namespace rezive::platform::usb
