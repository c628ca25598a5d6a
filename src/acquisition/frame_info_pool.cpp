#include "acquisition/frame_info_pool.h"

#include <deque>
#include <vector>

#include "platform/mutex.h"

namespace rezive {
namespace {

// The record comes first, so a record's address is its entry's address.
struct Entry {
    FrameInfoRecord record;
    FrameMeta meta;
};

struct Pool {
    platform::Mutex mutex;
    std::deque<Entry> records RZ_GUARDED_BY(mutex);  // a deque never moves its elements
    std::vector<FrameInfoRecord*> free RZ_GUARDED_BY(mutex);
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
        record = &pool.records.emplace_back().record;
    }
    *record = FrameInfoRecord{static_cast<int32_t>(sizeof(FrameInfoRecord)), 0, 0, 0, 0, nullptr};
    reinterpret_cast<Entry*>(record)->meta = FrameMeta{};
    return record;
}

void ReleaseFrameInfo(FrameInfoRecord* record) {
    if (record == nullptr) return;
    Pool& pool = ThePool();
    platform::MutexLock lock(pool.mutex);
    pool.free.push_back(record);
}

void SetFrameMeta(FrameInfoRecord* record, const FrameMeta& meta) {
    Pool& pool = ThePool();
    platform::MutexLock lock(pool.mutex);
    reinterpret_cast<Entry*>(record)->meta = meta;
}

bool ReadFrameMeta(const void* record, FrameMeta* meta) {
    if (record == nullptr || meta == nullptr) return false;
    Pool& pool = ThePool();
    platform::MutexLock lock(pool.mutex);
    // Only addresses of the pool's own records are read: an application may pass anything.
    for (const Entry& entry : pool.records) {
        if (static_cast<const void*>(&entry.record) == record) {
            *meta = entry.meta;
            return true;
        }
    }
    return false;
}

}  // namespace rezive
