// libFuzzer target over the public C interface: the bytes become a sequence of Rezive_ calls
// and their arguments on one or two virtual cameras. Whatever the sequence, no call may crash,
// write outside a buffer it was given, leak or trip a sanitizer.
//
// Each input starts from the same state: the virtual cameras reset and running as fast as
// frames are asked for, no settings file, no handle open; every handle is released at the end,
// so nothing carries over from one input to the next. Settings, shared memory and saved files
// live in a private folder (and shared-memory name) of this process.
#include <fuzzer/FuzzedDataProvider.h>
#include <sys/mman.h>
#include <unistd.h>

#include <ReziveSdk.h>

#include <array>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "virtual_camera/virtual_camera.h"

namespace {

namespace fs = std::filesystem;

std::string g_dir;          // private folder of this process
std::string g_settings;     // REZIVE_SETTINGS_FILE
std::string g_sharedName;   // REZIVE_SHARED_NAME
RzWindow g_window = 0;      // the application window handed to Rezive_Initialize
bool g_trace = false;       // REZIVE_FUZZ_TRACE=1: each call on standard error (reproducing)

template <typename... Args>
void Trace(const char* call, Args... args) {
    if (!g_trace) return;
    std::fprintf(stderr, "%s", call);
    ((std::fprintf(stderr, " %lld", static_cast<long long>(args))), ...);
    std::fprintf(stderr, "\n");
}

void RemovePrivateState() {
    std::error_code ignored;
    if (!g_dir.empty()) fs::remove_all(g_dir, ignored);
    if (!g_sharedName.empty()) shm_unlink(g_sharedName.c_str());
}

constexpr int kHandles = 3;
// Frames asked for while the sensor waits for a trigger fail after this long: enough for
// a frame that is due, short enough that a run stays fast.
constexpr int32_t kTimeoutLimitMs = 20;
// Calls per input; a longer input only repeats what a shorter one can reach.
constexpr int kMaxCalls = 48;
// Whole-frame calls (snapshot, save) per input: each costs milliseconds under the sanitizers.
constexpr int kMaxFrames = 6;

// Values around every limit the interface has: zero, one, the sensor's sizes and their
// neighbours, widths 0-3, the 16-bit and 32-bit extremes.
constexpr int32_t kEdges[] = {
    0, 1, 2, 3, 4, 7, 8, 15, 16, 17, 63, 64, 100, 127, 128, 240, 255, 256, 479, 480, 511, 512,
    637, 639, 640, 641, 719, 720, 721, 1023, 1024, 1279, 1280, 1281, 2559, 2560, 4095, 4096,
    32767, 32768, 65535, 65536, -1, -2, -3, -720, -1280, -32768, INT_MAX, INT_MAX - 1, INT_MIN,
    INT_MIN + 1,
};

int32_t EdgeValue(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0: return in.PickValueInArray(kEdges);
        case 1: {  // a neighbour, wrapping round at the 32-bit ends
            const uint32_t edge = static_cast<uint32_t>(in.PickValueInArray(kEdges));
            return static_cast<int32_t>(edge + static_cast<uint32_t>(in.ConsumeIntegralInRange<int32_t>(-2, 2)));
        }
        case 2: return in.ConsumeIntegralInRange<int32_t>(-4, 1300);
        default: return in.ConsumeIntegral<int32_t>();
    }
}

// A capture-window coordinate: mostly near the sensor's limits, sometimes anything.
int32_t Geometry(FuzzedDataProvider& in, int32_t full) {
    switch (in.ConsumeIntegralInRange<int>(0, 4)) {
        case 0: return in.ConsumeIntegralInRange<int32_t>(0, 3);
        case 1: return full + in.ConsumeIntegralInRange<int32_t>(-3, 3);
        case 2: return full / 2 + in.ConsumeIntegralInRange<int32_t>(-3, 3);
        case 3: return in.ConsumeIntegralInRange<int32_t>(0, full);
        default: return EdgeValue(in);
    }
}

constexpr int32_t kColorBits[] = {8, 16, 24, 32, 48, 64, 0, 12, 44, 60, 7, 9, 65, -8, -1};
constexpr int32_t kSubSamples[] = {0, 1, 2, 3, 4, 16, 17, 18, 19, 20, -1, 255};

