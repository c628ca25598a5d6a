#include "platform/usb/usb_camera.h"

#include "platform/usb/usb_camera_table.h"

namespace rezive::platform::usb {
namespace {

constexpr auto kAnswerWait = std::chrono::seconds(2);
// bmRequestType of a standard request to the device, device to host.
constexpr uint8_t kStandardDeviceIn = 0x80;

std::atomic<int> g_openFault{LIBUSB_SUCCESS};

}  // namespace

UsbCamera::UsbCamera(std::shared_ptr<UsbBus> bus, libusb_device_handle* handle, const PipeMap& pipes,
                     std::string key)
    : bus_(std::move(bus)), handle_(handle), key_(std::move(key)) {
    for (int i = 0; i < kPipeCount; ++i) endpoint_[i] = pipes.endpoint[i];
}

void UsbCamera::SetImageTimeout(uint32_t milliseconds) {
    imageTimeoutMs_.store(milliseconds);
    RememberImageTimeout(key_, milliseconds);
}

UsbCamera::~UsbCamera() {
    libusb_release_interface(handle_, 0);  // gives the interface back to a detached kernel driver
    libusb_close(handle_);
}

std::shared_ptr<UsbCamera> UsbCamera::Open(std::shared_ptr<UsbBus> bus, const UsbDeviceRecord& record,
                                           int* error) {
    libusb_device_handle* handle = nullptr;
    int result = g_openFault.load();
    if (result == LIBUSB_SUCCESS) result = libusb_open(record.device.get(), &handle);
    if (result == LIBUSB_SUCCESS) {
        // Not every platform can detach: claiming then tells whether the interface is free.
        libusb_set_auto_detach_kernel_driver(handle, 1);
        result = libusb_claim_interface(handle, 0);
        // Every USB device answers GET_STATUS on its default control pipe: one that does not
        // is powered but not working (a hung firmware, a bad cable), and is refused here
        // rather than failing every command later with nothing to say why.
        if (result == LIBUSB_SUCCESS) {
            unsigned char status[2];
            const int answered = libusb_control_transfer(
                handle, kStandardDeviceIn,
                LIBUSB_REQUEST_GET_STATUS, 0, 0, status, sizeof status, kPacketTimeoutMs);
            if (answered < 0) {
                libusb_release_interface(handle, 0);
                result = answered == LIBUSB_ERROR_NO_DEVICE ? answered : LIBUSB_ERROR_TIMEOUT;
            }
        }
        if (result != LIBUSB_SUCCESS) libusb_close(handle);
    }
    if (result != LIBUSB_SUCCESS) {
        *error = result;
        return nullptr;
    }
    *error = LIBUSB_SUCCESS;
    const std::string key = record.Location() + "@" + std::to_string(record.address);
    return std::shared_ptr<UsbCamera>(new UsbCamera(std::move(bus), handle, record.pipes, key));
}

bool UsbCamera::Transfer(uint32_t pipe, uint8_t* data, uint32_t length, uint32_t* done,
                         int* outcome) {
    *done = 0;
    int ignored;
    int& code = outcome ? *outcome : ignored;
    code = LIBUSB_ERROR_INVALID_PARAM;
    if (pipe >= kPipeCount || length > 0x7FFFFFFFu) return false;
    code = LIBUSB_ERROR_NO_DEVICE;
    if (gone_.load()) return false;
    const unsigned timeout = pipe == 2 ? imageTimeoutMs_.load() : kPacketTimeoutMs;
    int moved = 0;
    // libusb splits a long transfer into URBs and ends it at a short packet.
    const int result = libusb_bulk_transfer(handle_, endpoint_[pipe], data, static_cast<int>(length),
                                            &moved, timeout);
    *done = moved > 0 && static_cast<uint32_t>(moved) <= length ? static_cast<uint32_t>(moved) : 0;
    code = result;
    switch (result) {
        case LIBUSB_SUCCESS: return true;
        case LIBUSB_ERROR_NO_DEVICE: gone_.store(true); return false;
        case LIBUSB_ERROR_PIPE:
            // A stalled endpoint stays stalled until cleared; the next transfer starts afresh.
            if (libusb_clear_halt(handle_, endpoint_[pipe]) == LIBUSB_ERROR_NO_DEVICE) gone_.store(true);
            return false;
        default: return false;
    }
}

void UsbCamera::TakeAnswers(const void* file) {
    MutexLock lock(answerMutex_);
    answerFree_.WaitFor(answerMutex_, kAnswerWait, [&]() RZ_REQUIRES(answerMutex_) {
        return answerOwner_ == nullptr || answerOwner_ == file;
    });
    answerOwner_ = file;
}

void UsbCamera::ReleaseAnswers(const void* file) {
    {
        MutexLock lock(answerMutex_);
        if (answerOwner_ != file) return;
        answerOwner_ = nullptr;
    }
    answerFree_.NotifyAll();
}

void SetOpenFaultForTesting(int error) { g_openFault.store(error); }

}  // namespace rezive::platform::usb
