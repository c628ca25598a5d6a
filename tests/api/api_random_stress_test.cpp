// Randomised stress of the whole C interface. Several threads call random exports on a few
// shared handle slots over two virtual cameras, with valid, boundary and invalid arguments,
// while another thread injects device faults and message handlers call back into the library.
// A slot's handle is released and re-initialised under the other threads, so calls also land on
// released handles. Checked cheaply on the way: no call succeeds with an impossible output, the
// library never writes past the size it is given (canary bytes after every buffer), nothing
// hangs (a watchdog reports the call each thread is stuck in and the seed, then aborts).
//
// Environment:
//   REZIVE_STRESS_SEED=n          seed of the run (drawn and printed when unset)
//   REZIVE_STRESS_SECONDS=s       length of the random run (default 15)
//   REZIVE_STRESS_REGRESSION_SECONDS=s   length of each regression seed's run (default 3)
//   REZIVE_STRESS_THREADS=n       calling threads (default 4)
//   REZIVE_STRESS_HANDLES=n       handle slots (default 2)
//   REZIVE_STRESS_HANG_SECONDS=s  one call longer than this is a hang (default 60)
//   REZIVE_STRESS_FRAME_INFO=0    handlers do not read the RzFrameInfo of frame messages
//   REZIVE_STRESS_FAULTS=0        no injected device faults
//   REZIVE_STRESS_AVOID=a,b       leave out argument classes of faults already found, so a
//                                 sanitizer run (which stops at its first report) finds the next:
//                                 extreme-window, tiny-window, device-switch, window-race
//
// A seed fixes every thread's sequence of calls and arguments; the interleaving with the other
// threads, the frame timing and the moments of the faults still vary from run to run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <ReziveSdk.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <shared_mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "support/test_env.h"
#include "support/api_camera_fixture.h"
#include "virtual_camera/virtual_camera.h"

namespace rezive::test {
namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int32_t kSensorWidth = 1280;
constexpr int32_t kSensorHeight = 720;
constexpr int32_t kCameras = 2;
constexpr size_t kCanary = 64;
constexpr uint8_t kCanaryByte = 0xA5;
constexpr int32_t kMaxFrameBytes = kSensorWidth * 8 * kSensorHeight;

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               SteadyClock::now().time_since_epoch())
        .count();
}

int64_t EnvInt(const char* name, int64_t fallback) {
    const char* v = std::getenv(name);
    if (v == nullptr || *v == '\0') return fallback;
    char* end = nullptr;
    const long long n = std::strtoll(v, &end, 0);
    return (end != nullptr && *end == '\0') ? n : fallback;
}

// Stacks of every thread of this process, from gdb when it is installed (hangs and threads
// that outlive their camera are much easier to read with them).
void DumpThreadStacks() {
    if (EnvInt("REZIVE_STRESS_GDB", 1) == 0) return;
    const std::string command = "command -v gdb >/dev/null 2>&1 && gdb -p " + std::to_string(getpid()) +
                                " -batch -nx -ex 'set pagination off' -ex 'thread apply all bt 30' "
                                "</dev/null 1>&2 2>/dev/null";
    std::fflush(stdout);
    std::fflush(stderr);
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "(no thread stacks: gdb missing or failed)\n");
}

void FillCanary(uint8_t* p) { std::memset(p, kCanaryByte, kCanary); }
bool CanaryIntact(const uint8_t* p) {
    for (size_t i = 0; i < kCanary; ++i)
        if (p[i] != kCanaryByte) return false;
    return true;
}

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// ---- Call tracking: every export call goes through an actor, so the watchdog can say which
// call each thread is inside, and the summary can count calls per export.

struct Actor {
    std::string name;
    std::atomic<int> call{-1};
    std::atomic<int64_t> sinceMs{0};
};

class CallTable {
public:
    int Id(const char* name) {
        std::lock_guard lock(mutex_);
        auto [it, added] = ids_.try_emplace(name, static_cast<int>(names_.size()));
        if (added) {
            names_.emplace_back(name);
            counts_.emplace_back(0);
            totalMs_.emplace_back(0);
            successes_.emplace_back(0);
            longestMs_.emplace_back(0);
        }
        return it->second;
    }
    std::string Name(int id) {
        std::lock_guard lock(mutex_);
        return id >= 0 && id < static_cast<int>(names_.size()) ? names_[id] : "?";
    }
    void Count(int id, int64_t ms, bool succeeded) {
        std::lock_guard lock(mutex_);
        ++counts_[id];
        successes_[id] += succeeded ? 1 : 0;
        totalMs_[id] += ms;
        longestMs_[id] = std::max(longestMs_[id], ms);
    }
    // "name: longest ms (total ms)" of the calls that took longest.
    std::string Slowest(size_t n) {
        std::lock_guard lock(mutex_);
        std::vector<size_t> order(names_.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return totalMs_[a] > totalMs_[b]; });
        std::string out;
        for (size_t i = 0; i < std::min(n, order.size()); ++i)
            out += "  " + names_[order[i]] + ": " + std::to_string(totalMs_[order[i]]) + " ms in all, longest " +
                   std::to_string(longestMs_[order[i]]) + " ms\n";
        return out;
    }
    struct Tally {
        std::string name;
        uint64_t calls;
        uint64_t nonzero;
    };
    std::vector<Tally> Counts() {
        std::lock_guard lock(mutex_);
        std::vector<Tally> out;
        for (size_t i = 0; i < names_.size(); ++i) out.push_back({names_[i], counts_[i], successes_[i]});
        return out;
    }

private:
    std::mutex mutex_;
    std::map<std::string, int> ids_;
    std::deque<std::string> names_;
    std::deque<uint64_t> counts_;
    std::deque<int64_t> totalMs_;
    std::deque<uint64_t> successes_;
    std::deque<int64_t> longestMs_;
};

CallTable& Calls() {
    static CallTable table;
    return table;
}

template <typename F>
auto Tracked(Actor& actor, int id, F&& f) {
    const int64_t start = NowMs();
    actor.sinceMs.store(start);
    actor.call.store(id);
    auto result = f();
    actor.call.store(-1);
    Calls().Count(id, NowMs() - start, result != 0);
    return result;
}

