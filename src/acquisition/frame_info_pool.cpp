#include "acquisition/frame_info_pool.h"

#include <deque>
#include <vector>

#include "platform/mutex.h"

namespace rezive {
namespace {

struct Pool {
    platform::Mutex mutex;
    std::deque<FrameInfoRecord> records GUARDED_BY(mutex);  // a deque never moves its elements
    std::vector<FrameInfoRecord*> free GUARDED_BY(mutex);
};

// Made once and never destroyed: messages may still be read while the process exits.
Pool& ThePool() {
    static Pool* pool = new Pool;
    return *pool;
}

}  // namespace

FrameInfoRecord* AcquireFrameInfo() {
    Pool& pool = ThePool();
    platform::MutexLock lock(pool.mutex);
    FrameInfoRecord* record;
    if (!pool.free.empty()) {
        record = pool.free.back();
        pool.free.pop_back();
    } else {
        record = &pool.records.emplace_back();
    }
    *record = FrameInfoRecord{static_cast<int32_t>(sizeof(FrameInfoRecord)), 0, 0, 0, 0, nullptr};
    return record;
}

void ReleaseFrameInfo(FrameInfoRecord* record) {
    if (record == nullptr) return;
    Pool& pool = ThePool();
    platform::MutexLock lock(pool.mutex);
    pool.free.push_back(record);
}

}  // namespace rezive
