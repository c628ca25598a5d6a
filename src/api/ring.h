// CTRing: a circular doubly linked list positioned on a current element, with one lock.
#pragma once

#include <cstdint>
#include <mutex>

namespace rezive {

// T carries its own links: T* previous and T* next.
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
    virtual void Add(const T& element) {
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
    int32_t RemoveCurrent() {
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

    T* Current() const { return current_; }
    uint32_t Count() const { return count_; }
    std::mutex& Lock() { return lock_; }

protected:
    T* current_ = nullptr;
    uint32_t count_ = 0;
    std::mutex lock_;
};

}  // namespace rezive