// RZ_CALL(actor, Rezive_X, args...) calls the export with tracking; the id of each call site is
// looked up once.
#define RZ_CALL(actor, fn, ...)                                                         \
    ([&]() {                                                                            \
        static const int callId = Calls().Id(#fn);                                      \
        return Tracked((actor), callId, [&]() { return fn(__VA_ARGS__); });             \
    }())

// ---- Buffers the library keeps (callback targets): allocated once per run, never freed while
// a camera may write them. Each has a fixed declared size with canary bytes behind it; the
// library is only ever given sizes up to the declared one.

struct PoolBuffer {
    explicit PoolBuffer(int32_t declared) : declared(declared), bytes(declared + kCanary) {
        FillCanary(bytes.data() + declared);
    }
    int32_t declared;
    std::vector<uint8_t> bytes;
    bool Intact() const { return CanaryIntact(bytes.data() + declared); }
};

// What a successful capture-window call may leave behind, per handle: a failed invalid
// SetCaptureWindowEx keeps its values (documented), so the geometry check skips a handle while
// an invalid window may be stored.
struct WindowState {
    int inFlightInvalid = 0;
    uint64_t invalidEpoch = 0;
    bool mayBeInvalid = false;
};

struct Options {
    uint64_t seed = 0;
    int64_t seconds = 15;
    int threads = 4;
    int handles = 2;
    int64_t hangSeconds = 60;
    bool readFrameInfo = true;
    bool faults = true;
    std::string avoid;  // REZIVE_STRESS_AVOID: argument classes of already reported faults
};

class Harness;

struct HandlerContext {
    Harness* harness = nullptr;
    int slot = 0;
    Actor* actor = nullptr;
    std::mutex mutex;  // the generator; handlers run on one dispatcher thread each, but be safe
    std::mt19937_64 random;
    std::vector<uint8_t> scratch;
};

class Worker;

class Harness {
public:
    explicit Harness(const Options& options) : options_(options) {}

    void Run();

    // ---- shared state used by workers and handlers
    const Options& options() const { return options_; }
    // Lets a run steer around a fault already found (the sanitizers stop at the first report).
    bool Avoid(const char* tag) const {
        std::string list = ",";
        list += options_.avoid;
        list += ',';
        std::string needle = ",";
        needle += tag;
        needle += ',';
        return list.find(needle) != std::string::npos;
    }
    RzHandle Slot(int s) const { return slots_[s].load(); }
    int Handles() const { return options_.handles; }
    RzWindow AppWindow(int s) const { return appWindows_[s]; }
    RzWindow CallbackWindow(int s) const { return callbackWindows_[s]; }
    RzWindow QueueWindow() const { return queueWindow_; }
    std::vector<std::unique_ptr<PoolBuffer>>& Pool(int s) { return pools_[s]; }
    HandlerContext* HandlerOf(int s) { return handlerContexts_[s].get(); }
    const std::string& Dir() const { return dir_; }
    const std::vector<std::string>& DefectFiles() const { return defectFiles_; }

    void Violation(const Actor& actor, const std::string& what) {
        std::lock_guard lock(violationMutex_);
        ++violations_;
        if (violationTexts_.size() < 40) {
            const std::string text = "[" + actor.name + "] " + what;
            violationTexts_.push_back(text);
            std::fprintf(stderr, "stress violation (seed %llu): %s\n",
                         static_cast<unsigned long long>(options_.seed), text.c_str());
        }
    }

    // With "window-race" avoided, a window change never overlaps any other call that may start
    // or stop an acquisition (every call but those of the video format takes the shared side).
    std::unique_lock<std::shared_mutex> WindowChangeGate() {
        return Avoid("window-race") ? std::unique_lock(gate_) : std::unique_lock<std::shared_mutex>();
    }
    std::shared_lock<std::shared_mutex> AcquisitionStartGate() {
        return Avoid("window-race") ? std::shared_lock(gate_) : std::shared_lock<std::shared_mutex>();
    }

    void NoteIssued(RzHandle h) {
        std::lock_guard lock(issuedMutex_);
        issued_.push_back(h);
    }
    RzHandle AnyIssued(uint64_t r) {
        std::lock_guard lock(issuedMutex_);
        return issued_.empty() ? 0 : issued_[r % issued_.size()];
    }
    RzHandle ExchangeSlot(int s, RzHandle h) { return slots_[s].exchange(h); }
    bool ClearSlot(int s, RzHandle expected) {
        return slots_[s].compare_exchange_strong(expected, 0);
    }

    // Capture-window bookkeeping (see WindowState).
    void BeginWindowSet(RzHandle h, bool valid, uint64_t* epoch) {
        std::lock_guard lock(windowMutex_);
        WindowState& w = windows_[h];
        if (!valid) {
            ++w.inFlightInvalid;
            ++w.invalidEpoch;
            w.mayBeInvalid = true;
        }
        *epoch = w.invalidEpoch;
        // A valid set that starts while an invalid one is in flight may run before it, so its
        // success proves nothing about what is stored: it must not clear the doubt.
        if (valid && w.inFlightInvalid > 0) *epoch = UINT64_MAX;
    }
    void EndWindowSet(RzHandle h, bool valid, bool succeeded, uint64_t epoch) {
        std::lock_guard lock(windowMutex_);
        WindowState& w = windows_[h];
        if (!valid) {
            --w.inFlightInvalid;
        } else if (succeeded && w.inFlightInvalid == 0 && w.invalidEpoch == epoch) {
            w.mayBeInvalid = false;
        }
    }
    // Epoch to compare after a read; false when the read may see an invalid window.
    bool WindowSurelyValid(RzHandle h, uint64_t* epoch) {
        std::lock_guard lock(windowMutex_);
        const WindowState& w = windows_[h];
        *epoch = w.invalidEpoch;
        return !w.mayBeInvalid && w.inFlightInvalid == 0;
    }
    bool WindowStillValid(RzHandle h, uint64_t epoch) {
        std::lock_guard lock(windowMutex_);
        const WindowState& w = windows_[h];
        return !w.mayBeInvalid && w.inFlightInvalid == 0 && w.invalidEpoch == epoch;
    }

    bool IsPoolBuffer(const void* p) {
        if (p == nullptr) return true;
        for (auto& pool : pools_)
            for (auto& b : pool)
                if (b->bytes.data() == p) return true;
        return false;
    }
    const PoolBuffer* PoolOf(const void* p) {
        for (auto& pool : pools_)
            for (auto& b : pool)
                if (b->bytes.data() == p) return b.get();
        return nullptr;
    }

    void CountFault(const std::string& kind) {
        std::lock_guard lock(faultMutex_);
        ++faults_[kind];
    }
    std::atomic<uint64_t> frameMessages{0};
    std::atomic<uint64_t> failedFrameMessages{0};
    std::atomic<uint64_t> errorMessages{0};
    std::atomic<uint64_t> reentrantCalls{0};

    static void OnMessage(RzWindow window, const RzMessage* m, void* user);
    static void OnAppMessage(RzWindow window, const RzMessage* m, void* user);

private:
    void Prepare();
    void InjectFaults(Actor& actor);
    void Watchdog();
    void Cleanup(Actor& actor);
    void Report(double seconds);

    Options options_;
    std::string dir_;
    std::vector<std::string> defectFiles_;
    std::atomic<RzHandle> slots_[8];
    std::vector<RzWindow> appWindows_;
    std::vector<RzWindow> callbackWindows_;
    RzWindow queueWindow_ = 0;
    std::vector<std::vector<std::unique_ptr<PoolBuffer>>> pools_;
    std::vector<std::unique_ptr<HandlerContext>> handlerContexts_;
    std::vector<std::unique_ptr<HandlerContext>> appContexts_;

    std::deque<Actor> actors_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    std::mutex watchdogMutex_;
    std::condition_variable watchdogWake_;

    std::mutex violationMutex_;
    uint64_t violations_ = 0;
    std::vector<std::string> violationTexts_;

    std::mutex issuedMutex_;
    std::vector<RzHandle> issued_;
    std::shared_mutex gate_;

    std::mutex windowMutex_;
    std::unordered_map<RzHandle, WindowState> windows_;

    std::mutex faultMutex_;
    std::map<std::string, uint64_t> faults_;
};

// ---- Argument pickers

template <typename T, size_t N>
T PickOf(std::mt19937_64& r, const T (&values)[N]) {
    return values[r() % N];
}

bool IsValidWindow(int32_t x, int32_t w, int32_t y, int32_t h) {
    return w >= 0 && h >= 0 && x >= 0 && y >= 0 && w <= kSensorWidth && x <= kSensorWidth &&
           h <= kSensorHeight && y <= kSensorHeight && int64_t{x} + w <= kSensorWidth &&
           int64_t{y} + h <= kSensorHeight;
}


// Inclusive range of a filter id's setter; ok false for ids the library does not know.
struct FilterRange {
    bool known;
    int64_t lo;
    int64_t hi;
    bool storedChecked;  // getter returns the stored (range-checked) value
};

FilterRange RangeOf(int32_t id) {
    switch (id) {
        case 1: case 4: return {true, -255, 255, true};
        case 2: return {true, -127, 127, true};
        case 3: return {true, -360, 360, true};
        case 5: return {true, 0, 30, true};
        case 6: return {true, INT32_MIN, INT32_MAX, false};
        case 7: case 8: case 9: return {true, 0, 400, true};
        case 10: return {true, INT32_MIN, INT32_MAX, false};
        case 11: return {true, 0, 200, true};
        case 12: return {true, 0, 3, true};
        case 13: return {true, 0, 11, false};
        case 14: case 15: case 16: case 17: return {true, 0, 0, true};
        case 18: return {true, 1, 32767, false};
        case 19: return {true, 0, 2, true};
        case 20: case 21: case 22: case 23: return {true, 0, 255, true};
        case 24: case 25: case 26: case 27: return {true, -255, 255, true};
        case 28: return {true, 0, 1, false};
        default: return {false, 0, 0, false};
    }
}

int32_t Clamp32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// A value at or around one end of [lo, hi], inside it, or far outside.
int32_t AroundRange(std::mt19937_64& r, int64_t lo, int64_t hi) {
    switch (r() % 10) {
        case 0: return Clamp32(lo - 1);
        case 1: return Clamp32(lo);
        case 2: return Clamp32(lo + 1);
        case 3: return Clamp32(hi - 1);
        case 4: return Clamp32(hi);
        case 5: return Clamp32(hi + 1);
        case 6: return 0;
        case 7: return (r() & 1) ? INT32_MIN : INT32_MAX;
        default:
            return Clamp32(lo + static_cast<int64_t>(r() % static_cast<uint64_t>(hi - lo + 1)));
    }
}

// ---- One calling thread

class Worker {
public:
    Worker(Harness& harness, int index, Actor& actor)
        : h_(harness), index_(index), actor_(actor), scratch_(kMaxFrameBytes + kCanary) {
        std::seed_seq seq{static_cast<uint32_t>(harness.options().seed),
                          static_cast<uint32_t>(harness.options().seed >> 32),
                          static_cast<uint32_t>(index), 0x5eedu};
        r_.seed(seq);
    }

    void Step();

private:
    uint64_t U(uint64_t n) { return r_() % n; }
    bool Chance(uint64_t n) { return U(n) == 0; }

    // A handle: usually a slot's current one, sometimes none, a released or a made-up one.
    RzHandle PickHandle(int* slotOut = nullptr) {
        const uint64_t k = U(100);
        if (slotOut) *slotOut = -1;
        if (k < 88) {
            const int s = static_cast<int>(U(static_cast<uint64_t>(h_.Handles())));
            if (slotOut) *slotOut = s;
            return h_.Slot(s);
        }
        if (k < 92) return 0;
        if (k < 97) return h_.AnyIssued(r_());
        return static_cast<RzHandle>(r_());
    }
    RzWindow PickWindow(int slot) {
        switch (U(8)) {
            case 0: return 0;
            case 1: return h_.QueueWindow();
            case 2: return 0x7fff0000u + static_cast<RzWindow>(U(16));  // unknown id
            case 3: return h_.CallbackWindow(static_cast<int>(U(static_cast<uint64_t>(h_.Handles()))));
            default: return h_.CallbackWindow(slot < 0 ? 0 : slot);
        }
    }
    // Exposure in lines: the range's edges, with the long end rare (it slows every frame and
    // is kept in the saved settings).
    int32_t Exposure() {
        if (Chance(25)) return static_cast<int32_t>(PickOf(r_, {32766, 32767}));
        return static_cast<int32_t>(PickOf(r_, {-1, 0, 1, 2, 50, 100, 500, 32768, INT32_MAX, INT32_MIN}));
    }
    int32_t TopDown() { return static_cast<int32_t>(PickOf(r_, {0, 1, 1, 2, -1})); }

    // Bytes the current frame of h needs, from its reported mode and window (may race).
    int64_t RequiredBytes(RzHandle h) {
        const int32_t code = RZ_CALL(actor_, Rezive_GetColorMode, h);
        const int32_t bits = RZ_BITS_OF_COLOR_MODE(code);
        const int32_t w = RZ_CALL(actor_, Rezive_Width, h);
        const int32_t ht = RZ_CALL(actor_, Rezive_Height, h);
        if (bits == 0 || w <= 0 || ht <= 0 || w > kSensorWidth || ht > kSensorHeight) return 64;
        return int64_t{StrideOf(w, bits)} * ht;
    }
    // A size around the required one, never more than the scratch holds.
    int32_t SizeAround(int64_t required) {
        int64_t s = 0;
        switch (U(9)) {
            case 0: s = required - 1; break;
            case 1: s = required + 1; break;
            case 2: s = 0; break;
            case 3: s = 1; break;
            case 4: s = -1; break;
            case 5: s = required / 2; break;
            case 6: s = kMaxFrameBytes; break;
            default: s = required; break;
        }
        return static_cast<int32_t>(std::clamp<int64_t>(s, INT32_MIN, kMaxFrameBytes));
    }
    // Calls f(buffer) with canary bytes after `size` bytes of scratch; reports an overrun.
    template <typename F>
    int32_t Guarded(const char* what, int32_t size, F&& f) {
        const size_t at = static_cast<size_t>(std::max(size, 0));
        FillCanary(scratch_.data() + at);
        const int32_t result = f(scratch_.data());
        if (!CanaryIntact(scratch_.data() + at))
            h_.Violation(actor_, std::string(what) + " wrote past the " + std::to_string(size) +
                                     " bytes it was given");
        return result;
    }
    std::string FileName(const char* ext) {
        return h_.Dir() + "/t" + std::to_string(index_) + "_" + std::to_string(U(3)) + ext;
    }
    std::string BadFileName(const char* ext) {
        switch (U(5)) {
            case 0: return "";
            case 1: return h_.Dir();  // a folder
            case 2: return h_.Dir() + "/no-such-folder/x" + ext;
            case 3: return h_.Dir() + "/" + std::string(1500, 'n') + ext;
            default: return FileName(ext);
        }
    }

    void CheckOkFlag(const char* what, int32_t ok, int32_t before) {
        if (ok != 0 && ok != 1 && ok != before)
            h_.Violation(actor_, std::string(what) + " set its success flag to " + std::to_string(ok));
    }

    void Lifecycle();
    void Devices();
    void Format();
    void Sensor();
    void Filters();
    void Acquisition();
    void Files();
    void Registers();
    void Companion();
    void Unsupported();

    Harness& h_;
    int index_;
    Actor& actor_;
    std::mt19937_64 r_;
    std::vector<uint8_t> scratch_;
};

void Worker::Step() {
    // Weights: acquisition and settings calls dominate, lifecycle churn is rarer.
    const uint64_t k = U(100);
    std::shared_lock<std::shared_mutex> gate;
    if (k < 10 || k >= 22) gate = h_.AcquisitionStartGate();
    if (k < 1 || (k < 3 && Chance(3))) Lifecycle();
    else if (k < 10) Devices();
    else if (k < 22) Format();
    else if (k < 34) Sensor();
    else if (k < 50) Filters();
    else if (k < 74) Acquisition();
    else if (k < 81) Files();
    else if (k < 89) Registers();
    else if (k < 97) Companion();
    else Unsupported();
}

void Worker::Lifecycle() {
    const int s = static_cast<int>(U(static_cast<uint64_t>(h_.Handles())));
    switch (U(4)) {
        case 0: case 1: {
            // A new camera object in the slot; the old one is released under the other threads.
            const RzWindow app = Chance(6) ? 0 : h_.AppWindow(s);
            const RzHandle fresh = static_cast<RzHandle>(RZ_CALL(actor_, Rezive_Initialize, app));
            if (fresh == 0) {
                h_.Violation(actor_, "Rezive_Initialize returned 0");
                return;
            }
            h_.NoteIssued(fresh);
            // Small windows keep frames quick; the default full window is kept sometimes.
            if (U(3) != 0) {
                const int32_t w = static_cast<int32_t>(PickOf(r_, {4, 64, 128, 256}));
                const int32_t ht = static_cast<int32_t>(PickOf(r_, {1, 8, 16, 32}));
                uint64_t epoch = 0;
                h_.BeginWindowSet(fresh, true, &epoch);
                const int32_t ok = RZ_CALL(actor_, Rezive_SetCaptureWindowEx, fresh, 1280, 0, w, 720, 0, ht);
                h_.EndWindowSet(fresh, true, ok == 1, epoch);
            }
            const RzHandle old = h_.ExchangeSlot(s, fresh);
            if (old != 0) RZ_CALL(actor_, Rezive_Release, old);
            break;
        }
        case 2: {
            const RzHandle old = h_.Slot(s);
            const int32_t result = RZ_CALL(actor_, Rezive_Release, old);
            if (old == 0 && result != 0) h_.Violation(actor_, "Rezive_Release(0) succeeded");
            // Sometimes the released handle stays in the slot, so others keep calling on it.
            if (Chance(2)) h_.ClearSlot(s, old);
            break;
        }
        default: {
            const int32_t v = RZ_CALL(actor_, Rezive_GetDllVersion);
            if (v != 28378399) h_.Violation(actor_, "Rezive_GetDllVersion " + std::to_string(v));
            const int32_t code = RZ_CALL(actor_, Rezive_GetLastError, PickHandle());
            if (code < 0 || code == 10 || code > 13)
                h_.Violation(actor_, "Rezive_GetLastError returned " + std::to_string(code));
            break;
        }
    }
}

void Worker::Devices() {
    const RzHandle h = PickHandle();
    switch (U(7)) {
        case 0: {
            const int32_t n = Guarded("Rezive_EnumDevice", 10 * 256, [&](uint8_t* b) {
                return RZ_CALL(actor_, Rezive_EnumDevice, h, reinterpret_cast<char(*)[256]>(b));
            });
            if (n < 0 || n > 10) h_.Violation(actor_, "Rezive_EnumDevice returned " + std::to_string(n));
            break;
        }
        case 1: {
            std::vector<RzChar16> names(10 * 256 + kCanary);
            uint8_t* tail = reinterpret_cast<uint8_t*>(names.data() + 10 * 256);
            FillCanary(tail);
            const int32_t n = RZ_CALL(actor_, Rezive_EnumDeviceW, h,
                                      reinterpret_cast<RzChar16(*)[256]>(names.data()));
            if (!CanaryIntact(tail)) h_.Violation(actor_, "Rezive_EnumDeviceW wrote past its table");
            if (n < 0 || n > 10) h_.Violation(actor_, "Rezive_EnumDeviceW returned " + std::to_string(n));
            break;
        }
        case 2: case 3: {
            const int32_t index = static_cast<int32_t>(PickOf(r_, {-1, 0, 0, 1, 1, 2, 9, 10, 11, INT32_MAX}));
            const int32_t length = static_cast<int32_t>(PickOf(r_, {-1, 0, 1, 15, 16, 17, 31, 32, 64, 256}));
            const bool wide = U(2) == 0;
            if (Chance(8)) {
                if (wide) RZ_CALL(actor_, Rezive_GetDeviceNameW, h, index, nullptr, length);
                else RZ_CALL(actor_, Rezive_GetDeviceName, h, index, nullptr, length);
                break;
            }
            const int32_t bytes = std::max(length, 0) * (wide ? 2 : 1);
            const int32_t ok = Guarded(wide ? "Rezive_GetDeviceNameW" : "Rezive_GetDeviceName", bytes,
                                       [&](uint8_t* b) {
                                           return wide ? RZ_CALL(actor_, Rezive_GetDeviceNameW, h, index,
                                                                 reinterpret_cast<RzChar16*>(b), length)
                                                       : RZ_CALL(actor_, Rezive_GetDeviceName, h, index,
                                                                 reinterpret_cast<char*>(b), length);
                                       });
            if (ok == 1 && (length <= 15 || index < 0 || index > 9))
                h_.Violation(actor_, "device name of index " + std::to_string(index) + " into " +
                                         std::to_string(length) + " characters succeeded");
            break;
        }
        case 4: {
            const int32_t index = static_cast<int32_t>(PickOf(r_, {-1, 0, 0, 1, 1, 2, 10, INT32_MAX}));
            if (h_.Avoid("device-switch")) break;
            const int32_t ok = RZ_CALL(actor_, Rezive_SetDeviceNumber, h, index);
            if (ok == 1 && (index < 0 || index >= kCameras))
                h_.Violation(actor_, "Rezive_SetDeviceNumber(" + std::to_string(index) + ") succeeded");
            break;
        }
        case 5: {
            if (Chance(6)) {
                RZ_CALL(actor_, Rezive_GetCameraInfo, h, nullptr);
                break;
            }
            const int32_t sizeField =
                static_cast<int32_t>(PickOf(r_, {36, 36, 35, 0, -1, 1000}));
            std::vector<uint8_t> bytes(sizeof(RzCameraInfo) + kCanary);
            FillCanary(bytes.data() + sizeof(RzCameraInfo));
            RzCameraInfo info{};
            info.size = sizeField;
            std::memcpy(bytes.data(), &info, sizeof info);
            const int32_t ok = RZ_CALL(actor_, Rezive_GetCameraInfo, h,
                                       reinterpret_cast<RzCameraInfo*>(bytes.data()));
            std::memcpy(&info, bytes.data(), sizeof info);
            if (!CanaryIntact(bytes.data() + sizeof(RzCameraInfo)))
                h_.Violation(actor_, "Rezive_GetCameraInfo wrote past the record");
            if (ok == 1 && (sizeField < 36 || info.size != sizeField || info.width != kSensorWidth ||
                            info.height != kSensorHeight || info.gainMin != 0 || info.gainMax != 11 ||
                            info.exposureMin != 1 || info.exposureMax != 32767))
                h_.Violation(actor_, "Rezive_GetCameraInfo succeeded with size " +
                                         std::to_string(sizeField) + ": " + std::to_string(info.width) +
                                         "x" + std::to_string(info.height));
            break;
        }
        default: {
            const int32_t v = RZ_CALL(actor_, Rezive_GetStatus, h, static_cast<int32_t>(r_()));
            if (v != 0) h_.Violation(actor_, "Rezive_GetStatus returned " + std::to_string(v));
            break;
        }
    }
}

void Worker::Format() {
    int slot = -1;
    const RzHandle h = PickHandle(&slot);
    switch (U(10)) {
        case 0: {
            const int32_t bits = static_cast<int32_t>(
                PickOf(r_, {8, 16, 24, 32, 48, 64, 8, 24, 0, 12, 44, 60, -8, 7, 65, INT32_MAX}));
            RZ_CALL(actor_, Rezive_SetColorMode, h, bits);
            break;
        }
        case 1: {
            const int32_t v = RZ_CALL(actor_, Rezive_GetColorMode, h);
            if (v != -1 && RZ_BITS_OF_COLOR_MODE(v) == 0)
                h_.Violation(actor_, "Rezive_GetColorMode returned " + std::to_string(v));
            break;
        }
        case 2: {
            const int32_t code = static_cast<int32_t>(PickOf(r_, {0, 0, 1, 2, 3, 17, -1}));
            const int32_t ok = RZ_CALL(actor_, Rezive_SetSubSample, h, code);
            if (ok == 1 && code != 0) h_.Violation(actor_, "Rezive_SetSubSample(" + std::to_string(code) + ") succeeded");
            const int32_t v = RZ_CALL(actor_, Rezive_GetSubSample, h);
            if (v != 0 && v != -1) h_.Violation(actor_, "Rezive_GetSubSample returned " + std::to_string(v));
            break;
        }
        case 3: {
            static const int32_t sizes[][2] = {{640, 480}, {1280, 720}, {320, 240}, {128, 16},
                                               {0, 0},     {-1, -1},    {1281, 721}, {1, 1}};
            const auto& s = sizes[U(8)];
            auto gate = h_.WindowChangeGate();
            RZ_CALL(actor_, Rezive_SetCaptureWindow, h, s[0], s[1]);
            break;
        }
        case 4: case 5: {
            // Mostly small windows (quick frames), with every edge of the sensor exercised.
            int32_t w, ht;
            if (U(10) < 7) {
                w = static_cast<int32_t>(PickOf(r_, {0, 1, 2, 3, 4, 8, 64, 127, 128, 129, 256}));
                ht = static_cast<int32_t>(PickOf(r_, {0, 1, 2, 3, 4, 8, 15, 16, 17, 32}));
            } else {
                w = static_cast<int32_t>(PickOf(r_, {640, 1279, 1280, 1281, -1, -3, INT32_MIN, INT32_MAX}));
                ht = static_cast<int32_t>(PickOf(r_, {480, 719, 720, 721, -1, -3, INT32_MIN, INT32_MAX}));
            }
            const int64_t restW = int64_t{kSensorWidth} - w, restH = int64_t{kSensorHeight} - ht;
            const int32_t x = Clamp32(PickOf(
                r_, {int64_t{0}, int64_t{0}, int64_t{1}, int64_t{2}, int64_t{3}, restW, restW + 1,
                     restW - 1, int64_t{kSensorWidth}, int64_t{-1}, int64_t{INT32_MIN}}));
            const int32_t y = Clamp32(PickOf(
                r_, {int64_t{0}, int64_t{0}, int64_t{1}, int64_t{2}, int64_t{3}, restH, restH + 1,
                     restH - 1, int64_t{kSensorHeight}, int64_t{-1}, int64_t{INT32_MIN}}));
            const int32_t totalW = static_cast<int32_t>(PickOf(r_, {1280, 1280, 0, -1, 4096}));
            const int32_t totalH = static_cast<int32_t>(PickOf(r_, {720, 720, 0, -1, 4096}));
            if (h_.Avoid("tiny-window")) {
                if (w >= 0 && w < 4) w = 4;
                if (ht == 0) ht = 1;
            }
            if (h_.Avoid("extreme-window")) {
                if (w == INT32_MIN || w == INT32_MAX) w = w < 0 ? -1 : kSensorWidth + 1;
                if (ht == INT32_MIN || ht == INT32_MAX) ht = ht < 0 ? -1 : kSensorHeight + 1;
            }
            const bool valid = IsValidWindow(x, w, y, ht);
            // A window change needs the acquisition stopped; an application stops it first.
            if (U(2) == 0) RZ_CALL(actor_, Rezive_StopPreview, h);
            auto gate = h_.WindowChangeGate();
            uint64_t epoch = 0;
            h_.BeginWindowSet(h, valid, &epoch);
            const int32_t ok = RZ_CALL(actor_, Rezive_SetCaptureWindowEx, h, totalW, x, w, totalH, y, ht);
            h_.EndWindowSet(h, valid, ok == 1, epoch);
            if (ok == 1 && !valid)
                h_.Violation(actor_, "Rezive_SetCaptureWindowEx accepted x " + std::to_string(x) + " w " +
                                         std::to_string(w) + " y " + std::to_string(y) + " h " +
                                         std::to_string(ht));
            break;
        }
        case 6: {
            int32_t v[6];
            for (int32_t& e : v) e = INT32_MIN + 7;
            int32_t* p[6];
            for (int i = 0; i < 6; ++i) p[i] = Chance(8) ? nullptr : &v[i];
            uint64_t epoch = 0;
            const bool sure = h_.WindowSurelyValid(h, &epoch);
            const int32_t ok = RZ_CALL(actor_, Rezive_GetCaptureWindowEx, h, p[0], p[1], p[2], p[3], p[4], p[5]);
            if (ok == 1 && sure && h_.WindowStillValid(h, epoch) && p[1] && p[2] && p[4] && p[5] &&
                !IsValidWindow(v[1], v[2], v[4], v[5]))
                h_.Violation(actor_, "Rezive_GetCaptureWindowEx reported x " + std::to_string(v[1]) +
                                         " w " + std::to_string(v[2]) + " y " + std::to_string(v[4]) +
                                         " h " + std::to_string(v[5]) + " outside the sensor");
            if (ok == 0)
                for (int i = 0; i < 6; ++i)
                    if (p[i] && v[i] != INT32_MIN + 7) h_.Violation(actor_, "failed Rezive_GetCaptureWindowEx wrote its outputs");
            break;
        }
        case 7: {
            uint64_t epoch = 0;
            const bool sure = h_.WindowSurelyValid(h, &epoch);
            const int32_t w = RZ_CALL(actor_, Rezive_Width, h);
            const int32_t ht = RZ_CALL(actor_, Rezive_Height, h);
            if (sure && h_.WindowStillValid(h, epoch) && (w < 0 || w > kSensorWidth || ht < 0 || ht > kSensorHeight))
                h_.Violation(actor_, "Rezive_Width/Height " + std::to_string(w) + "x" + std::to_string(ht));
            break;
        }
        case 8: {
            int32_t v = 77;
            const bool rate = U(2) == 0;
            int32_t* p = Chance(4) ? nullptr : &v;
            const int32_t result = rate ? RZ_CALL(actor_, Rezive_GetSamplingRate, h, p)
                                        : RZ_CALL(actor_, Rezive_GetVideoFormat, h, p);
            if (result != 0 || (v != 0 && v != 77))
                h_.Violation(actor_, "video format/sampling rate returned " + std::to_string(result) +
                                         " and wrote " + std::to_string(v));
            break;
        }
        default: {
            if (U(2) == 0) {
                const int32_t ms = static_cast<int32_t>(PickOf(r_, {0, 0, 1, 2, 3, 5, -1, INT32_MIN}));
                const int32_t ok = RZ_CALL(actor_, Rezive_SetWaitTime, h, ms);
                if (ok == 1 && ms < 0) h_.Violation(actor_, "Rezive_SetWaitTime(negative) succeeded");
                const int32_t back = RZ_CALL(actor_, Rezive_GetWaitTime, h);
                if (back < -1) h_.Violation(actor_, "Rezive_GetWaitTime returned " + std::to_string(back));
            } else {
                const int32_t on = static_cast<int32_t>(PickOf(r_, {0, 1, 2, -1}));
                const int32_t ok = RZ_CALL(actor_, Rezive_SetConfigFilter, h, on);
                if (ok == 1 && on != 0 && on != 1) h_.Violation(actor_, "Rezive_SetConfigFilter(" + std::to_string(on) + ") succeeded");
                const int32_t back = RZ_CALL(actor_, Rezive_GetConfigFilter, h);
                if (back != 0 && back != 1) h_.Violation(actor_, "Rezive_GetConfigFilter returned " + std::to_string(back));
            }
            break;
        }
    }
}

void Worker::Sensor() {
    const RzHandle h = PickHandle();
    int32_t ok = 0x5A5A;
    int32_t* okp = Chance(6) ? nullptr : &ok;
    switch (U(9)) {
        case 0: {
            RZ_CALL(actor_, Rezive_SetExposureTime, h, Exposure());
            const int32_t v = RZ_CALL(actor_, Rezive_GetExposureTime, h, okp);
            CheckOkFlag("Rezive_GetExposureTime", ok, 0x5A5A);
            if (ok == 1 && (v < 0 || v > 65535)) h_.Violation(actor_, "exposure read back " + std::to_string(v));
            break;
        }
        case 1: {
            // Long exposures are rare: they stay in the saved settings and slow every frame.
            const int32_t ms = Chance(20) ? static_cast<int32_t>(PickOf(r_, {200, 1000}))
                                          : static_cast<int32_t>(PickOf(r_, {-1, 0, 1, 5, 10, 20, 100000, INT32_MAX}));
            RZ_CALL(actor_, Rezive_SetRealExposureTime, h, ms);
            const int32_t v = RZ_CALL(actor_, Rezive_GetRealExposureTime, h, okp);
            CheckOkFlag("Rezive_GetRealExposureTime", ok, 0x5A5A);
            if (ok == 1 && v < 0) h_.Violation(actor_, "real exposure " + std::to_string(v));
            break;
        }
        case 2: {
            RZ_CALL(actor_, Rezive_SetGlobalGain, h, static_cast<int32_t>(PickOf(r_, {-1, 0, 1, 5, 10, 11, 12, INT32_MIN})));
            RZ_CALL(actor_, Rezive_GetGlobalGain, h, okp);
            CheckOkFlag("Rezive_GetGlobalGain", ok, 0x5A5A);
            break;
        }
        case 3: {
            const int32_t g = static_cast<int32_t>(PickOf(r_, {0, 0, 1, -1, 11}));
            int32_t set = 0, got = 0;
            switch (U(4)) {
                case 0: set = RZ_CALL(actor_, Rezive_SetColorGainRed, h, g); got = RZ_CALL(actor_, Rezive_GetColorGainRed, h, okp); break;
                case 1: set = RZ_CALL(actor_, Rezive_SetColorGainGreen1, h, g); got = RZ_CALL(actor_, Rezive_GetColorGainGreen1, h, okp); break;
                case 2: set = RZ_CALL(actor_, Rezive_SetColorGainGreen2, h, g); got = RZ_CALL(actor_, Rezive_GetColorGainGreen2, h, okp); break;
                default: set = RZ_CALL(actor_, Rezive_SetColorGainBlue, h, g); got = RZ_CALL(actor_, Rezive_GetColorGainBlue, h, okp); break;
            }
            CheckOkFlag("Rezive_GetColorGain", ok, 0x5A5A);
            if (set == 1 && g != 0) h_.Violation(actor_, "colour gain " + std::to_string(g) + " accepted");
            if (got != 0) h_.Violation(actor_, "colour gain read " + std::to_string(got));
            break;
        }
        case 4: case 5: {
            const bool vertical = U(2) == 0;
            const int32_t on = static_cast<int32_t>(PickOf(r_, {0, 1, 2, -1}));
            if (vertical) RZ_CALL(actor_, Rezive_SetMirrorV, h, on);
            else RZ_CALL(actor_, Rezive_SetMirrorH, h, on);
            const int32_t v = vertical ? RZ_CALL(actor_, Rezive_GetMirrorV, h) : RZ_CALL(actor_, Rezive_GetMirrorH, h);
            if (v != 0 && v != 1) h_.Violation(actor_, "mirror flag " + std::to_string(v));
            break;
        }
        case 6: case 7: {
            const int32_t mode = static_cast<int32_t>(PickOf(r_, {0, 0, 1, 2, 3, -1}));
            const int32_t set = RZ_CALL(actor_, Rezive_SetAutoIris, h, mode);
            if (set == 1 && (mode < 0 || mode > 2)) h_.Violation(actor_, "auto iris " + std::to_string(mode) + " accepted");
            const int32_t v = RZ_CALL(actor_, Rezive_GetAutoIris, h, okp);
            CheckOkFlag("Rezive_GetAutoIris", ok, 0x5A5A);
            if (v < 0 || v > 2) h_.Violation(actor_, "Rezive_GetAutoIris returned " + std::to_string(v));
            break;
        }
        default: {
            // Through the filter ids of the sensor settings.
            const int32_t id = static_cast<int32_t>(13 + U(6));
            const FilterRange range = RangeOf(id);
            RZ_CALL(actor_, Rezive_SetFilterValue, h, id, id == 18 ? Exposure() : AroundRange(r_, range.lo, range.hi));
            break;
        }
    }
}

void Worker::Filters() {
    const RzHandle h = PickHandle();
    int32_t ok = 0x5A5A;
    int32_t* okp = Chance(6) ? nullptr : &ok;
    const int32_t id = static_cast<int32_t>(U(31));
    const FilterRange range = RangeOf(id);
    int32_t set = 0, got = 0;
    const int32_t value = id == 18       ? Exposure()
                          : range.known ? AroundRange(r_, range.lo, range.hi)
                                        : AroundRange(r_, -10, 10);
    const bool named = U(2) == 0;
    if (named && id >= 1 && id <= 27 && (id < 13 || id > 18)) {
        // The named setters and getters forward to the same ids.
        switch (id) {
#define RZ_NAMED(Id, Name)                                                      \
    case Id:                                                                    \
        set = RZ_CALL(actor_, Rezive_Set##Name, h, value);                      \
        got = RZ_CALL(actor_, Rezive_Get##Name, h, okp);                        \
        break;
            RZ_NAMED(1, Brightness) RZ_NAMED(2, Contrast) RZ_NAMED(3, Hue) RZ_NAMED(4, Saturation)
            RZ_NAMED(5, Sharpness) RZ_NAMED(6, BayerGainRGB) RZ_NAMED(7, BayerGainRed)
            RZ_NAMED(8, BayerGainGreen) RZ_NAMED(9, BayerGainBlue) RZ_NAMED(10, BayerGainAuto)
            RZ_NAMED(11, Gamma) RZ_NAMED(12, BayerMode) RZ_NAMED(19, GrayMode)
            RZ_NAMED(20, GrayGainR) RZ_NAMED(21, GrayGainG1) RZ_NAMED(22, GrayGainG2)
            RZ_NAMED(23, GrayGainB) RZ_NAMED(24, GrayOffsetR) RZ_NAMED(25, GrayOffsetG1)
            RZ_NAMED(26, GrayOffsetG2) RZ_NAMED(27, GrayOffsetB)
#undef RZ_NAMED
            default: break;
        }
    } else {
        set = RZ_CALL(actor_, Rezive_SetFilterValue, h, id, value);
        got = RZ_CALL(actor_, Rezive_GetFilterValue, h, id, okp);
    }
    CheckOkFlag("filter getter", ok, 0x5A5A);
    const std::string where = "filter " + std::to_string(id);
    if (!range.known && (set == 1 || ok == 1))
        h_.Violation(actor_, where + " (unknown) succeeded");
    if (range.known && set == 1 && range.storedChecked && (value < range.lo || value > range.hi))
        h_.Violation(actor_, where + " accepted " + std::to_string(value));
    if (ok == 1 && range.storedChecked && (got < range.lo || got > range.hi))
        h_.Violation(actor_, where + " read back " + std::to_string(got) + " outside its range");
    if (ok == 1 && id == 6 && (got < 0 || got > 0xFFFFFF))
        h_.Violation(actor_, where + " read back " + std::to_string(got));
    if (ok == 1 && id == 10 && got != 0 && got != 1)
        h_.Violation(actor_, where + " read back " + std::to_string(got));
}

void Worker::Acquisition() {
    int slot = -1;
    const RzHandle h = PickHandle(&slot);
    const int s = slot < 0 ? static_cast<int>(U(static_cast<uint64_t>(h_.Handles()))) : slot;
    auto& pool = h_.Pool(s);
    auto poolBuffer = [&](void** buffer, int32_t* size) {
        const uint64_t k = U(10);
        if (k == 0) {
            *buffer = nullptr;
            *size = static_cast<int32_t>(PickOf(r_, {0, 64, kMaxFrameBytes}));
            return;
        }
        PoolBuffer& b = *pool[U(pool.size())];
        *buffer = b.bytes.data();
        *size = k == 1 ? 0 : k == 2 ? std::max(0, b.declared - 1) : b.declared;
    };
    switch (U(16)) {
        case 0: {
            const RzWindow parent = static_cast<RzWindow>(
                U(4) == 0 ? h_.CallbackWindow(s) : U(3) == 0 ? 0x7fff0100u : 0u);
            auto edge = [&] { return static_cast<int32_t>(PickOf(r_, {0, 0, 1, -1, 64, 320, 1280, 2000})); };
            RZ_CALL(actor_, Rezive_SetPreviewWindow, h, parent, edge(), edge(), edge(), edge());
            break;
        }
        case 1: { RZ_CALL(actor_, Rezive_Preview, h); } break;
        case 2: case 3: {
            void* buffer;
            int32_t size;
            poolBuffer(&buffer, &size);
            RZ_CALL(actor_, Rezive_CallBackPreview, h, PickWindow(s), buffer, size, TopDown());
            break;
        }
        case 4: { RZ_CALL(actor_, Rezive_StartPreview, h); } break;
        case 5: case 6: RZ_CALL(actor_, Rezive_StopPreview, h); break;
        case 7: { RZ_CALL(actor_, Rezive_Capture, h); } break;
        case 8: case 9: {
            if (U(3) == 0) RZ_CALL(actor_, Rezive_StopPreview, h);
            const int32_t size = SizeAround(RequiredBytes(h));
            const int32_t topDown = TopDown();
            if (Chance(8)) {
                RZ_CALL(actor_, Rezive_SnapShot, h, nullptr, size, topDown);
                break;
            }
            Guarded("Rezive_SnapShot", size, [&](uint8_t* b) {
                return RZ_CALL(actor_, Rezive_SnapShot, h, b, size, topDown);
            });
            break;
        }
        case 10: case 11: {
            const int32_t size = SizeAround(RequiredBytes(h));
            const int32_t topDown = TopDown();
            if (Chance(8)) {
                if (RZ_CALL(actor_, Rezive_GetImage, h, nullptr, size, topDown) == 1)
                    h_.Violation(actor_, "Rezive_GetImage into a null buffer succeeded");
                break;
            }
            const int32_t ok = Guarded("Rezive_GetImage", size, [&](uint8_t* b) {
                return RZ_CALL(actor_, Rezive_GetImage, h, b, size, topDown);
            });
            if (ok == 1 && size <= 0) h_.Violation(actor_, "Rezive_GetImage into " + std::to_string(size) + " bytes succeeded");
            break;
        }
        case 12: {
            void* buffer;
            int32_t size;
            poolBuffer(&buffer, &size);
            RZ_CALL(actor_, Rezive_Trigger, h, PickWindow(s), buffer, size, TopDown());
            break;
        }
        case 13: case 14: RZ_CALL(actor_, RzSoftwareTrigger, h); break;
        default: RZ_CALL(actor_, Rezive_Close, h); break;
    }
}

void Worker::Files() {
    const RzHandle h = PickHandle();
    static const char* kExt[] = {".bmp", ".raw", ".jpg", ".jpg", ".jpg", ".png", ".tif"};
    switch (U(6)) {
        case 0: case 1: {
            const int32_t format = static_cast<int32_t>(PickOf(r_, {0, 1, 2, 3, 4, 5, 6, 0, 5, -1, 7, 100}));
            const char* ext = (format >= 0 && format <= 6) ? kExt[format] : ".bin";
            const std::string name = Chance(5) ? BadFileName(ext) : FileName(ext);
            if (U(2) == 0) {
                RZ_CALL(actor_, Rezive_SaveImage, h, Chance(20) ? nullptr : name.c_str(), format);
            } else {
                std::u16string wide = Wide(name);
                if (Chance(10)) wide.insert(wide.begin() + static_cast<long>(wide.size() / 2), u'\xD800');
                RZ_CALL(actor_, Rezive_SaveImageW, h, Chance(20) ? nullptr : wide.c_str(), format);
            }
            break;
        }
        case 2: {
            const std::string name = Chance(6) ? BadFileName(".avi") : FileName(".avi");
            const int32_t ms = static_cast<int32_t>(PickOf(r_, {0, 1, 50, 200, -1}));
            const int32_t show = static_cast<int32_t>(U(2));
            if (U(2) == 0) {
                RZ_CALL(actor_, Rezive_Record, h, Chance(20) ? nullptr : name.c_str(), ms, show);
            } else {
                std::u16string wide = Wide(name);
                if (Chance(10)) wide.push_back(u'\xDC00');
                RZ_CALL(actor_, Rezive_RecordW, h, Chance(20) ? nullptr : wide.c_str(), ms, show);
            }
            break;
        }
        case 3: {
            const auto& files = h_.DefectFiles();
            const std::string name = files[U(files.size())];
            if (U(2) == 0) {
                RZ_CALL(actor_, Rezive_LoadConfigFileA, h, Chance(10) ? nullptr : name.c_str());
            } else {
                const std::u16string wide = Wide(name);
                RZ_CALL(actor_, Rezive_LoadConfigFileW, h, Chance(10) ? nullptr : wide.c_str());
            }
            break;
        }
        default: {
            // Property dialogs: no toolkit here, each must answer at once.
            const RzWindow parent = U(2) ? h_.AppWindow(0) : 0;
            switch (U(3)) {
                case 0: RZ_CALL(actor_, Rezive_SetCameraDlg, h, parent); break;
                case 1: RZ_CALL(actor_, Rezive_SetAnalogDlg, h, parent); break;
                default: RZ_CALL(actor_, Rezive_SetImageDlg, h, parent); break;
            }
            break;
        }
    }
}

void Worker::Registers() {
    const RzHandle h = PickHandle();
    int32_t ok = 0x5A5A;
    int32_t* okp = Chance(6) ? nullptr : &ok;
    // Register addresses the sensor model uses, and some it does not.
    const int32_t address = static_cast<int32_t>(
        PickOf(r_, {0x01, 0x05, 0x07, 0x09, 0x20, 0x2B, 0x2E, 0x35, 0xFF, 0x100, 0x12E, -1, INT32_MAX}));
    switch (U(8)) {
        case 0: case 1: {
            const bool ex = U(2) == 0;
            const int32_t v = ex ? RZ_CALL(actor_, Rezive_ReadRegisterEx, h, address, okp)
                                 : RZ_CALL(actor_, Rezive_ReadRegister, h, address, okp);
            CheckOkFlag("Rezive_ReadRegister", ok, 0x5A5A);
            if (ok == 1 && (v < 0 || v > 0xFFFF)) h_.Violation(actor_, "register read " + std::to_string(v));
            if (ok == 0 && v != 0) h_.Violation(actor_, "failed register read returned " + std::to_string(v));
            break;
        }
        case 2: {
            // Values the sensor keeps working with; the trigger bit of register 1 is left to
            // the acquisition calls.
            const int32_t value = static_cast<int32_t>(PickOf(r_, {0, 1, 8, 0x20, 0x100, 0x1FF}));
            if (address == 0x01) break;
            if (U(2) == 0) RZ_CALL(actor_, Rezive_WriteRegisterEx, h, address, value);
            else RZ_CALL(actor_, Rezive_WriteRegister, h, address, value);
            break;
        }
        case 3: case 4: {
            const int32_t index = static_cast<int32_t>(PickOf(r_, {0, 1, 7, 15, 16, 255, 256, -1, INT32_MAX}));
            const int32_t v = RZ_CALL(actor_, Rezive_ReadSromID, h, index, okp);
            CheckOkFlag("Rezive_ReadSromID", ok, 0x5A5A);
            if (ok == 1 && (v < 0 || v > 255)) h_.Violation(actor_, "ROM byte " + std::to_string(v));
            break;
        }
        case 5: {
            const int32_t index = static_cast<int32_t>(PickOf(r_, {0, 1, 7, 15, 16, 255, 256, -1}));
            RZ_CALL(actor_, Rezive_WriteSromID, h, index, static_cast<int32_t>(PickOf(r_, {0, 1, 0x41, 255, 256, -1})));
            break;
        }
        case 6: {
            if (Chance(6)) {
                if (RZ_CALL(actor_, Rezive_GetIOPort, h, nullptr, 0, 0) != 0)
                    h_.Violation(actor_, "Rezive_GetIOPort into null succeeded");
                break;
            }
            Guarded("Rezive_GetIOPort", 1, [&](uint8_t* b) {
                return RZ_CALL(actor_, Rezive_GetIOPort, h, b, static_cast<int32_t>(r_()), -1);
            });
            break;
        }
        default:
            RZ_CALL(actor_, Rezive_SetIOPort, h, static_cast<int32_t>(PickOf(r_, {0, 1, 0x80, 255, 256, -1})));
            break;
    }
}

void Worker::Companion() {
    switch (U(7)) {
        case 0: case 1: {
            // Drains the windows without a handler (the queue window, and callback windows
            // whose handler is switched off for a moment).
            RzMessage m;
            for (int n = 0; n < 256 && RZ_CALL(actor_, RzWaitMessage, h_.QueueWindow(), &m, 0) == 1; ++n) {
            }
            for (int s = 0; s < h_.Handles(); ++s)
                for (int n = 0; n < 256 && RZ_CALL(actor_, RzWaitMessage, h_.CallbackWindow(s), &m, 0) == 1; ++n) {
                }
            if (RZ_CALL(actor_, RzWaitMessage, 0x7fff0200u, &m, 0) != -1)
                h_.Violation(actor_, "RzWaitMessage on an unknown window did not return -1");
            if (RZ_CALL(actor_, RzWaitMessage, h_.QueueWindow(), nullptr, 0) != -1)
                h_.Violation(actor_, "RzWaitMessage with a null message did not return -1");
            break;
        }
        case 2: {
            // A callback window that disappears while a camera may post to it.
            const RzWindow w = RZ_CALL(actor_, RzCreateMessageWindow);
            if (w == 0) {
                h_.Violation(actor_, "RzCreateMessageWindow returned 0");
                break;
            }
            int slot = -1;
            const RzHandle h = PickHandle(&slot);
            const int s = slot < 0 ? 0 : slot;
            PoolBuffer& b = *h_.Pool(s)[U(h_.Pool(s).size())];
            {
                    RZ_CALL(actor_, Rezive_CallBackPreview, h, w, b.bytes.data(), b.declared, TopDown());
            }
            RzMessage m;
            RZ_CALL(actor_, RzWaitMessage, w, &m, static_cast<int32_t>(U(3)));
            if (RZ_CALL(actor_, RzDestroyWindow, w) != 1) h_.Violation(actor_, "RzDestroyWindow of a new window failed");
            if (RZ_CALL(actor_, RzDestroyWindow, w) != 0) h_.Violation(actor_, "second RzDestroyWindow succeeded");
            break;
        }
        case 3: {
            const int s = static_cast<int>(U(static_cast<uint64_t>(h_.Handles())));
            RZ_CALL(actor_, RzPostMessage, h_.CallbackWindow(s), RZ_WM_APP + 9, uintptr_t{0}, intptr_t{0});
            if (RZ_CALL(actor_, RzPostMessage, 0x7fff0300u, RZ_WM_APP, uintptr_t{0}, intptr_t{0}) != 0)
                h_.Violation(actor_, "RzPostMessage to an unknown window succeeded");
            break;
        }
        case 4: {
            // The handler goes away for a moment; frames queue meanwhile.
            const int s = static_cast<int>(U(static_cast<uint64_t>(h_.Handles())));
            RZ_CALL(actor_, RzSetMessageHandler, h_.CallbackWindow(s), nullptr, nullptr);
            std::this_thread::yield();
            RZ_CALL(actor_, RzSetMessageHandler, h_.CallbackWindow(s), &Harness::OnMessage,
                    h_.HandlerOf(s));
            break;
        }
        default: {
            const int32_t code = RZ_CALL(actor_, Rezive_GetLastError, PickHandle());
            if (code < 0 || code == 10 || code > 13)
                h_.Violation(actor_, "Rezive_GetLastError returned " + std::to_string(code));
            break;
        }
    }
}

void Worker::Unsupported() {
    const RzHandle h = PickHandle();
    int32_t ok = 0;
    int32_t r = 0;
    switch (U(7)) {
        case 0: r = RZ_CALL(actor_, Rezive_Fpga_ReadRegister, h, static_cast<int32_t>(r_()), &ok); break;
        case 1: r = RZ_CALL(actor_, Rezive_Fpga_WriteRegister, h, 1, 1); break;
        case 2: r = RZ_CALL(actor_, Rezive_Fps, h); break;
        case 3: r = RZ_CALL(actor_, Rezive_GetHalfClock, h); break;
        case 4: r = RZ_CALL(actor_, Rezive_SetHalfClock, h, 1); break;
        case 5: r = RZ_CALL(actor_, Rezive_SetCrossbar, h, -1); break;
        default: r = RZ_CALL(actor_, Rezive_SetSamplingRate, h, INT32_MAX); break;
    }
    if (r != 0) h_.Violation(actor_, "an unsupported export returned " + std::to_string(r));
}

// ---- Message handlers

void Harness::OnMessage(RzWindow, const RzMessage* m, void* user) {
    auto* ctx = static_cast<HandlerContext*>(user);
    Harness& h = *ctx->harness;
    Actor& actor = *ctx->actor;
    if (m->message != RZ_WM_FRAME) return;
    ++h.frameMessages;
    if (m->lParam != 0) {
        ++h.failedFrameMessages;
        if (m->lParam != RZ_ERR_BUFFER && m->lParam != RZ_ERR_TRANSFER && m->lParam != RZ_ERR_NO_FRAME)
            h.Violation(actor, "frame message with failure " + std::to_string(m->lParam));
    } else if (m->wParam != 0 && h.options().readFrameInfo) {
        RzFrameInfo info;
        std::memcpy(&info, reinterpret_cast<const void*>(m->wParam), sizeof info);
        if (info.size != static_cast<int32_t>(sizeof(RzFrameInfo)) || info.width < 0 ||
            info.width > kSensorWidth || info.height < 0 || info.height > kSensorHeight ||
            (info.bitsPerPixel != 8 && info.bitsPerPixel != 16 && info.bitsPerPixel != 24 &&
             info.bitsPerPixel != 32 && info.bitsPerPixel != 48 && info.bitsPerPixel != 64))
            h.Violation(actor, "frame info " + std::to_string(info.size) + " bytes, " +
                                   std::to_string(info.width) + "x" + std::to_string(info.height) +
                                   ", " + std::to_string(info.bitsPerPixel) + " bits");
        if (!h.IsPoolBuffer(info.buffer)) {
            h.Violation(actor, "frame info names a buffer the application never gave");
        } else if (const PoolBuffer* b = h.PoolOf(info.buffer); b && !b->Intact()) {
            h.Violation(actor, "the library wrote past the " + std::to_string(b->declared) +
                                   "-byte callback buffer");
        }
    }
    // Back into the library from the message thread.
    std::lock_guard lock(ctx->mutex);
    const auto gate = h.AcquisitionStartGate();
    const uint64_t k = ctx->random() % 64;
    const RzHandle handle = h.Slot(ctx->slot);
    if (k < 6) {
        ++h.reentrantCalls;
        RZ_CALL(actor, Rezive_StopPreview, handle);
    } else if (k < 9) {
        ++h.reentrantCalls;
        const int32_t size = static_cast<int32_t>(ctx->random() % 70000);
        FillCanary(ctx->scratch.data() + size);
        RZ_CALL(actor, Rezive_GetImage, handle, ctx->scratch.data(), size, 1);
        if (!CanaryIntact(ctx->scratch.data() + size))
            h.Violation(actor, "Rezive_GetImage wrote past the " + std::to_string(size) + " bytes it was given");
    } else if (k < 13) {
        ++h.reentrantCalls;
        RZ_CALL(actor, RzSoftwareTrigger, handle);
    } else if (k == 13) {
        ++h.reentrantCalls;
        RZ_CALL(actor, Rezive_Close, handle);
    } else if (k == 14) {
        ++h.reentrantCalls;
        RZ_CALL(actor, Rezive_SetColorMode, handle, (ctx->random() & 1) ? 24 : 16);
    }
}

void Harness::OnAppMessage(RzWindow, const RzMessage* m, void* user) {
    auto* ctx = static_cast<HandlerContext*>(user);
    Harness& h = *ctx->harness;
    if (m->message != RZ_WM_ERROR) return;
    ++h.errorMessages;
    const intptr_t code = m->lParam;
    if (code < 1 || code == 10 || code > 13)
        h.Violation(*ctx->actor, "error message with code " + std::to_string(code));
}

// ---- The run

void Harness::Prepare() {
    setenv("REZIVE_VIRTUAL_CAMERAS", std::to_string(kCameras).c_str(), 1);
    dir_ = TempDir() + "/stress-" + std::to_string(options_.seed);
    std::filesystem::create_directories(dir_);

    // Defect files: a few points, points on and past every edge, a torn record, an empty file.
    auto write = [&](const std::string& name, const std::vector<int32_t>& values, size_t cut) {
        const std::string path = dir_ + "/" + name;
        std::ofstream out(path, std::ios::binary);
        std::string bytes(reinterpret_cast<const char*>(values.data()), values.size() * 4);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size() - std::min(cut, bytes.size())));
        defectFiles_.push_back(path);
    };
    write("few.def", {10, 10, 100, 5, 640, 360}, 0);
    write("edges.def", {0, 0, 1279, 719, 1280, 720, -1, -1, 0, 719, 1279, 0, 1281, 721}, 0);
    write("wild.def", {INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN, -100000, 5, 5, 100000}, 0);
    write("torn.def", {3, 3, 4, 4}, 3);
    write("empty.def", {}, 0);
    defectFiles_.push_back(dir_ + "/missing.def");
    defectFiles_.push_back(dir_);

    for (int c = 0; c < kCameras; ++c) {
        virtual_camera::VirtualCamera& cam = virtual_camera::CameraAt(c);
        cam.Reset();
        cam.SetTimeScale(0.05);
        cam.SetTimeoutLimitMs(300);
    }

    const int handles = options_.handles;
    pools_.resize(static_cast<size_t>(handles));
    for (int s = 0; s < handles; ++s) {
        for (int32_t declared : {64, 128 * 16 * 3, 128 * 16 * 8, 256 * 32 * 8, 640 * 480 * 8, kMaxFrameBytes})
            pools_[s].push_back(std::make_unique<PoolBuffer>(declared));
    }

    queueWindow_ = RzCreateMessageWindow();
    for (int s = 0; s < handles; ++s) {
        for (int kind = 0; kind < 2; ++kind) {
            auto ctx = std::make_unique<HandlerContext>();
            ctx->harness = this;
            ctx->slot = s;
            actors_.emplace_back();
            actors_.back().name = (kind == 0 ? "callback handler " : "app handler ") + std::to_string(s);
            ctx->actor = &actors_.back();
            ctx->random.seed(options_.seed * 1000003u + static_cast<uint64_t>(s * 2 + kind));
            ctx->scratch.resize(70000 + kCanary);
            const RzWindow w = RzCreateMessageWindow();
            RzSetMessageHandler(w, kind == 0 ? &Harness::OnMessage : &Harness::OnAppMessage, ctx.get());
            (kind == 0 ? callbackWindows_ : appWindows_).push_back(w);
            if (kind == 0) handlerContexts_.push_back(std::move(ctx));
            else appContexts_.push_back(std::move(ctx));
        }
    }
    for (int s = 0; s < handles; ++s) {
        const RzHandle h = static_cast<RzHandle>(Rezive_Initialize(appWindows_[s]));
        Rezive_SetCaptureWindowEx(h, 1280, 0, 128, 720, 0, 16);
        NoteIssued(h);
        slots_[s].store(h);
    }
}

void Harness::InjectFaults(Actor& actor) {
    std::mt19937_64 r(options_.seed ^ 0xfa017ull);
    struct Pending {
        int64_t replugAt = -1;
        int64_t unstallAt = -1;
        int64_t clearExchangesAt = -1;
    } pending[kCameras];
    auto tracked = [&](const char* what, const std::function<void()>& f) {
        Tracked(actor, Calls().Id(what), [&] {
            f();
            return 0;
        });
    };
    int64_t quietUntil = 0;
    while (!stop_.load() && options_.faults) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5 + r() % 60));
        const int64_t now = NowMs();
        for (int c = 0; c < kCameras; ++c) {
            virtual_camera::VirtualCamera& cam = virtual_camera::CameraAt(c);
            Pending& p = pending[c];
            if (p.replugAt >= 0 && now >= p.replugAt) {
                tracked("vc.Replug", [&] { cam.Replug(); });
                p.replugAt = -1;
            }
            if (p.unstallAt >= 0 && now >= p.unstallAt) {
                tracked("vc.SetStalled", [&] { cam.SetStalled(false); });
                p.unstallAt = -1;
            }
            if (p.clearExchangesAt >= 0 && now >= p.clearExchangesAt) {
                tracked("vc.FailExchanges", [&] { cam.FailExchanges(0, 0); });
                p.clearExchangesAt = -1;
            }
        }
        // Faults come in bursts with quiet stretches between, so acquisitions also get to run.
        if (now < quietUntil) continue;
        if (r() % 16 == 0) {
            quietUntil = now + 300 + static_cast<int64_t>(r() % 1500);
            continue;
        }
        const int c = static_cast<int>(r() % kCameras);
        virtual_camera::VirtualCamera& cam = virtual_camera::CameraAt(c);
        Pending& p = pending[c];
        switch (r() % 10) {
            case 0:
                if (p.replugAt < 0) {
                    tracked("vc.Unplug", [&] { cam.Unplug(); });
                    p.replugAt = now + 5 + static_cast<int64_t>(r() % 150);
                    CountFault("unplug");
                }
                break;
            case 1: {
                const int32_t n = 1 + static_cast<int32_t>(r() % 3);
                tracked("vc.FailNextTransfers", [&] { cam.FailNextTransfers(n); });
                CountFault("failed transfers");
                break;
            }
            case 2: {
                const int32_t n = 1 + static_cast<int32_t>(r() % 3);
                tracked("vc.ShortNextTransfers", [&] { cam.ShortNextTransfers(n); });
                CountFault("short transfers");
                break;
            }
            case 3:
                if (p.unstallAt < 0) {
                    tracked("vc.SetStalled", [&] { cam.SetStalled(true); });
                    p.unstallAt = now + 10 + static_cast<int64_t>(r() % 300);
                    CountFault("stall");
                }
                break;
            case 4: {
                const uint32_t kinds = 1 + static_cast<uint32_t>(r() % 7);
                const bool lasting = r() % 4 == 0;
                const int32_t n = lasting ? -1 : 1 + static_cast<int32_t>(r() % 4);
                tracked("vc.FailExchanges", [&] { cam.FailExchanges(kinds, n); });
                if (lasting) p.clearExchangesAt = now + 10 + static_cast<int64_t>(r() % 200);
                CountFault(lasting ? "exchange failures (lasting)" : "exchange failures");
                break;
            }
            case 5:
                tracked("vc.ExternalTrigger", [&] { cam.ExternalTrigger(); });
                CountFault("external trigger");
                break;
            case 6: {
                static const double kScales[] = {0.0, 0.02, 0.05, 0.05, 0.2};
                const double scale = kScales[r() % 5];
                tracked("vc.SetTimeScale", [&] { cam.SetTimeScale(scale); });
                CountFault("time scale change");
                break;
            }
            default: break;
        }
    }
    for (int c = 0; c < kCameras; ++c) {
        virtual_camera::VirtualCamera& cam = virtual_camera::CameraAt(c);
        tracked("vc.Recover", [&] {
            cam.Replug();
            cam.SetStalled(false);
            cam.FailExchanges(0, 0);
            cam.FailNextTransfers(0);
            cam.ShortNextTransfers(0);
            cam.SetTimeScale(0.05);
        });
    }
}

