// WorkerPool: the helper threads that share the bands of a frame, one pool for every camera of
// the process.
//
// The thread that asks for work always takes part in it, so a frame completes even when every
// helper is busy with another camera's frame, and Run returns only when every band it handed
// out has finished: no band of a frame can run after its caller has moved on (or its
// acquisition has stopped). Helpers exist only while someone holds a Lease (the acquisitions
// that are running); without one Run does everything on the calling thread.
#pragma once

#include <cstdint>
#include <deque>
#include <thread>
#include <vector>

#include "platform/mutex.h"

namespace rezive::platform {

class WorkerPool {
public:
    // threads: how many threads share a job, the caller counted (1: the caller alone).
    explicit WorkerPool(int32_t threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // The process's pool. Its size is REZIVE_PIPELINE_THREADS when that is a number from 1 to
    // 64 (read once), otherwise the number of cores.
    static WorkerPool& Shared();
    static int32_t ThreadsFromEnvironment();

    int32_t Threads() const { return threads_; }

    // Keeps the helpers running while it lives; the last one to go joins them.
    class Lease {
    public:
        explicit Lease(WorkerPool& pool);
        ~Lease();
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;

    private:
        WorkerPool& pool_;
    };

    // Calls work(context, i) once for every i in 0 .. count - 1, spread over the caller and the
    // helpers, and returns when all calls have returned. work must not throw.
    using Work = void (*)(void* context, int32_t index);
    void Run(int32_t count, Work work, void* context);

    template <class F>
    void Run(int32_t count, F& f) {
        Run(count, [](void* c, int32_t i) { (*static_cast<F*>(c))(i); }, &f);
    }

private:
    struct Job;

    void Acquire() RZ_EXCLUDES(lifecycle_, mutex_);
    void Release() RZ_EXCLUDES(lifecycle_, mutex_);
    void HelperMain() RZ_EXCLUDES(mutex_);
    static void Drain(Job& job);

    const int32_t threads_;
    // Serialises starting and joining the helpers; never taken by a helper or by Run.
    Mutex lifecycle_ RZ_ACQUIRED_BEFORE(mutex_);
    int32_t leases_ RZ_GUARDED_BY(lifecycle_) = 0;
    std::vector<std::thread> helpers_ RZ_GUARDED_BY(lifecycle_);

    Mutex mutex_;
    CondVar wake_;      // a job was queued, or the helpers are to stop
    CondVar finished_;  // a helper left a job
    std::deque<Job*> jobs_ RZ_GUARDED_BY(mutex_);
    bool stopping_ RZ_GUARDED_BY(mutex_) = false;
};

}  // namespace rezive::platform
