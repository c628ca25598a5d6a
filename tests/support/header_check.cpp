// Compiled as C++: the public header must be usable from C++ with extern "C" linkage.
#include <ReziveSdk.h>

#include <type_traits>

static_assert(std::is_same_v<decltype(&Rezive_GetDllVersion), int32_t (*)()>);
static_assert(sizeof(RzCameraInfo) == 36);
static_assert(std::is_same_v<RzChar16, char16_t>);

// The handle Rezive_Initialize returns is the type every other function takes, 32 bits wide
// like the int32_t it replaced, so programs built against either declaration agree.
static_assert(std::is_same_v<decltype(&Rezive_Initialize), RzHandle (*)(RzWindow)>);
static_assert(sizeof(RzHandle) == sizeof(int32_t));

// The version macros spell the value Rezive_GetDllVersion returns.
static_assert(RZ_DLL_VERSION == 0x01B1051F);
static_assert(RZ_DLL_VERSION == 28378399);
static_assert(RZ_MAKE_DLL_VERSION(1, 177, 5, 31) == RZ_DLL_VERSION);

// The SDK version orders as its parts do: minor and patch never spill into the part above, and
// a later release compares greater in every position.
static_assert(RZ_MAKE_SDK_VERSION(1, 1, 0) == 0x010100);
static_assert(RZ_SDK_VERSION == RZ_MAKE_SDK_VERSION(RZ_SDK_VERSION_MAJOR, RZ_SDK_VERSION_MINOR,
                                                    RZ_SDK_VERSION_PATCH));
static_assert(RZ_SDK_VERSION >= RZ_MAKE_SDK_VERSION(1, 1, 0));
static_assert(RZ_MAKE_SDK_VERSION(1, 0, 255) < RZ_MAKE_SDK_VERSION(1, 1, 0));
static_assert(RZ_MAKE_SDK_VERSION(1, 255, 255) < RZ_MAKE_SDK_VERSION(2, 0, 0));
static_assert(RZ_MAKE_SDK_VERSION(1, 1, 1) > RZ_MAKE_SDK_VERSION(1, 1, 0));

int rezive_header_check_cxx() { return static_cast<int>(sizeof(RzFrameInfo)); }
