#include "camera/error_history.h"

#include <algorithm>
#include <utility>

namespace rezive {

void ErrorHistory::Push(int32_t code) {
    platform::MutexLock lock(mutex_);
    std::copy_backward(codes_.begin(), codes_.end() - 1, codes_.end());
    codes_[0] = code;
}

int32_t ErrorHistory::Pop() {
    platform::MutexLock lock(mutex_);
    const int32_t newest = codes_[0];
    std::copy(codes_.begin() + 1, codes_.end(), codes_.begin());
    codes_[kEntries - 1] = 0;
    return newest;
}

void ErrorHistory::SetDetail(std::string detail) {
    platform::MutexLock lock(mutex_);
    detail_ = std::move(detail);
}

std::string ErrorHistory::Detail() const {
    platform::MutexLock lock(mutex_);
    return detail_;
}

}  // namespace rezive