using SetInt = int32_t (*)(RzHandle, int32_t);
using GetOk = int32_t (*)(RzHandle, int32_t*);
using GetPlain = int32_t (*)(RzHandle);

constexpr SetInt kSetters[] = {
    Rezive_SetExposureTime, Rezive_SetRealExposureTime, Rezive_SetGlobalGain,
    Rezive_SetColorGainRed, Rezive_SetColorGainGreen1, Rezive_SetColorGainGreen2,
    Rezive_SetColorGainBlue, Rezive_SetBrightness, Rezive_SetContrast, Rezive_SetHue,
    Rezive_SetSaturation, Rezive_SetSharpness, Rezive_SetBayerGainRGB, Rezive_SetBayerGainRed,
    Rezive_SetBayerGainGreen, Rezive_SetBayerGainBlue, Rezive_SetBayerGainAuto, Rezive_SetGamma,
    Rezive_SetBayerMode, Rezive_SetGrayMode, Rezive_SetGrayGainR, Rezive_SetGrayGainG1,
    Rezive_SetGrayGainG2, Rezive_SetGrayGainB, Rezive_SetGrayOffsetR, Rezive_SetGrayOffsetG1,
    Rezive_SetGrayOffsetG2, Rezive_SetGrayOffsetB, Rezive_SetConfigFilter, Rezive_SetHalfClock,
    Rezive_SetCrossbar, Rezive_SetSamplingRate, Rezive_GetStatus,
};

constexpr GetOk kOkGetters[] = {
    Rezive_GetExposureTime, Rezive_GetRealExposureTime, Rezive_GetGlobalGain,
    Rezive_GetColorGainRed, Rezive_GetColorGainGreen1, Rezive_GetColorGainGreen2,
    Rezive_GetColorGainBlue, Rezive_GetAutoIris, Rezive_GetBrightness, Rezive_GetContrast,
    Rezive_GetHue, Rezive_GetSaturation, Rezive_GetSharpness, Rezive_GetBayerGainRGB,
    Rezive_GetBayerGainRed, Rezive_GetBayerGainGreen, Rezive_GetBayerGainBlue,
    Rezive_GetBayerGainAuto, Rezive_GetGamma, Rezive_GetBayerMode, Rezive_GetGrayMode,
    Rezive_GetGrayGainR, Rezive_GetGrayGainG1, Rezive_GetGrayGainG2, Rezive_GetGrayGainB,
    Rezive_GetGrayOffsetR, Rezive_GetGrayOffsetG1, Rezive_GetGrayOffsetG2,
    Rezive_GetGrayOffsetB,
};

constexpr GetPlain kPlainGetters[] = {
    Rezive_GetLastError, Rezive_GetColorMode, Rezive_GetSubSample, Rezive_Width, Rezive_Height,
    Rezive_GetWaitTime, Rezive_GetConfigFilter, Rezive_GetMirrorH, Rezive_GetMirrorV, Rezive_Fps,
    Rezive_GetHalfClock,
};


// The buffer size an image of the handle's current window and colour mode needs.
int64_t NeededBytes(RzHandle h) {
    const int64_t width = Rezive_Width(h);
    const int64_t height = Rezive_Height(h);
    const int32_t code = Rezive_GetColorMode(h);
    const int64_t bits = RZ_BITS_OF_COLOR_MODE(code);
    if (width <= 0 || height <= 0 || bits == 0) return 0;
    return ((width * bits / 8 + 3) & ~int64_t{3}) * height;
}

// Buffers handed to the library. Exactly their stated size, so the address sanitizer sees a
// write one byte past the end; kept until every handle is released, because a preview or
// trigger acquisition writes into its buffer from the worker thread.
struct Buffers {
    std::vector<std::unique_ptr<uint8_t[]>> held;

