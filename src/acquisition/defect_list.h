// The defect-pixel list: sensor coordinates whose pixels are replaced by their neighbours' mean.
#pragma once

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "platform/mutex.h"

namespace rezive {

struct DefectPoint {
    int32_t x = 0;
    int32_t y = 0;
};

class DefectList {
public:
    // Replaces the whole list (under the defect lock, so it is never seen half-loaded).
    void Replace(std::vector<DefectPoint> points) RZ_EXCLUDES(mutex_);
    size_t Size() const RZ_EXCLUDES(mutex_);

    // Runs fn(points, isListed) under the defect lock; isListed(x, y) tells whether an entry has
    // exactly these coordinates.
    template <typename Fn>
    void WithPoints(Fn&& fn) const RZ_EXCLUDES(mutex_) {
        platform::MutexLock lock(mutex_);
        // isListed is called only by fn, inside this lock.
        fn(points_, [this](int32_t x, int32_t y) RZ_NO_THREAD_SAFETY_ANALYSIS {
            return lookup_.count(Key(x, y)) != 0;
        });
    }

private:
    static uint64_t Key(int32_t x, int32_t y) {
        return (static_cast<uint64_t>(static_cast<uint32_t>(x)) << 32) | static_cast<uint32_t>(y);
    }

    mutable platform::Mutex mutex_;
    std::vector<DefectPoint> points_ RZ_GUARDED_BY(mutex_);
    std::unordered_set<uint64_t> lookup_ RZ_GUARDED_BY(mutex_);
};

}  // namespace rezive
