#include "platform/usb/usb_device_file.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>

#include "platform/device_file.h"
#include "platform/device_problem.h"
#include "platform/usb/usb_bus.h"
#include "platform/usb/usb_camera_table.h"

namespace rezive::platform::usb {
namespace {

constexpr int32_t kSlots = 32;
// Files and character devices may change without a hot-plug event.
constexpr auto kSlotMapAge = std::chrono::seconds(1);

int32_t (*g_reservedSlots)() = nullptr;

std::string Hex4(uint16_t v) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", v);
    return text;
}

// "USB camera 1-2 (1209:0001, /dev/bus/usb/001/002)": what a user finds the device by.
std::string Describe(const UsbDeviceRecord& record) {
    return "USB camera " + record.Location() + " (" + Hex4(record.id.vendor) + ":" +
           Hex4(record.id.product) + ", " + record.Node() + ")";
}

class UsbDeviceFile final : public DeviceFile {
public:
    UsbDeviceFile(std::shared_ptr<UsbCamera> camera, std::string path, std::string name)
        : camera_(std::move(camera)),
          path_(std::move(path)),
          name_(std::move(name)),
          // A problem still reported (from an earlier handle) goes with the next answer.
          unanswered_(DeviceProblemOf(path_).cause != DeviceCause::kNone) {}
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
        int result = LIBUSB_SUCCESS;
        const bool ok =
            camera_->Transfer(pipe, static_cast<uint8_t*>(out), outSize, &done, &result);
        if (pipe != 2) NoteAnswer(ok, result);
        if (bytesDone) *bytesDone = done;
        return ok;
    }

private:
    // A command or answer packet that fails means the camera no longer answers; the user is
    // told so where the failure is reported. Image time-outs are not counted: in trigger mode
    // they end every wait without a trigger.
    void NoteAnswer(bool ok, int result) {
        if (ok) {
            if (unanswered_) ClearDeviceProblem(path_, false);
            unanswered_ = false;
            return;
        }
        unanswered_ = true;
        std::string why;
        switch (result) {
            case LIBUSB_ERROR_TIMEOUT:
                why = "does not respond: a command packet timed out after " +
                      std::to_string(kPacketTimeoutMs) + " ms";
                break;
            case LIBUSB_ERROR_NO_DEVICE: why = "was unplugged"; break;
            case LIBUSB_ERROR_PIPE: why = "does not respond: it stalled a command pipe"; break;
            default:
                why = std::string("does not respond: a command packet failed (") +
                      libusb_strerror(static_cast<libusb_error>(result)) + ")";
                break;
        }
        ReportDeviceProblem(path_,
                            result == LIBUSB_ERROR_NO_DEVICE ? DeviceCause::kNoDevice
                                                             : DeviceCause::kNotResponding,
                            name_ + " " + why, false);
    }

    std::shared_ptr<UsbCamera> camera_;
    const std::string path_;
    const std::string name_;
    bool unanswered_;
};

struct SlotMap {
    bool valid = false;
    uint64_t generation = 0;
    int32_t reserved = 0;
    std::string envIds;
    std::chrono::steady_clock::time_point made;
    std::map<int32_t, UsbDeviceRecord> cameras;
};

// A refused open, remembered for a moment: setting a camera up takes hundreds of
// open-exchange-close rounds, and each refusal costs the system a device open and a claim.
struct Refusal {
    std::chrono::steady_clock::time_point when;
    uint64_t generation = 0;
    DeviceProblem problem;
};
constexpr auto kRefusalAge = std::chrono::milliseconds(1000);

