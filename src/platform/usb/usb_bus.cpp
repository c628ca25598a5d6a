#include "platform/usb/usb_bus.h"

#include <algorithm>
#include <cstdio>

#include "platform/usb/usb_camera_table.h"

namespace rezive::platform::usb {
namespace {

// How often the event thread wakes without events: the idle task's period.
constexpr int kEventWakeMs = 200;

Mutex g_busMutex;
std::shared_ptr<UsbBus> g_bus RZ_GUARDED_BY(g_busMutex);
// libusb could not start: do not retry at every open.
bool g_busFailed RZ_GUARDED_BY(g_busMutex) = false;

std::vector<InterfaceShape> ShapeOf(libusb_device* device) {
    std::vector<InterfaceShape> shapes;
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) != 0 &&
        libusb_get_config_descriptor(device, 0, &config) != 0) {
        return shapes;
    }
    for (int i = 0; i < config->bNumInterfaces; ++i) {
        const libusb_interface& interface = config->interface[i];
        for (int a = 0; a < interface.num_altsetting; ++a) {
            const libusb_interface_descriptor& d = interface.altsetting[a];
            InterfaceShape shape;
            shape.number = d.bInterfaceNumber;
            shape.alternate = d.bAlternateSetting;
            shape.interfaceClass = d.bInterfaceClass;
            for (int e = 0; e < d.bNumEndpoints; ++e) {
                shape.endpoints.push_back({d.endpoint[e].bEndpointAddress, d.endpoint[e].bmAttributes});
            }
            shapes.push_back(std::move(shape));
        }
    }
    libusb_free_config_descriptor(config);
    return shapes;
}

// Unloading the library (or leaving the program) gives back the cameras' interfaces that only
// linger for a reuse that will not come — another program waiting for the camera gets it at
// once — and stops the event thread before libusb goes.
struct StopAtExit {
    ~StopAtExit() {
        CloseIdleCameras(true);
        UsbBus::StopProcessBus();
    }
} g_stopAtExit;

}  // namespace

std::string UsbDeviceRecord::Location() const {
    std::string text = std::to_string(bus) + "-";
    for (size_t i = 0; i < ports.size(); ++i) {
        if (i > 0) text += '.';
        text += std::to_string(ports[i]);
    }
    return text;
}

std::string UsbDeviceRecord::Node() const {
    char node[48];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", bus, address);
    return node;
}

std::shared_ptr<UsbBus> UsbBus::Get() {
    MutexLock lock(g_busMutex);
    if (g_bus || g_busFailed) return g_bus;
    libusb_context* context = nullptr;
    if (libusb_init(&context) != 0) {
        g_busFailed = true;
        return nullptr;
    }
    g_bus.reset(new UsbBus(context));
    return g_bus;
}

void UsbBus::StopProcessBus() {
    std::shared_ptr<UsbBus> bus;
    {
        MutexLock lock(g_busMutex);
        bus = std::move(g_bus);
        g_busFailed = false;
    }
    if (bus) bus->Stop();
}

UsbBus::UsbBus(libusb_context* context) : context_(context) {
    if (libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG)) {
        hotplug_ = libusb_hotplug_register_callback(
                       context_,
                       static_cast<libusb_hotplug_event>(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED |
                                                         LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
                       static_cast<libusb_hotplug_flag>(0), LIBUSB_HOTPLUG_MATCH_ANY,
                       LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY, OnHotplug, this,
                       &hotplugHandle_) == LIBUSB_SUCCESS;
    }
    thread_ = std::thread([this] { Run(); });
}

UsbBus::~UsbBus() {
    Stop();
    if (hotplug_) libusb_hotplug_deregister_callback(context_, hotplugHandle_);
    libusb_exit(context_);
}

int UsbBus::OnHotplug(libusb_context*, libusb_device*, libusb_hotplug_event, void* self) {
    static_cast<UsbBus*>(self)->generation_.fetch_add(1);
    return 0;  // stay registered
}

void UsbBus::Run() {
    while (stop_.load() == 0) {
        timeval wake{0, kEventWakeMs * 1000};
        int completed = 0;
        libusb_handle_events_timeout_completed(context_, &wake, &completed);
        std::function<void()> task;
        {
            MutexLock lock(taskMutex_);
            task = idleTask_;
        }
        if (task) task();
    }
}

void UsbBus::Stop() {
    if (!thread_.joinable()) return;
    stop_.store(1);
    libusb_interrupt_event_handler(context_);
    thread_.join();
}

void UsbBus::SetIdleTask(std::function<void()> task) {
    MutexLock lock(taskMutex_);
    idleTask_ = std::move(task);
}

std::vector<UsbDeviceRecord> UsbBus::Scan() {
    std::vector<UsbDeviceRecord> records;
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context_, &list);
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device* device = list[i];
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(device, &descriptor) != 0) continue;
        UsbDeviceRecord record;
        record.device = std::shared_ptr<libusb_device>(libusb_ref_device(device), libusb_unref_device);
        record.bus = libusb_get_bus_number(device);
        record.address = libusb_get_device_address(device);
        uint8_t ports[8];
        const int depth = libusb_get_port_numbers(device, ports, sizeof ports);
        if (depth > 0) record.ports.assign(ports, ports + depth);
        record.id = {descriptor.idVendor, descriptor.idProduct};
        const auto shapes = ShapeOf(device);
        record.vendorClass = IsVendorClass(descriptor.bDeviceClass, shapes);
        record.pipes = MapCameraPipes(shapes);
        records.push_back(std::move(record));
    }
    if (count >= 0) libusb_free_device_list(list, 1);
    std::sort(records.begin(), records.end(), [](const UsbDeviceRecord& a, const UsbDeviceRecord& b) {
        if (a.bus != b.bus) return a.bus < b.bus;
        return a.ports < b.ports;
    });
    return records;
}

}  // namespace rezive::platform::usb
