#include "platform/worker_pool.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string>
#include <system_error>

namespace rezive::platform {

struct WorkerPool::Job {
    Work work = nullptr;
    void* context = nullptr;
    int32_t count = 0;
    std::atomic<int32_t> next{0};
    int32_t helpers = 0;  // helpers inside the job; guarded by the pool's mutex
};

WorkerPool::WorkerPool(int32_t threads) : threads_(std::clamp(threads, 1, 64)) {}

WorkerPool::~WorkerPool() {
    std::vector<std::thread> helpers;
    {
        MutexLock lifecycle(lifecycle_);
        helpers.swap(helpers_);
        MutexLock lock(mutex_);
        stopping_ = true;
    }
    wake_.NotifyAll();
    for (std::thread& t : helpers) t.join();
}

int32_t WorkerPool::ThreadsFromEnvironment() {
    if (const char* text = std::getenv("REZIVE_PIPELINE_THREADS"); text != nullptr) {
        char* end = nullptr;
        const long n = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && n >= 1 && n <= 64) return static_cast<int32_t>(n);
    }
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int32_t>(std::min(cores, 64u));
}

WorkerPool& WorkerPool::Shared() {
    // Never destroyed: a camera still running at exit may be inside Run.
    static WorkerPool* const pool = new WorkerPool(ThreadsFromEnvironment());
    return *pool;
}

WorkerPool::Lease::Lease(WorkerPool& pool) : pool_(pool) { pool_.Acquire(); }
WorkerPool::Lease::~Lease() { pool_.Release(); }

void WorkerPool::Acquire() {
    MutexLock lifecycle(lifecycle_);
    if (leases_++ > 0) return;
    for (int32_t i = 1; i < threads_; ++i) {
        try {
            helpers_.emplace_back([this] { HelperMain(); });
        } catch (const std::system_error&) {
            break;  // fewer helpers: the callers do the rest themselves
        }
    }
}

void WorkerPool::Release() {
    MutexLock lifecycle(lifecycle_);
    if (--leases_ > 0) return;
    {
        MutexLock lock(mutex_);
        stopping_ = true;
    }
    wake_.NotifyAll();
    // A helper ends after the band it is running; the callers finish what is left.
    for (std::thread& t : helpers_) t.join();
    helpers_.clear();
    MutexLock lock(mutex_);
    stopping_ = false;
}

void WorkerPool::Drain(Job& job) {
    for (int32_t i = job.next.fetch_add(1); i < job.count; i = job.next.fetch_add(1))
        job.work(job.context, i);
}

void WorkerPool::HelperMain() {
    MutexLock lock(mutex_);
    for (;;) {
        wake_.Wait(mutex_, [this]() RZ_REQUIRES(mutex_) { return stopping_ || !jobs_.empty(); });
        if (stopping_) return;
        Job* job = jobs_.front();
        ++job->helpers;
        mutex_.unlock();
        Drain(*job);
        mutex_.lock();
        // Every index is handed out: nobody else needs to find the job.
        if (auto it = std::find(jobs_.begin(), jobs_.end(), job); it != jobs_.end())
            jobs_.erase(it);
        if (--job->helpers == 0) finished_.NotifyAll();
    }
}

void WorkerPool::Run(int32_t count, Work work, void* context) {
    if (count <= 0 || work == nullptr) return;
    Job job;
    job.work = work;
    job.context = context;
    job.count = count;
    bool queued = false;
    if (count > 1 && threads_ > 1) {
        MutexLock lock(mutex_);
        if (!stopping_) {
            jobs_.push_back(&job);
            queued = true;
        }
    }
    if (queued) wake_.NotifyAll();
    Drain(job);
    if (!queued) return;
    MutexLock lock(mutex_);
    if (auto it = std::find(jobs_.begin(), jobs_.end(), &job); it != jobs_.end()) jobs_.erase(it);
    // Helpers that joined finish the indices they took; none can join from here on.
    finished_.Wait(mutex_, [&job]() RZ_REQUIRES(mutex_) { return job.helpers == 0; });
}

}  // namespace rezive::platform