struct State {
    Mutex mutex;
    SlotMap map RZ_GUARDED_BY(mutex);
    // By location: why the last open failed, and the address of the device it failed on (a
    // device plugged into the same port again is another device, without that problem).
    std::map<std::string, std::pair<uint8_t, std::string>> problems RZ_GUARDED_BY(mutex);
    std::map<std::string, Refusal> refusals RZ_GUARDED_BY(mutex);  // by location
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
// reserved slots changed, or when it is older than kSlotMapAge.
const SlotMap& CurrentMap(UsbBus& bus, State& state) RZ_REQUIRES(state.mutex) {
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
    ClearDeviceProblemsWithPrefix("usb:");
    for (auto& record : bus.Scan()) {
        // Listed as a camera but shaped otherwise: it gets no slot, and a failure to find a
        // camera in a slot says why this one is not there.
        if (Contains(ids, record.id) && !record.pipes.ok) {
            ReportDeviceProblem("usb:" + record.Location(), DeviceCause::kNotACamera,
                                Describe(record) + ": in the id table but not a camera: " +
                                    record.pipes.why,
                                true);
        }
        if (!IsCamera(record, ids)) continue;
        while (slot < kSlots && CharDeviceExists(slot)) ++slot;
        if (slot >= kSlots) break;
        map.cameras.emplace(slot++, std::move(record));
    }
    return map;
}

// The kernel driver bound to the camera's interface 0, from sysfs; empty when none is.
std::string KernelDriverOf(const UsbDeviceRecord& record) {
    const std::string link = "/sys/bus/usb/devices/" + record.Location() + ":1.0/driver";
    char target[256];
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0) return "";
    target[n] = '\0';
    const char* slash = std::strrchr(target, '/');
    return slash ? slash + 1 : target;
}

// Why opening the camera failed, in words that say what to do. libusb's own words ("Other
// error") tell a user nothing.
DeviceProblem ProblemOf(const UsbDeviceRecord& record, int error) {
    const std::string name = Describe(record);
    switch (error) {
        case LIBUSB_ERROR_ACCESS:
            return {DeviceCause::kPermission,
                    name + ": no permission: install the udev rule 70-rezive-usb.rules (and log "
                           "in again) or join the group video",
                    true};
        case LIBUSB_ERROR_BUSY:
            return {DeviceCause::kBusy, name + ": " + HeldByText(record.Node(), KernelDriverOf(record)),
                    true};
        case LIBUSB_ERROR_NO_DEVICE:
        case LIBUSB_ERROR_NOT_FOUND:
            return {DeviceCause::kNoDevice, name + ": unplugged while it was being opened", true};
        case LIBUSB_ERROR_TIMEOUT:
        case LIBUSB_ERROR_IO:
        case LIBUSB_ERROR_PIPE:
            return {DeviceCause::kNotResponding,
                    name + ": does not respond to the system (reconnect it; try another port or "
                           "cable)",
                    true};
        case LIBUSB_ERROR_NOT_SUPPORTED:
            return {DeviceCause::kOther,
                    name + ": this system offers no user-space USB access to it (usbfs)", true};
        case LIBUSB_ERROR_NO_MEM:
            return {DeviceCause::kOther, name + ": out of memory while opening it", true};
        default:
            return {DeviceCause::kOther,
                    name + ": the system refused to open it or to claim its interface 0 (" +
                        libusb_strerror(static_cast<libusb_error>(error)) +
                        "): reconnect it, and see the system log (journalctl -k)",
                    true};
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
        MutexLock lock(state.mutex);
        const SlotMap& map = CurrentMap(*bus, state);
        const auto it = map.cameras.find(slot);
        if (it == map.cameras.end()) return std::nullopt;
        record = it->second;
    }
    {
        MutexLock lock(state.mutex);
        const auto it = state.refusals.find(record.Location());
        if (it != state.refusals.end() && it->second.generation == bus->Generation() &&
            std::chrono::steady_clock::now() - it->second.when < kRefusalAge) {
            ReportDeviceProblem(path, it->second.problem.cause, it->second.problem.reason, true);
            return std::unique_ptr<DeviceFile>();
        }
    }
    int error = LIBUSB_SUCCESS;
    auto camera = AcquireCamera(bus, record, &error);
    if (!camera) {
        DeviceProblem problem = ProblemOf(record, error);
        {
            MutexLock lock(state.mutex);
            // The listing shows the problem after the location and ids it already prints.
            state.problems[record.Location()] = {record.address,
                                                 problem.reason.substr(Describe(record).size() + 2)};
            state.refusals[record.Location()] =
                Refusal{std::chrono::steady_clock::now(), bus->Generation(), problem};
        }
        ReportDeviceProblem(path, problem.cause, std::move(problem.reason), true);
        return std::unique_ptr<DeviceFile>();
    }
    {
        MutexLock lock(state.mutex);
        state.problems.erase(record.Location());
        state.refusals.erase(record.Location());
    }
    ClearDeviceProblem(path, true);
    return std::unique_ptr<DeviceFile>(new UsbDeviceFile(std::move(camera), path, Describe(record)));
}

