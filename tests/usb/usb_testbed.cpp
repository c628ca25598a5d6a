#include "usb_testbed.h"

// umockdev's header needs the kernel's ioctl macros first.
#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <umockdev.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/device_file.h"
#include "platform/device_file_linux.h"

namespace rezive::test {
namespace {

constexpr uint32_t kPipeCommand = 0, kPipeResponse = 1, kPipeImage = 2;

std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string text;
    char pair[3];
    for (uint8_t b : bytes) {
        std::snprintf(pair, sizeof pair, "%02x", b);
        text += pair;
    }
    return text;
}

// Device, configuration, interface and endpoint descriptors of one device.
std::vector<uint8_t> Descriptors(uint16_t vendor, uint16_t product, UsbShape shape) {
    std::vector<std::pair<uint8_t, uint8_t>> endpoints;  // address, attributes
    switch (shape) {
        case UsbShape::kCamera: endpoints = {{0x01, 2}, {0x82, 2}, {0x83, 2}}; break;
        case UsbShape::kTwoPipes: endpoints = {{0x01, 2}, {0x82, 2}}; break;
        case UsbShape::kInFirst: endpoints = {{0x81, 2}, {0x02, 2}, {0x83, 2}}; break;
    }
    std::vector<uint8_t> d = {18, 1, 0x00, 0x02, 0xFF, 0, 0, 64,
                              static_cast<uint8_t>(vendor), static_cast<uint8_t>(vendor >> 8),
                              static_cast<uint8_t>(product), static_cast<uint8_t>(product >> 8),
                              0x00, 0x01, 0, 0, 0, 1};
    const uint16_t total = static_cast<uint16_t>(9 + 9 + 7 * endpoints.size());
    const std::vector<uint8_t> config = {9, 2, static_cast<uint8_t>(total), static_cast<uint8_t>(total >> 8),
                                         1, 1, 0, 0x80, 50};
    const std::vector<uint8_t> interface = {9, 4, 0, 0, static_cast<uint8_t>(endpoints.size()), 0xFF, 0, 0, 0};
    d.insert(d.end(), config.begin(), config.end());
    d.insert(d.end(), interface.begin(), interface.end());
    for (auto [address, attributes] : endpoints) {
        const std::vector<uint8_t> e = {7, 5, address, attributes, 0x00, 0x02, 0};
        d.insert(d.end(), e.begin(), e.end());
    }
    return d;
}

struct Urb {
    explicit Urb(UMockdevIoctlData* d) : data(d) {}
    Urb(const Urb&) = delete;
    Urb& operator=(const Urb&) = delete;
    ~Urb() { g_object_unref(data); }
    UMockdevIoctlData* data;  // the client's usbdevfs_urb, resolved with its buffer
    bool discarded = false;
    usbdevfs_urb* Get() const { return reinterpret_cast<usbdevfs_urb*>(data->data); }
};

int NoCharDevice(const char*, int) {
    errno = ENOENT;
    return -1;
}

}  // namespace

void UseNoCharDevices(bool on) {
    static const platform::CharDeviceSyscalls none{NoCharDevice, platform::RealCharDeviceSyscalls().ioctl,
                                                   platform::RealCharDeviceSyscalls().close};
    platform::SetCharDeviceSyscallsForTesting(on ? &none : nullptr);
}

// One plugged device: the firmware side of its usbfs node.
class EmulatedUsbDevice {
public:
    EmulatedUsbDevice(UMockdevTestbed* bed, int port, int devnum, virtual_camera::VirtualCamera* camera,
                      uint16_t vendor, uint16_t product, UsbShape shape)
        : bed_(bed), camera_(camera) {
        char text[160];
        std::snprintf(text, sizeof text, "/sys/devices/pci0000:00/usb1/1-%d", port);
        sysPath_ = text;
        std::snprintf(text, sizeof text, "/dev/bus/usb/001/%03d", devnum);
        node_ = text;
        if (camera_ != nullptr) camera_->Open(&file_);
        handler_ = umockdev_ioctl_base_new();
        g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&EmulatedUsbDevice::OnIoctl), this);
        umockdev_testbed_attach_ioctl(bed_, node_.c_str(), handler_, nullptr);
        char record[2048];
        std::snprintf(record, sizeof record,
                      "P: /devices/pci0000:00/usb1/1-%d\nN: bus/usb/001/%03d\n"
                      "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\nE: BUSNUM=001\n"
                      "E: DEVNUM=%03d\nE: DEVNAME=%s\n"
                      "A: busnum=1\\n\nA: devnum=%d\\n\nA: bConfigurationValue=1\\n\nA: speed=480\\n\n"
                      "H: descriptors=%s\n",
                      port, devnum, devnum, node_.c_str(), devnum,
                      Hex(Descriptors(vendor, product, shape)).c_str());
        umockdev_testbed_add_from_string(bed_, record, nullptr);
        worker_ = std::thread([this] { ServeImages(); });
    }

    ~EmulatedUsbDevice() {
        Unplug();
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        worker_.join();
        umockdev_testbed_detach_ioctl(bed_, node_.c_str(), nullptr);
        g_object_unref(handler_);
    }

    void Unplug() {
        {
            std::lock_guard lock(mutex_);
            if (unplugged_) return;
            unplugged_ = true;
            // What was in flight ends with the device; a reap after the disconnect returns it.
            for (auto& urb : flying_) Finish(urb, -ENODEV, 0);
            flying_.clear();
            images_.clear();
        }
        changed_.notify_all();
        umockdev_testbed_uevent(bed_, sysPath_.c_str(), "remove");
        umockdev_testbed_remove_device(bed_, sysPath_.c_str());
    }

    void SetClaimErrno(int error) { claimErrno_ = error; }
    void SetSilent(bool silent) { silent_ = silent; }

    std::string Node() const { return node_; }
    uint64_t Submitted() const { return submitted_; }
    uint64_t Claims() const { return claims_; }