void Harness::Watchdog() {
    const int64_t limitMs = options_.hangSeconds * 1000;
    std::unique_lock lock(watchdogMutex_);
    while (!finished_.load()) {
        watchdogWake_.wait_for(lock, std::chrono::milliseconds(500));
        const int64_t now = NowMs();
        bool hung = false;
        for (const Actor& a : actors_) {
            const int call = a.call.load();
            if (call >= 0 && now - a.sinceMs.load() > limitMs) hung = true;
        }
        if (!hung) continue;
        std::fprintf(stderr,
                     "\nstress: HANG - a call has not returned within %lld s (seed %llu; rerun "
                     "with REZIVE_STRESS_SEED=%llu)\n",
                     static_cast<long long>(options_.hangSeconds),
                     static_cast<unsigned long long>(options_.seed),
                     static_cast<unsigned long long>(options_.seed));
        for (const Actor& a : actors_) {
            const int call = a.call.load();
            if (call < 0) {
                std::fprintf(stderr, "  %-20s between calls\n", a.name.c_str());
            } else {
                std::fprintf(stderr, "  %-20s inside %s for %lld ms\n", a.name.c_str(),
                             Calls().Name(call).c_str(), static_cast<long long>(now - a.sinceMs.load()));
            }
        }
        std::fflush(stderr);
        DumpThreadStacks();
        std::abort();
    }
}

