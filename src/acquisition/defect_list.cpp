#include "acquisition/defect_list.h"

namespace rezive {

void DefectList::Replace(std::vector<DefectPoint> points) {
    std::unordered_set<uint64_t> lookup;
    lookup.reserve(points.size());
    for (const auto& p : points) lookup.insert(Key(p.x, p.y));
    platform::MutexLock lock(mutex_);
    points_ = std::move(points);
    lookup_ = std::move(lookup);
}

size_t DefectList::Size() const {
    platform::MutexLock lock(mutex_);
    return points_.size();
}

}  // namespace rezive
