#include "api/sdk_chain.h"

#include <cstdlib>
#include <new>

#include "camera/camera.h"
#include "platform/clock.h"

namespace rezive {

CSdkChain::~CSdkChain() {
    // Unloading frees the elements, not the camera objects: an application releases its
    // handles first, and a camera still in use must not be torn down under its threads.
    platform::MutexLock lock(lock_);
    while (current_ != nullptr) {
        if (current_->camera) new std::shared_ptr<CRezive>(std::move(current_->camera));
        RemoveCurrent();
    }
}

int32_t CSdkChain::Find(uint32_t handle) {
    if (current_ == nullptr) return 0;
    const uint32_t last = current_->previous->handle;
    while (current_->handle != handle) {
        if (current_->handle == last) return 0;
        current_ = current_->next;
    }
    return 1;
}

uint32_t CSdkChain::CreateHandle() {
    std::shared_ptr<CRezive> camera(new (std::nothrow) CRezive);
    if (!camera) return 0;
    platform::MutexLock lock(lock_);
    uint32_t handle = platform::TickMs() + static_cast<uint32_t>(std::rand() & 0x7FFF) + count_;
    // Handles stay nonzero and unique among the registered ones.
    while (handle == 0 || Find(handle)) ++handle;
    CSDKDATA element;
    element.handle = handle;
    element.camera = std::move(camera);
    Add(element);
    return handle;
}

std::shared_ptr<CRezive> CSdkChain::Lookup(uint32_t handle) {
    platform::MutexLock lock(lock_);
    if (!Find(handle)) return nullptr;
    return current_->camera;
}

std::shared_ptr<CRezive> CSdkChain::Remove(uint32_t handle) {
    platform::MutexLock lock(lock_);
    if (!Find(handle)) return nullptr;
    std::shared_ptr<CRezive> camera = std::move(current_->camera);
    RemoveCurrent();
    return camera;
}

CSdkChain& SdkChain() {
    static CSdkChain chain;
    return chain;
}

}  // namespace rezive
