// Mutex and MutexLock: std::mutex and a scoped lock with the thread-safety attributes the standard
// library's own types lack, so clang can check which lock guards which state.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/thread_annotations.h"

namespace rezive::platform {

class RZ_CAPABILITY("mutex") Mutex {
public:
    void lock() RZ_ACQUIRE() { mutex_.lock(); }
    void unlock() RZ_RELEASE() { mutex_.unlock(); }
    bool try_lock() RZ_TRY_ACQUIRE(true) { return mutex_.try_lock(); }
    // Documents (and tells the analysis) that the caller holds this lock.
    void AssertHeld() const RZ_ASSERT_CAPABILITY(this) {}

private:
    std::mutex mutex_;
};

class RZ_SCOPED_CAPABILITY MutexLock {
public:
    explicit MutexLock(Mutex& mutex) RZ_ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
    ~MutexLock() RZ_RELEASE() { mutex_.unlock(); }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    Mutex& mutex_;
};

// A scoped lock that can be left early; the destructor unlocks only if it still holds the lock.
class RZ_SCOPED_CAPABILITY ReleasableMutexLock {
public:
    explicit ReleasableMutexLock(Mutex& mutex) RZ_ACQUIRE(mutex) : mutex_(&mutex) { mutex_->lock(); }
    ~ReleasableMutexLock() RZ_RELEASE() {
        if (mutex_ != nullptr) mutex_->unlock();
    }
    void Release() RZ_RELEASE() {
        mutex_->unlock();
        mutex_ = nullptr;
    }
    ReleasableMutexLock(const ReleasableMutexLock&) = delete;
    ReleasableMutexLock& operator=(const ReleasableMutexLock&) = delete;

private:
    Mutex* mutex_;
};

// Leaves a held lock for the scope (a call that must not run under it) and takes it again at the
// end of the scope, also when that call throws.
class RZ_SCOPED_CAPABILITY MutexUnlock {
public:
    explicit MutexUnlock(Mutex& mutex) RZ_RELEASE(mutex) : mutex_(mutex) { mutex_.unlock(); }
    // Marked as releasing the scope, which the analysis reads as taking the lock again.
    ~MutexUnlock() RZ_RELEASE() { mutex_.lock(); }
    MutexUnlock(const MutexUnlock&) = delete;
    MutexUnlock& operator=(const MutexUnlock&) = delete;

private:
    Mutex& mutex_;
};

// A condition variable over Mutex. Wait and WaitFor are called with the mutex held and return
// with it held, as the analysis is told.
class CondVar {
public:
    template <typename Predicate>
    void Wait(Mutex& mutex, Predicate ready) RZ_REQUIRES(mutex) {
        cv_.wait(mutex, ready);
    }
    // False when the time ran out with ready() still false.
    template <typename Rep, typename Period, typename Predicate>
    bool WaitFor(Mutex& mutex, std::chrono::duration<Rep, Period> timeout, Predicate ready)
        RZ_REQUIRES(mutex) {
        return cv_.wait_for(mutex, timeout, ready);
    }
    // Without a predicate: the caller looks again at what it waits for (a wake may be spurious).
    template <typename Clock, typename Duration>
    void WaitUntil(Mutex& mutex, std::chrono::time_point<Clock, Duration> deadline)
        RZ_REQUIRES(mutex) {
        cv_.wait_until(mutex, deadline);
    }
    void NotifyOne() { cv_.notify_one(); }
    void NotifyAll() { cv_.notify_all(); }

private:
    std::condition_variable_any cv_;
};

}  // namespace rezive::platform