    // Returns a buffer of a size around the needed one and stores that size in *size.
    uint8_t* Around(FuzzedDataProvider& in, RzHandle h, int32_t* size) {
        const int64_t need = NeededBytes(h);
        int64_t want;
        switch (in.ConsumeIntegralInRange<int>(0, 5)) {
            case 0: want = need; break;
            case 1: want = need - in.ConsumeIntegralInRange<int32_t>(1, 4); break;
            case 2: want = need + in.ConsumeIntegralInRange<int32_t>(1, 4); break;
            case 3: want = need / 2; break;
            case 4: want = in.ConsumeIntegralInRange<int32_t>(0, 16); break;
            default: want = 1280 * 720 * 8 + 64; break;  // the largest frame there is
        }
        if (want < 0) want = 0;
        if (want > 1280 * 720 * 8 + 64) want = 1280 * 720 * 8 + 64;
        *size = static_cast<int32_t>(want);
        if (in.ConsumeIntegralInRange<int>(0, 15) == 0) return nullptr;
        held.emplace_back(new uint8_t[static_cast<size_t>(want) + (want == 0 ? 1 : 0)]);
        return held.back().get();
    }
};

// Frames come as fast as they are asked for, so a snapshot never waits for a frame period, and
// the frames of a trigger acquisition that gets no trigger fail at the capped time-out.
void PrepareCameras(int32_t cameras) {
    setenv("REZIVE_VIRTUAL_CAMERAS", cameras == 2 ? "2" : "1", 1);
    for (int32_t slot = 0; slot < 2; ++slot) {
        auto& camera = rezive::virtual_camera::CameraAt(slot);
        camera.Reset();
        camera.SetTimeScale(0.0);
        camera.SetTimeoutLimitMs(kTimeoutLimitMs);
    }
}

// The library's settling pauses are for a real camera's controller; the virtual one answers at
// once, so they are cut a hundredfold (still a pause, so that waiting loops do not spin).
void ShortSleep(int32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::microseconds(10 * int64_t{milliseconds}));
}

void Drain(RzWindow window) {
    RzMessage m;
    while (RzWaitMessage(window, &m, 0) == 1) {
    }
}

