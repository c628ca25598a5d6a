// A program that includes our headers may define the common thread-safety macro names itself:
// ours must neither redefine nor replace them. The client's definitions come first, as in a
// program that includes its own headers before ours.
#define CAPABILITY(x) (x + 1)
#define SCOPED_CAPABILITY 2
#define GUARDED_BY(x) (x + 3)
#define PT_GUARDED_BY(x) (x + 4)
#define REQUIRES(x) (x + 5)
#define ACQUIRE(x) (x + 6)
#define RELEASE(x) (x + 7)
#define TRY_ACQUIRE(x) (x + 8)
#define EXCLUDES(x) (x + 9)
#define ASSERT_CAPABILITY(x) (x + 10)
#define RETURN_CAPABILITY(x) (x + 11)
#define NO_THREAD_SAFETY_ANALYSIS 12

#include "platform/event.h"
#include "platform/mutex.h"
#include "platform/thread_annotations.h"

#include <gtest/gtest.h>

#include <future>
#include <stdexcept>

static_assert(CAPABILITY(0) == 1 && SCOPED_CAPABILITY == 2 && GUARDED_BY(0) == 3 &&
              PT_GUARDED_BY(0) == 4 && REQUIRES(0) == 5 && ACQUIRE(0) == 6 &&
              RELEASE(0) == 7 && TRY_ACQUIRE(0) == 8 && EXCLUDES(0) == 9 &&
              ASSERT_CAPABILITY(0) == 10 && RETURN_CAPABILITY(0) == 11 &&
              NO_THREAD_SAFETY_ANALYSIS == 12,
              "a header of ours replaced a program's own thread-safety macro");

namespace rezive::platform {
namespace {

// Whether another thread can take the mutex at this moment.
bool FreeForAnotherThread(Mutex& mutex) {
    return std::async(std::launch::async, [&mutex] {
               if (!mutex.try_lock()) return false;
               mutex.unlock();
               return true;
           }).get();
}

TEST(MutexUnlock, LeavesTheLockForItsScopeAndTakesItBackEvenWhenTheScopeThrows) {
    Mutex mutex;
    MutexLock lock(mutex);
    EXPECT_FALSE(FreeForAnotherThread(mutex));
    for (const bool throws : {false, true}) {
        SCOPED_TRACE(throws ? "the scope throws" : "the scope ends");
        try {
            MutexUnlock unlocked(mutex);
            EXPECT_TRUE(FreeForAnotherThread(mutex));
            if (throws) throw std::runtime_error("from the unlocked scope");
        } catch (const std::runtime_error&) {
        }
        EXPECT_FALSE(FreeForAnotherThread(mutex));
    }
}

}  // namespace
}  // namespace rezive::platform