void Harness::Cleanup(Actor& actor) {
    std::vector<RzHandle> issued;
    {
        std::lock_guard lock(issuedMutex_);
        issued = issued_;
    }
    for (int s = 0; s < options_.handles; ++s) slots_[s].store(0);
    for (RzHandle h : issued) RZ_CALL(actor, Rezive_Release, h);
    for (RzWindow w : callbackWindows_) RZ_CALL(actor, RzSetMessageHandler, w, nullptr, nullptr);
    for (RzWindow w : appWindows_) RZ_CALL(actor, RzSetMessageHandler, w, nullptr, nullptr);
    for (RzWindow w : callbackWindows_) RZ_CALL(actor, RzDestroyWindow, w);
    for (RzWindow w : appWindows_) RZ_CALL(actor, RzDestroyWindow, w);
    RZ_CALL(actor, RzDestroyWindow, queueWindow_);
    for (auto& pool : pools_)
        for (auto& b : pool)
            if (!b->Intact())
                Violation(actor, "a " + std::to_string(b->declared) + "-byte callback buffer was overrun");
}

void Harness::Report(double seconds) {
    uint64_t total = 0;
    auto counts = Calls().Counts();
    std::sort(counts.begin(), counts.end(), [](const auto& a, const auto& b) { return a.calls > b.calls; });
    std::string table;
    int column = 0;
    for (const auto& [name, n, nonzero] : counts) {
        if (name.rfind("vc.", 0) == 0 || n == 0) continue;
        total += n;
        char cell[80];
        std::snprintf(cell, sizeof cell, "  %-27s %6llu/%-6llu", name.c_str(), static_cast<unsigned long long>(n),
                      static_cast<unsigned long long>(nonzero));
        table += cell;
        if (++column % 3 == 0) table += "\n";
    }
    std::string faults;
    {
        std::lock_guard lock(faultMutex_);
        for (const auto& [kind, n] : faults_)
            faults += "  " + kind + ": " + std::to_string(n) + "\n";
    }
    std::printf(
        "\nstress summary (seed %llu, %d threads, %d handles, %.1f s)\n"
        "  %llu calls, %.0f calls/s; frame messages %llu (%llu failures), error messages %llu, "
        "re-entrant handler calls %llu\ncalls per export (calls/nonzero results):\n%s\ntime spent, by export:\n%s\nfaults injected:\n%s",
        static_cast<unsigned long long>(options_.seed), options_.threads, options_.handles, seconds,
        static_cast<unsigned long long>(total), seconds > 0 ? static_cast<double>(total) / seconds : 0.0,
        static_cast<unsigned long long>(frameMessages.load()),
        static_cast<unsigned long long>(failedFrameMessages.load()),
        static_cast<unsigned long long>(errorMessages.load()),
        static_cast<unsigned long long>(reentrantCalls.load()), table.c_str(),
        Calls().Slowest(12).c_str(), faults.c_str());
    std::fflush(stdout);
}

