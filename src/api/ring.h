// CTRing: a circular doubly linked list positioned on a current element, with one lock.
#pragma once

#include <cstdint>

#include "platform/mutex.h"

namespace rezive {

// T carries its own links: T* previous and T* next. Callers hold Lock() around every use but
// the destructor's.
template <typename T>
class CTRing {
public:
    CTRing() = default;
    virtual ~CTRing() {
        while (RemoveCurrent()) {
        }
    }
    CTRing(const CTRing&) = delete;
    CTRing& operator=(const CTRing&) = delete;

    // Inserts a copy of element just before the current element and makes it current.
    virtual void Add(const T& element) RZ_REQUIRES(lock_) {
        T* node = new T(element);
        if (current_ == nullptr) {
            node->previous = node->next = node;
            count_ = 1;
        } else {
            ++count_;
            node->next = current_;
            node->previous = current_->previous;
            current_->previous->next = node;
            current_->previous = node;
        }
        current_ = node;
    }

    // Frees the current element; its former next becomes current. 0 when empty.
    int32_t RemoveCurrent() RZ_REQUIRES(lock_) {
        if (current_ == nullptr) return 0;
        T* node = current_;
        if (node->next == node) {
            current_ = nullptr;
            count_ = 0;
        } else {
            node->previous->next = node->next;
            node->next->previous = node->previous;
            current_ = node->next;
            --count_;
        }
        delete node;
        return 1;
    }

    T* Current() const RZ_REQUIRES(lock_) { return current_; }
    uint32_t Count() const RZ_REQUIRES(lock_) { return count_; }
    platform::Mutex& Lock() RZ_RETURN_CAPABILITY(lock_) { return lock_; }

protected:
    platform::Mutex lock_;
    T* current_ RZ_GUARDED_BY(lock_) = nullptr;
    uint32_t count_ RZ_GUARDED_BY(lock_) = 0;
};

}  // namespace rezive