// The cameras of the id table on the bus, each opened (its handle is shared, so one that is in
// use here opens at once) to say whether it can be used and why not.
void ListUsbCameras(std::vector<AttachedDevice>& out) {
    auto bus = UsbBus::Get();
    if (!bus) return;
    const auto ids = LoadUsbIdTable();
    State& state = TheState();
    std::map<int32_t, UsbDeviceRecord> cameras;
    std::vector<UsbDeviceRecord> records;
    {
        MutexLock lock(state.mutex);
        cameras = CurrentMap(*bus, state).cameras;
        records = bus->Scan();
    }
    for (const auto& record : records) {
        if (!Contains(ids, record.id)) continue;
        AttachedDevice device;
        device.location = Describe(record);
        for (const auto& [slot, camera] : cameras) {
            if (camera.device == record.device) device.slot = slot;
        }
        if (!record.pipes.ok) {
            device.cause = DeviceCause::kNotACamera;
            device.reason = device.location + ": in the id table but not a camera: " + record.pipes.why;
        } else if (device.slot < 0) {
            device.cause = DeviceCause::kOther;
            device.reason = device.location + ": no free device slot (32 cameras at most)";
        } else {
            int error = LIBUSB_SUCCESS;
            if (auto camera = AcquireCamera(bus, record, &error)) {
                ReleaseCamera(camera);
                // It opens now: a refusal remembered from a moment ago no longer holds.
                MutexLock lock(state.mutex);
                state.refusals.erase(record.Location());
            } else {
                DeviceProblem problem = ProblemOf(record, error);
                device.cause = problem.cause;
                device.reason = std::move(problem.reason);
            }
        }
        out.push_back(std::move(device));
    }
}

}  // namespace

void RegisterUsbBackend(int32_t (*reservedSlots)()) {
    static std::once_flag once;
    std::call_once(once, [reservedSlots] {
        g_reservedSlots = reservedSlots;
        RegisterDeviceBackend(ServePath);
        RegisterDeviceLister(ListUsbCameras);
    });
    if (auto bus = UsbBus::Get()) bus->SetIdleTask([] { CloseIdleCameras(false); });
}

std::string DescribeUsbDevices(bool all) {
    auto bus = UsbBus::Get();
    if (!bus) return "";
    const auto ids = LoadUsbIdTable();
    State& state = TheState();
    MutexLock lock(state.mutex);
    const SlotMap& map = CurrentMap(*bus, state);
    std::string text;
    for (const auto& record : bus->Scan()) {
        const bool listed = Contains(ids, record.id);
        const bool shaped = record.pipes.ok && record.vendorClass;
        if (!all && !listed && !shaped) continue;
        std::string status;
        if (const auto p = state.problems.find(record.Location());
            p != state.problems.end() && p->second.first == record.address) {
            status = p->second.second;
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
        MutexLock lock(state.mutex);
        state.map.valid = false;
        state.problems.clear();
        state.refusals.clear();
    }
    return CloseIdleCameras(true);
}

}  // namespace rezive::platform::usb
