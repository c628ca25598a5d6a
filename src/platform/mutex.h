// Mutex and MutexLock: std::mutex and a scoped lock with the thread-safety attributes the standard
// library's own types lack, so clang can check which lock guards which state.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/thread_annotations.h"

namespace rezive::platform {

class CAPABILITY("mutex") Mutex {
public:
    void lock() ACQUIRE() { mutex_.lock(); }
    void unlock() RELEASE() { mutex_.unlock(); }
    bool try_lock() TRY_ACQUIRE(true) { return mutex_.try_lock(); }
    // Documents (and tells the analysis) that the caller holds this lock.
    void AssertHeld() const ASSERT_CAPABILITY(this) {}

private:
    std::mutex mutex_;
};

class SCOPED_CAPABILITY MutexLock {
public:
    explicit MutexLock(Mutex& mutex) ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
    ~MutexLock() RELEASE() { mutex_.unlock(); }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    Mutex& mutex_;
};

// A scoped lock that can be left early; the destructor unlocks only if it still holds the lock.
class SCOPED_CAPABILITY ReleasableMutexLock {
public:
    explicit ReleasableMutexLock(Mutex& mutex) ACQUIRE(mutex) : mutex_(&mutex) { mutex_->lock(); }
    ~ReleasableMutexLock() RELEASE() {
        if (mutex_ != nullptr) mutex_->unlock();
    }
    void Release() RELEASE() {
        mutex_->unlock();
        mutex_ = nullptr;
    }
    ReleasableMutexLock(const ReleasableMutexLock&) = delete;
    ReleasableMutexLock& operator=(const ReleasableMutexLock&) = delete;

private:
    Mutex* mutex_;
};

// A condition variable over Mutex. Wait and WaitFor are called with the mutex held and return
// with it held, as the analysis is told.
class CondVar {
public:
    template <typename Predicate>
    void Wait(Mutex& mutex, Predicate ready) REQUIRES(mutex) {
        cv_.wait(mutex, ready);
    }
    // False when the time ran out with ready() still false.
    template <typename Rep, typename Period, typename Predicate>
    bool WaitFor(Mutex& mutex, std::chrono::duration<Rep, Period> timeout, Predicate ready)
        REQUIRES(mutex) {
        return cv_.wait_for(mutex, timeout, ready);
    }
    void NotifyOne() { cv_.notify_one(); }
    void NotifyAll() { cv_.notify_all(); }

private:
    std::condition_variable_any cv_;
};

}  // namespace rezive::platform