void Harness::Run() {
    // A sanitizer may start a helper thread of its own with the process's first thread.
    std::thread([] {}).join();
    for (int i = 0; i < options_.threads; ++i) {
        actors_.emplace_back();
        actors_.back().name = "thread " + std::to_string(i);
    }
    actors_.emplace_back();
    Actor& injectorActor = actors_.back();
    injectorActor.name = "fault injector";
    actors_.emplace_back();
    Actor& mainActor = actors_.back();
    mainActor.name = "main";
    std::vector<Actor*> workerActors;
    for (int i = 0; i < options_.threads; ++i) workerActors.push_back(&actors_[static_cast<size_t>(i)]);
    // The USB bus (libusb's context and its event threads) lives as long as the library once a
    // first camera object started it: it is started before the count the camera threads are
    // held to.
    Rezive_Release(Rezive_Initialize(0));
    const int baseline = SettledThreadCount();  // the released camera's threads may still be listed
    Prepare();  // adds the handler actors; actors_ is a deque, so references stay valid

    std::printf("stress: seed %llu (REZIVE_STRESS_SEED=%llu to rerun), %d threads x %d handles over "
                "%d virtual cameras, %lld s, hang limit %lld s\n",
                static_cast<unsigned long long>(options_.seed),
                static_cast<unsigned long long>(options_.seed), options_.threads, options_.handles,
                kCameras, static_cast<long long>(options_.seconds),
                static_cast<long long>(options_.hangSeconds));
    std::fflush(stdout);

    std::thread watchdog([this] { Watchdog(); });
    const auto start = SteadyClock::now();
    std::thread injector([&] { InjectFaults(injectorActor); });
    std::vector<std::thread> threads;
    for (int i = 0; i < options_.threads; ++i) {
        threads.emplace_back([this, i, &workerActors] {
            Worker worker(*this, i, *workerActors[static_cast<size_t>(i)]);
            while (!stop_.load()) worker.Step();
        });
    }
    std::this_thread::sleep_until(start + std::chrono::seconds(options_.seconds));
    stop_.store(true);
    for (auto& t : threads) t.join();
    injector.join();
    const double seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
    Cleanup(mainActor);
    // Every camera thread ends with its handle; a generous wait for a loaded machine.
    // The watchdog is the one thread of ours still running.
    int threadsLeft = 0;
    const bool threadsGone = WaitForThreadCount(baseline + 1, &threadsLeft);
    if (!threadsGone) {
        std::fprintf(stderr, "stress: %d threads outlive every handle (seed %llu):\n", threadsLeft,
                     static_cast<unsigned long long>(options_.seed));
        DumpThreadStacks();
    }
    finished_.store(true);
    watchdogWake_.notify_all();
    watchdog.join();
    Report(seconds);

    EXPECT_TRUE(threadsGone) << threadsLeft << " threads 60 s after the last release, " << baseline
                             << " before the run";
    std::string texts;
    for (const auto& t : violationTexts_) texts += "  " + t + "\n";
    EXPECT_EQ(violations_, 0u) << "seed " << options_.seed << ":\n" << texts;
}

