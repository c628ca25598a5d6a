#include "imaging/cpu_dispatch.h"

#include <atomic>

namespace rezive::dispatch {
namespace {

bool CpuHasWideVectors() {
#if REZIVE_HAVE_WIDE_BUILD
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

std::atomic<bool> g_forceBaseline{false};

}  // namespace

bool WideVectors() {
    static const bool supported = CpuHasWideVectors();
    return supported && !g_forceBaseline.load(std::memory_order_relaxed);
}

void ForceBaseline(bool force) { g_forceBaseline.store(force, std::memory_order_relaxed); }

}  // namespace rezive::dispatch