private:
    static gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
        return static_cast<EmulatedUsbDevice*>(self)->Handle(client);
    }
    // Like the kernel, a claim ends with the file that holds it: a process that exits (its
    // connection to the bus closes) holds nothing any more. Caller holds mutex_.
    bool ClaimHeldByOther(UMockdevIoctlClient* client) {
        if (claimOwner_ == nullptr || claimOwner_ == client) return false;
        if (umockdev_ioctl_client_get_connected(claimOwner_)) return true;
        SetClaimOwner(nullptr);
        return false;
    }
    void SetClaimOwner(UMockdevIoctlClient* client) {
        if (claimOwner_ != nullptr) g_object_unref(claimOwner_);
        claimOwner_ = client != nullptr ? static_cast<UMockdevIoctlClient*>(g_object_ref(client)) : nullptr;
    }

    struct PendingClaim {
        EmulatedUsbDevice* device;
        UMockdevIoctlClient* client;
        int polls;
    };
    gboolean DecideLater(UMockdevIoctlClient* client) {
        auto* pending =
            new PendingClaim{this, static_cast<UMockdevIoctlClient*>(g_object_ref(client)), 0};
        GSource* source = g_timeout_source_new(kClaimPollMs);
        g_source_set_callback(source, &EmulatedUsbDevice::DecideClaim, pending, nullptr);
        g_source_attach(source, g_main_context_get_thread_default());
        g_source_unref(source);
        return TRUE;
    }
    static gboolean DecideClaim(gpointer data) {
        auto* pending = static_cast<PendingClaim*>(data);
        EmulatedUsbDevice* device = pending->device;
        bool granted;
        {
            std::lock_guard lock(device->mutex_);
            granted = !device->ClaimHeldByOther(pending->client) && !device->unplugged_;
            if (granted) device->SetClaimOwner(pending->client);
            // The bus learns of an exited holder when it next looks at its connection.
            if (!granted && !device->unplugged_ && ++pending->polls < kClaimPolls) return G_SOURCE_CONTINUE;
        }
        if (granted) umockdev_ioctl_client_complete(pending->client, 0, 0);
        else umockdev_ioctl_client_complete(pending->client, -1, EBUSY);
        g_object_unref(pending->client);
        delete pending;
        return G_SOURCE_REMOVE;
    }
    static constexpr guint kClaimPollMs = 100;
    static constexpr int kClaimPolls = 30;

    // Caller holds mutex_.
    void Finish(const std::shared_ptr<Urb>& urb, int status, int actual) {
        urb->Get()->status = status;
        urb->Get()->actual_length = actual;
        done_.push_back(urb);
    }

    gboolean Handle(UMockdevIoctlClient* client) {
        const gulong request = umockdev_ioctl_client_get_request(client);
        UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
        const auto complete = [client](long result, int error) {
            umockdev_ioctl_client_complete(client, result, error);
            return TRUE;
        };
        std::unique_lock lock(mutex_);
        switch (request) {
            case USBDEVFS_GET_CAPABILITIES: {
                UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(guint32), nullptr);
                *reinterpret_cast<guint32*>(caps->data) =
                    USBDEVFS_CAP_BULK_SCATTER_GATHER | USBDEVFS_CAP_BULK_CONTINUATION |
                    USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_REAP_AFTER_DISCONNECT |
                    USBDEVFS_CAP_ZERO_PACKET;
                g_object_unref(caps);
                return complete(0, 0);
            }
            case USBDEVFS_CLAIMINTERFACE:
            case USBDEVFS_DISCONNECT_CLAIM:  // a claim that first detaches a kernel driver
                if (unplugged_) return complete(-1, ENODEV);
                ++claims_;
                if (claimErrno_ != 0) return complete(-1, claimErrno_);
                // Interface 0 belongs to one open file at a time: another process's claim is
                // refused as the kernel refuses it.
                // A process that just exited may still look connected until its file's end
                // reaches the bus (the kernel releases at close, at once): the refusal waits
                // a moment for that.
                if (ClaimHeldByOther(client)) return DecideLater(client);
                SetClaimOwner(client);
                return complete(0, 0);
            case USBDEVFS_GETDRIVER:
                return complete(-1, ENODATA);  // no kernel driver bound
            case USBDEVFS_RELEASEINTERFACE:
                if (claimOwner_ == client) SetClaimOwner(nullptr);
                return unplugged_ ? complete(-1, ENODEV) : complete(0, 0);
            case USBDEVFS_CLEAR_HALT:
            case USBDEVFS_RESET:
            case USBDEVFS_RESETEP:
            case USBDEVFS_SETINTERFACE:
                return unplugged_ ? complete(-1, ENODEV) : complete(0, 0);
            case USBDEVFS_SUBMITURB: return Submit(arg, lock, complete);
            case USBDEVFS_REAPURB:
            case USBDEVFS_REAPURBNDELAY: {
                if (done_.empty()) return complete(-1, unplugged_ ? ENODEV : EAGAIN);
                const std::shared_ptr<Urb> urb = done_.front();
                done_.pop_front();
                UMockdevIoctlData* slot = umockdev_ioctl_data_resolve(arg, 0, sizeof(gpointer), nullptr);
                umockdev_ioctl_data_set_ptr(slot, 0, urb->data);
                g_object_unref(slot);
                return complete(0, 0);
            }
            case USBDEVFS_DISCARDURB: {
                const gulong address = *reinterpret_cast<gulong*>(arg->data);
                for (auto it = flying_.begin(); it != flying_.end(); ++it) {
                    if ((*it)->data->client_addr != address) continue;
                    (*it)->discarded = true;
                    Finish(*it, -ENOENT, 0);
                    flying_.erase(it);
                    return complete(0, 0);
                }
                return complete(-1, EINVAL);
            }
            default: return FALSE;
        }
    }

    template <typename Complete>
    gboolean Submit(UMockdevIoctlData* arg, std::unique_lock<std::mutex>&, const Complete& complete) {
        if (unplugged_) return complete(-1, ENODEV);
        ++submitted_;
        UMockdevIoctlData* data = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
        auto urb = std::make_shared<Urb>(data);
        usbdevfs_urb* u = urb->Get();
        UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(
            data, G_STRUCT_OFFSET(usbdevfs_urb, buffer), static_cast<gsize>(u->buffer_length), nullptr);
        g_object_unref(buffer);  // kept alive by the URB
        const uint32_t length = static_cast<uint32_t>(u->buffer_length);
        uint8_t* bytes = static_cast<uint8_t*>(u->buffer);
        // A device that answers nothing: every request fails as it reaches the device.
        if (camera_ == nullptr || silent_) return complete(-1, EINVAL);
        if (u->type == USBDEVFS_URB_TYPE_CONTROL) return Standard(urb, bytes, length, complete);
        if (u->type != USBDEVFS_URB_TYPE_BULK) return complete(-1, EINVAL);
        if (u->endpoint == 0x01 || u->endpoint == 0x82) {
            const uint32_t pipe = u->endpoint == 0x01 ? kPipeCommand : kPipeResponse;
            uint32_t done = 0;
            const bool ok = camera_->Control(&file_, platform::kIoctlPipeTransferIn, &pipe, 4, bytes,
                                             length, &done);
            Finish(urb, ok ? 0 : -EPROTO, static_cast<int>(done));
            return complete(0, 0);
        }
        if (u->endpoint != 0x83) return complete(-1, EINVAL);
        // The camera holds a frame request until the frame is due: served off this thread,
        // which must answer the other requests meanwhile.
        flying_.push_back(urb);
        images_.push_back(urb);
        changed_.notify_all();
        return complete(0, 0);
    }

    // The default control pipe answers the one standard request the backend makes, GET_STATUS
    // (a setup packet of 8 bytes, then the 2 status bytes); others stall, as on a real device.
    template <typename Complete>
    gboolean Standard(const std::shared_ptr<Urb>& urb, uint8_t* bytes, uint32_t length,
                      const Complete& complete) {
        if (length >= 10 && bytes[0] == 0x80 && bytes[1] == 0x00) {
            bytes[8] = bytes[9] = 0;
            Finish(urb, 0, 2);
        } else {
            Finish(urb, -EPIPE, 0);
        }
        return complete(0, 0);
    }

    void ServeImages() {
        std::unique_lock lock(mutex_);
        std::vector<uint8_t> frame;
        for (;;) {
            changed_.wait(lock, [&] { return stop_ || !images_.empty(); });
            if (stop_) return;
            const std::shared_ptr<Urb> urb = images_.front();
            images_.pop_front();
            const uint32_t length = static_cast<uint32_t>(urb->Get()->buffer_length);
            frame.resize(length);
            lock.unlock();
            uint32_t done = 0;
            const uint32_t pipe = kPipeImage;
            const bool ok = camera_->Control(&file_, platform::kIoctlPipeTransferIn, &pipe, 4,
                                             frame.data(), length, &done);
            lock.lock();
            if (urb->discarded || unplugged_) continue;  // cancelled, or ended by the unplug
            std::memcpy(urb->Get()->buffer, frame.data(), done);
            for (auto it = flying_.begin(); it != flying_.end(); ++it) {
                if (*it == urb) {
                    flying_.erase(it);
                    break;
                }
            }
            // A camera that cannot serve the frame stalls the endpoint.
            Finish(urb, ok ? 0 : -EPIPE, static_cast<int>(done));
        }
    }

    UMockdevTestbed* bed_;
    virtual_camera::VirtualCamera* camera_;
    virtual_camera::VirtualCamera::OpenFile file_;  // one answer queue: the device's one answer endpoint
    std::string sysPath_, node_;
    UMockdevIoctlBase* handler_ = nullptr;
    std::atomic<int> claimErrno_{0};
    std::atomic<bool> silent_{false};
    std::atomic<uint64_t> submitted_{0};
    std::atomic<uint64_t> claims_{0};

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Urb>> done_, images_;
    std::vector<std::shared_ptr<Urb>> flying_;
    bool unplugged_ = false;
    bool stop_ = false;
    UMockdevIoctlClient* claimOwner_ = nullptr;  // the open file that holds interface 0 (a ref)
    std::thread worker_;
};