Options OptionsFromEnvironment(int64_t defaultSeconds) {
    Options o;
    o.seconds = std::max<int64_t>(1, EnvInt("REZIVE_STRESS_SECONDS", defaultSeconds));
    o.threads = static_cast<int>(std::clamp<int64_t>(EnvInt("REZIVE_STRESS_THREADS", 4), 1, 32));
    o.handles = static_cast<int>(std::clamp<int64_t>(EnvInt("REZIVE_STRESS_HANDLES", 2), 1, 8));
    o.hangSeconds = std::max<int64_t>(1, EnvInt("REZIVE_STRESS_HANG_SECONDS", 60));
    o.readFrameInfo = EnvInt("REZIVE_STRESS_FRAME_INFO", 1) != 0;
    o.faults = EnvInt("REZIVE_STRESS_FAULTS", 1) != 0;
    if (const char* avoid = std::getenv("REZIVE_STRESS_AVOID")) o.avoid = avoid;
    return o;
}

TEST(ApiRandomStress, RandomSeed) {
    Options o = OptionsFromEnvironment(15);
    const char* seed = std::getenv("REZIVE_STRESS_SEED");
    o.seed = (seed != nullptr && *seed != '\0') ? std::strtoull(seed, nullptr, 0)
                                               : (std::random_device{}() | uint64_t{std::random_device{}()} << 32);
    Harness(o).Run();
}