const char* const kExtensions[] = {".bmp", ".raw", ".jpg", ".jpg", ".jpg", ".png", ".tif", ".x"};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/rezive-api-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    g_dir = pattern;
    g_settings = g_dir + "/settings.reg";
    g_sharedName = "/rezive-api-fuzz-" + std::to_string(getpid());
    setenv("REZIVE_SETTINGS_FILE", g_settings.c_str(), 1);
    setenv("REZIVE_SHARED_NAME", g_sharedName.c_str(), 1);
    unsetenv("REZIVE_VIRTUAL_SCENE");
    unsetenv("REZIVE_VIRTUAL_NOISE");
    std::atexit(RemovePrivateState);
    const char* trace = std::getenv("REZIVE_FUZZ_TRACE");
    g_trace = trace != nullptr && *trace == '1';
    rezive::platform::SetSleepForTesting(ShortSleep);
    g_window = RzCreateMessageWindow();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    std::remove(g_settings.c_str());
    PrepareCameras(in.ConsumeBool() ? 2 : 1);

    std::array<RzHandle, kHandles> handles{};
    Buffers buffers;
    int frames = 0;
    // Mostly a handle that is open, so that a sequence's calls meet on one camera; sometimes
    // a slot whatever its state (0 when it is closed), or a handle never given out.
    auto pick = [&]() -> RzHandle {
        const int i = in.ConsumeIntegralInRange<int>(0, 15);
        if (i < kHandles) return handles[i];
        if (i == 15) return 0x7FFFFFFFu;
        for (RzHandle h : handles) {
            if (h != 0) return h;
        }
        return 0;
    };

    // Each argument is read in a statement of its own: the order in which a call's arguments
    // are evaluated is unspecified, and the hand-made seeds (make_seeds.py) rely on this one.
    for (int call = 0; call < kMaxCalls && in.remaining_bytes() > 0; ++call) {
        const int op = in.ConsumeIntegralInRange<int>(0, 31);
        Trace("op", op);
        switch (op) {
            case 0: {  // open
                const int i = in.ConsumeIntegralInRange<int>(0, kHandles - 1);
                const RzWindow window = in.ConsumeBool() ? g_window : 0;
                // A whole frame costs a third of a second under the sanitizers, so most opened
                // cameras get a small window straight away; the window calls still reach every
                // size, and a quarter of the cameras keep the whole sensor.
                const int small = in.ConsumeIntegralInRange<int>(0, 3);
                const int32_t x = 2 * in.ConsumeIntegralInRange<int32_t>(0, 320);
                const int32_t y = 2 * in.ConsumeIntegralInRange<int32_t>(0, 180);
                if (handles[i] == 0) {
                    handles[i] = static_cast<RzHandle>(Rezive_Initialize(window));
                    if (small != 0) Rezive_SetCaptureWindowEx(handles[i], 1280, x, 32 * small, 720, y, 24 * small);
                }
                Trace("Initialize (slot, handle, small window at)", i, handles[i], small, x, y);
                break;
            }
            case 1: {  // release
                const int i = in.ConsumeIntegralInRange<int>(0, kHandles - 1);
                Trace("Release", handles[i]);
                Rezive_Release(handles[i]);
                handles[i] = 0;
                break;
            }
            case 2: {
                const RzHandle h = pick();
                const int32_t bits = in.ConsumeBool() ? in.PickValueInArray(kColorBits) : EdgeValue(in);
                Trace("SetColorMode", h, bits, Rezive_SetColorMode(h, bits));
                break;
            }
            case 3: {
                const RzHandle h = pick();
                const int32_t w = Geometry(in, 1280);
                const int32_t hh = Geometry(in, 720);
                Trace("SetCaptureWindow", h, w, hh, Rezive_SetCaptureWindow(h, w, hh));
                break;
            }
            case 4: {
                const RzHandle h = pick();
                const int32_t tw = Geometry(in, 1280), x = Geometry(in, 1280), w = Geometry(in, 1280);
                const int32_t th = Geometry(in, 720), y = Geometry(in, 720), hh = Geometry(in, 720);
                Trace("SetCaptureWindowEx", h, tw, x, w, th, y, hh,
                      Rezive_SetCaptureWindowEx(h, tw, x, w, th, y, hh));
                break;
            }
            case 5: {
                const RzHandle h = pick();
                Rezive_SetSubSample(h, in.ConsumeBool() ? in.PickValueInArray(kSubSamples)
                                                        : EdgeValue(in));
                break;
            }
            case 6: {
                const RzHandle h = pick();
                const size_t which = in.ConsumeIntegralInRange<size_t>(0, std::size(kSetters) - 1);
                const int32_t value = EdgeValue(in);
                Trace("setter", h, which, value, kSetters[which](h, value));
                break;
            }
            case 7: {
                const RzHandle h = pick();
                const int32_t id = in.ConsumeIntegralInRange<int32_t>(0, 30);
                const int32_t value = EdgeValue(in);
                Trace("SetFilterValue", h, id, value, Rezive_SetFilterValue(h, id, value));
                break;
            }
            case 8: {
                const RzHandle h = pick();
                const int32_t id = in.ConsumeIntegralInRange<int32_t>(-1, 31);
                int32_t ok = 0;
                Rezive_GetFilterValue(h, id, in.ConsumeBool() ? &ok : nullptr);
                break;
            }
            case 9: {
                const RzHandle h = pick();
                const int32_t v = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(-1, 2)
                                                   : EdgeValue(in);
                const bool horizontal = in.ConsumeBool();
                Trace(horizontal ? "SetMirrorH" : "SetMirrorV", h, v,
                      horizontal ? Rezive_SetMirrorH(h, v) : Rezive_SetMirrorV(h, v));
                break;
            }
            case 10: {
                const RzHandle h = pick();
                Rezive_SetAutoIris(h, in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(-1, 4)
                                                       : EdgeValue(in));
                break;
            }
            case 11: {  // a wait time the preview loop sleeps per frame: keep it small
                const RzHandle h = pick();
                Rezive_SetWaitTime(h, in.ConsumeIntegralInRange<int32_t>(-2, 3));
                break;
            }
            case 12: {
                if (frames >= kMaxFrames) break;
                ++frames;
                const RzHandle h = pick();
                int32_t bytes = 0;
                uint8_t* buffer = in.ConsumeBool() ? buffers.Around(in, h, &bytes) : nullptr;
                const int32_t topDown = in.ConsumeBool();
                Trace("SnapShot (handle, buffer, size, top-down)", h, buffer != nullptr, bytes, topDown);
                Trace("  ->", Rezive_SnapShot(h, buffer, bytes, topDown));
                break;
            }
            case 13: {
                const RzHandle h = pick();
                Trace("Capture", h, Rezive_Capture(h));
                break;
            }
            case 14: {
                const RzHandle h = pick();
                switch (in.ConsumeIntegralInRange<int>(0, 2)) {
                    case 0: Trace("StartPreview", h, Rezive_StartPreview(h)); break;
                    case 1: Trace("Preview", h, Rezive_Preview(h)); break;
                    default: {
                        int32_t bytes = 0;
                        uint8_t* buffer = in.ConsumeBool() ? buffers.Around(in, h, &bytes) : nullptr;
                        const RzWindow window = in.ConsumeBool() ? g_window : 0;
                        const int32_t topDown = in.ConsumeBool();
                        Trace("CallBackPreview (handle, window, buffer, size, top-down)", h, window,
                              buffer != nullptr, bytes, topDown);
                        Trace("  ->", Rezive_CallBackPreview(h, window, buffer, bytes, topDown));
                        break;
                    }
                }
                break;
            }
            case 15: {
                const RzHandle h = pick();
                Trace("StopPreview", h, Rezive_StopPreview(h));
                break;
            }
            case 16: {
                const RzHandle h = pick();
                int32_t bytes = 0;
                uint8_t* buffer = in.ConsumeBool() ? buffers.Around(in, h, &bytes) : nullptr;
                const RzWindow window = in.ConsumeBool() ? g_window : 0;
                const int32_t topDown = in.ConsumeBool();
                Trace("Trigger (handle, window, buffer, size, top-down)", h, window, buffer != nullptr,
                      bytes, topDown);
                Trace("  ->", Rezive_Trigger(h, window, buffer, bytes, topDown));
                break;
            }
            case 17: {
                const RzHandle h = pick();
                Trace("RzSoftwareTrigger", h, RzSoftwareTrigger(h));
                break;
            }
            case 18: {
                const RzHandle h = pick();
                Trace("Close", h, Rezive_Close(h));
                break;
            }
            case 19: {
                const RzHandle h = pick();
                int32_t bytes = 0;
                uint8_t* buffer = buffers.Around(in, h, &bytes);
                const int32_t topDown = in.ConsumeBool();
                Trace("GetImage (handle, size, top-down)", h, bytes, topDown);
                Trace("  ->", Rezive_GetImage(h, buffer, bytes, topDown));
                break;
            }
            case 20: {
                if (frames >= kMaxFrames) break;
                ++frames;
                const RzHandle h = pick();
                const int32_t format = in.ConsumeIntegralInRange<int32_t>(-1, 7);
                const std::string name = g_dir + "/image" + kExtensions[format < 0 ? 7 : format];
                Trace("SaveImage", h, format, Rezive_SaveImage(h, name.c_str(), format));
                std::remove(name.c_str());
                break;
            }
            case 21: {
                const RzHandle h = pick();
                const int32_t number = in.ConsumeIntegralInRange<int32_t>(-2, 33);
                Trace("SetDeviceNumber", h, number, Rezive_SetDeviceNumber(h, number));
                break;
            }
            case 22: {
                const RzHandle h = pick();
                switch (in.ConsumeIntegralInRange<int>(0, 3)) {
                    case 0: {
                        std::vector<std::array<char, 256>> names(10);
                        Rezive_EnumDevice(h, reinterpret_cast<char(*)[256]>(names.data()));
                        break;
                    }
                    case 1: {
                        std::vector<std::array<RzChar16, 256>> names(10);
                        Rezive_EnumDeviceW(h, reinterpret_cast<RzChar16(*)[256]>(names.data()));
                        break;
                    }
                    case 2: {
                        const int32_t index = in.ConsumeIntegralInRange<int32_t>(-1, 33);
                        const int32_t length = in.ConsumeIntegralInRange<int32_t>(-1, 40);
                        std::vector<char> name(static_cast<size_t>(length > 0 ? length : 1));
                        Rezive_GetDeviceName(h, index, length > 0 ? name.data() : nullptr, length);
                        break;
                    }
                    default: {
                        const int32_t index = in.ConsumeIntegralInRange<int32_t>(-1, 33);
                        const int32_t length = in.ConsumeIntegralInRange<int32_t>(-1, 40);
                        std::vector<RzChar16> name(static_cast<size_t>(length > 0 ? length : 1));
                        Rezive_GetDeviceNameW(h, index, length > 0 ? name.data() : nullptr, length);
                        break;
                    }
                }
                break;
            }
            case 23: {
                const RzHandle h = pick();
                int32_t ok = 0;
                const int32_t address = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(-1, 0x40)
                                                         : EdgeValue(in);
                switch (in.ConsumeIntegralInRange<int>(0, 3)) {
                    case 0: Rezive_ReadRegister(h, address, &ok); break;
                    case 1: Rezive_ReadRegisterEx(h, address, &ok); break;
                    case 2: Rezive_WriteRegister(h, address, EdgeValue(in)); break;
                    default: Rezive_WriteRegisterEx(h, address, EdgeValue(in)); break;
                }
                break;
            }
            case 24: {
                const RzHandle h = pick();
                int32_t ok = 0;
                const int32_t index = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(-1, 0x20)
                                                       : EdgeValue(in);
                if (in.ConsumeBool()) Rezive_ReadSromID(h, index, &ok);
                else Rezive_WriteSromID(h, index, EdgeValue(in));
                break;
            }
            case 25: {
                const RzHandle h = pick();
                if (in.ConsumeBool()) {
                    uint8_t value = 0;
                    Rezive_GetIOPort(h, in.ConsumeBool() ? &value : nullptr, 0, 0);
                } else {
                    Rezive_SetIOPort(h, in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(0, 255)
                                                         : EdgeValue(in));
                }
                break;
            }
            case 26: {
                const RzHandle h = pick();
                int32_t ok = 0;
                in.PickValueInArray(kOkGetters)(h, in.ConsumeBool() ? &ok : nullptr);
                break;
            }
            case 27:
                in.PickValueInArray(kPlainGetters)(pick());
                break;
            case 28: {
                const RzHandle h = pick();
                int32_t v[6] = {};
                const bool all = in.ConsumeBool();
                Rezive_GetCaptureWindowEx(h, &v[0], &v[1], &v[2], all ? &v[3] : nullptr, &v[4],
                                          all ? &v[5] : nullptr);
                int32_t format = 0;
                Rezive_GetVideoFormat(h, &format);
                Rezive_GetSamplingRate(h, &format);
                RzCameraInfo info{};
                info.size = in.ConsumeBool() ? static_cast<int32_t>(sizeof info)
                                             : in.ConsumeIntegralInRange<int32_t>(-1, 40);
                Rezive_GetCameraInfo(h, &info);
                break;
            }
            case 29: {  // a defect list from the input's bytes
                const RzHandle h = pick();
                const std::string path = g_dir + "/defects.dat";
                const std::string bytes = in.ConsumeRandomLengthString(64);
                if (FILE* f = std::fopen(path.c_str(), "wb")) {
                    std::fwrite(bytes.data(), 1, bytes.size(), f);
                    std::fclose(f);
                }
                Rezive_LoadConfigFileA(h, in.ConsumeBool() ? path.c_str() : "");
                Rezive_SetConfigFilter(h, in.ConsumeIntegralInRange<int32_t>(-1, 2));
                std::remove(path.c_str());
                break;
            }
            case 30: {
                const RzHandle h = pick();
                const int32_t left = EdgeValue(in), top = EdgeValue(in);
                const int32_t right = EdgeValue(in), bottom = EdgeValue(in);
                Rezive_SetPreviewWindow(h, in.ConsumeBool() ? g_window : 0, left, top, right, bottom);
                break;
            }
            default: {  // the unsupported calls and handle-free calls
                const RzHandle h = pick();
                int32_t ok = 0;
                Rezive_Fpga_ReadRegister(h, EdgeValue(in), &ok);
                const int32_t address = EdgeValue(in);
                Rezive_Fpga_WriteRegister(h, address, EdgeValue(in));
                Rezive_GetDllVersion();
                break;
            }
        }
    }

    for (RzHandle& h : handles) {
        if (h != 0) Rezive_Release(h);
        h = 0;
    }
    Drain(g_window);
    return 0;
}