struct UsbTestbed::Impl {
    UMockdevTestbed* bed = nullptr;
    mutable std::mutex mutex;
    int nextDevnum = 2;
    std::map<int, std::unique_ptr<EmulatedUsbDevice>> ports;
    std::vector<std::unique_ptr<EmulatedUsbDevice>> unplugged;  // their clients may still ask
};

UsbTestbed::UsbTestbed() : impl_(new Impl) { impl_->bed = umockdev_testbed_new(); }

UsbTestbed& UsbTestbed::Get() {
    // Lives as long as the process: libusb keeps watching the bus it was started on.
    static UsbTestbed* bed = new UsbTestbed;
    return *bed;
}

void UsbTestbed::Plug(int port, virtual_camera::VirtualCamera* camera, uint16_t vendor,
                      uint16_t product, UsbShape shape) {
    Unplug(port);
    std::lock_guard lock(impl_->mutex);
    // Like the kernel, a device plugged in again gets a new address.
    const int devnum = impl_->nextDevnum++;
    impl_->ports[port] =
        std::make_unique<EmulatedUsbDevice>(impl_->bed, port, devnum, camera, vendor, product, shape);
}

void UsbTestbed::Unplug(int port) {
    std::lock_guard lock(impl_->mutex);
    const auto it = impl_->ports.find(port);
    if (it == impl_->ports.end()) return;
    it->second->Unplug();
    impl_->unplugged.push_back(std::move(it->second));
    impl_->ports.erase(it);
}

void UsbTestbed::UnplugAll() {
    std::vector<int> ports;
    {
        std::lock_guard lock(impl_->mutex);
        for (const auto& [port, device] : impl_->ports) ports.push_back(port);
    }
    for (int port : ports) Unplug(port);
}

void UsbTestbed::SetClaimErrno(int port, int error) {
    std::lock_guard lock(impl_->mutex);
    if (auto it = impl_->ports.find(port); it != impl_->ports.end()) it->second->SetClaimErrno(error);
}

void UsbTestbed::SetSilent(int port, bool silent) {
    std::lock_guard lock(impl_->mutex);
    if (auto it = impl_->ports.find(port); it != impl_->ports.end()) it->second->SetSilent(silent);
}

uint64_t UsbTestbed::SubmittedUrbs(int port) const {
    std::lock_guard lock(impl_->mutex);
    const auto it = impl_->ports.find(port);
    return it == impl_->ports.end() ? 0 : it->second->Submitted();
}

uint64_t UsbTestbed::Claims(int port) const {
    std::lock_guard lock(impl_->mutex);
    const auto it = impl_->ports.find(port);
    return it == impl_->ports.end() ? 0 : it->second->Claims();
}

}  // namespace rezive::test