// Seeds that once found a fault, each rerun for a few seconds (REZIVE_STRESS_AVOID applies to
// them too). What they found, the first with the default options, the later ones with the
// earlier faults' argument classes avoided:
//   1  integer overflow placing a preview window sized from a capture window that failed
//      validation (width INT32_MIN); a full raw frame copied into the buffer of a 2-pixel-wide
//      window; a preview surface of 1280 x INT32_MAX pixels requested
//   3  a device switch under a running stream freeing the transfer ring (one thread, no faults);
//      a window change racing the start or stop of a stream, freeing the ring likewise; a frame
//      message's RzFrameInfo read after its camera was released
constexpr uint64_t kRegressionSeeds[] = {1, 3};

class ApiRandomStressRegression : public testing::TestWithParam<uint64_t> {};

TEST_P(ApiRandomStressRegression, Seed) {
    Options o = OptionsFromEnvironment(3);
    o.seconds = std::max<int64_t>(1, EnvInt("REZIVE_STRESS_REGRESSION_SECONDS", 3));
    o.seed = GetParam();
    Harness(o).Run();
}

INSTANTIATE_TEST_SUITE_P(KnownSeeds, ApiRandomStressRegression, testing::ValuesIn(kRegressionSeeds),
                         [](const testing::TestParamInfo<uint64_t>& info) {
                             return "seed_" + std::to_string(info.param);
                         });

}  // namespace
}  // namespace rezive::test
