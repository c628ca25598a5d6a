// Clang's thread-safety attributes. With clang and -Wthread-safety the compiler checks that every
// access to guarded state happens under its lock; other compilers see empty macros. Every name
// carries the RZ_ prefix: a program or library built beside ours may well define GUARDED_BY or
// REQUIRES itself.
#pragma once

#if defined(__clang__)
#define RZ_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define RZ_THREAD_ANNOTATION(x)
#endif

#define RZ_CAPABILITY(x) RZ_THREAD_ANNOTATION(capability(x))
#define RZ_SCOPED_CAPABILITY RZ_THREAD_ANNOTATION(scoped_lockable)
#define RZ_GUARDED_BY(x) RZ_THREAD_ANNOTATION(guarded_by(x))
#define RZ_PT_GUARDED_BY(x) RZ_THREAD_ANNOTATION(pt_guarded_by(x))
#define RZ_ACQUIRED_BEFORE(...) RZ_THREAD_ANNOTATION(acquired_before(__VA_ARGS__))
#define RZ_ACQUIRED_AFTER(...) RZ_THREAD_ANNOTATION(acquired_after(__VA_ARGS__))
#define RZ_REQUIRES(...) RZ_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define RZ_ACQUIRE(...) RZ_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define RZ_RELEASE(...) RZ_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define RZ_TRY_ACQUIRE(...) RZ_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))
#define RZ_EXCLUDES(...) RZ_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define RZ_ASSERT_CAPABILITY(x) RZ_THREAD_ANNOTATION(assert_capability(x))
#define RZ_RETURN_CAPABILITY(x) RZ_THREAD_ANNOTATION(lock_returned(x))
#define RZ_NO_THREAD_SAFETY_ANALYSIS RZ_THREAD_ANNOTATION(no_thread_safety_analysis)
