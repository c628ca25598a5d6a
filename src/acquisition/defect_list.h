// The defect-pixel list: sensor coordinates whose pixels are replaced by their neighbours' mean.
#pragma once

#include <cstdint>
#include <mutex>
#include <unordered_set>
#include <vector>

namespace rezive {

struct DefectPoint {
    int32_t x = 0;
    int32_t y = 0;
};

class DefectList {
public:
    // Replaces the whole list (under the defect lock, so it is never seen half-loaded).
    void Replace(std::vector<DefectPoint> points);
    size_t Size() const;

    // Runs fn(points, isListed) under the defect lock; isListed(x, y) tells whether an entry has
    // exactly these coordinates.
    template <typename Fn>
    void WithPoints(Fn&& fn) const {
        std::lock_guard lock(mutex_);
        fn(points_, [this](int32_t x, int32_t y) { return lookup_.count(Key(x, y)) != 0; });
    }

private:
    static uint64_t Key(int32_t x, int32_t y) {
        return (static_cast<uint64_t>(static_cast<uint32_t>(x)) << 32) | static_cast<uint32_t>(y);
    }

    mutable std::mutex mutex_;
    std::vector<DefectPoint> points_;
    std::unordered_set<uint64_t> lookup_;
};

}  // namespace rezive
