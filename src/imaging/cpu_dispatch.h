// Run-time choice between the baseline (x86-64 SSE2) and the wide-vector (AVX2) build of the
// hot kernels. Both builds come from the same source and integer or IEEE single-precision
// arithmetic without contraction, so their results are identical bit for bit; the wide one
// only processes more samples per instruction.
#pragma once

#include <cstdint>

#include "imaging/kernel.h"

namespace rezive::dispatch {

enum class Level { kBaseline, kWide };

// True when the wide build may run: the CPU supports it, REZIVE_FORCE_BASELINE (read once, at
// the first dispatch) is unset, empty or "0", and no test has forced the baseline.
bool WideVectors();

// The build that dispatched kernels run now.
Level ActiveLevel();

// Lets the tests run every dispatched kernel on the baseline build as well.
void ForceBaseline(bool force);

}  // namespace rezive::dispatch

#if defined(__GNUC__) && defined(__x86_64__)
#define REZIVE_WIDE_TARGET __attribute__((target("avx2")))
#define REZIVE_HAVE_WIDE_BUILD 1
#else
#define REZIVE_WIDE_TARGET
#define REZIVE_HAVE_WIDE_BUILD 0
#endif

// Kernel bodies are force-inlined into both builds, so each gets its own code generation.
#define REZIVE_INLINE [[gnu::always_inline]] inline

#define REZIVE_KERNEL_PARAMS                                                            \
    uint8_t *dst, const uint8_t *src, const ::rezive::Rect &rect, int32_t x, int32_t y, \
        int32_t dstBpp, int32_t srcBpp, int32_t dstStride, int32_t srcStride, void *param
#define REZIVE_KERNEL_ARGS dst, src, rect, x, y, dstBpp, srcBpp, dstStride, srcStride, param

// Defines PixelKernel `name` running `wideImpl` from the wide build when the CPU has it and
// `baseImpl` otherwise (always-inline callables taking the kernel's arguments; usually the
// same one, or two instantiations that differ only in how they vectorise).
#define REZIVE_DEFINE_DISPATCHED_KERNEL_PAIR(name, wideImpl, baseImpl)                \
    namespace {                                                                       \
    REZIVE_WIDE_TARGET int32_t name##Wide(REZIVE_KERNEL_PARAMS) {                     \
        return wideImpl(REZIVE_KERNEL_ARGS);                                          \
    }                                                                                 \
    int32_t name##Base(REZIVE_KERNEL_PARAMS) { return baseImpl(REZIVE_KERNEL_ARGS); } \
    }                                                                                 \
    int32_t name(REZIVE_KERNEL_PARAMS) {                                              \
        return REZIVE_HAVE_WIDE_BUILD && ::rezive::dispatch::WideVectors()            \
                   ? name##Wide(REZIVE_KERNEL_ARGS)                                   \
                   : name##Base(REZIVE_KERNEL_ARGS);                                  \
    }

#define REZIVE_DEFINE_DISPATCHED_KERNEL(name, impl) \
    REZIVE_DEFINE_DISPATCHED_KERNEL_PAIR(name, impl, impl)
