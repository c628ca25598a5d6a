#include "imaging/cpu_dispatch.h"

#include <atomic>
#include <cstdlib>

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

// Whole test suites (and users chasing a suspected wide-build difference) can run on the
// baseline build without touching code.
bool BaselineForcedByEnvironment() {
    const char* value = std::getenv("REZIVE_FORCE_BASELINE");
    return value != nullptr && value[0] != '\0' && !(value[0] == '0' && value[1] == '\0');
}

std::atomic<bool> g_forceBaseline{false};

}  // namespace

bool WideVectors() {
    // Decided once, so that a process never mixes the builds because its environment changed.
    static const bool allowed = CpuHasWideVectors() && !BaselineForcedByEnvironment();
    return allowed && !g_forceBaseline.load(std::memory_order_relaxed);
}

Level ActiveLevel() { return WideVectors() ? Level::kWide : Level::kBaseline; }

void ForceBaseline(bool force) { g_forceBaseline.store(force, std::memory_order_relaxed); }

}  // namespace rezive::dispatch
