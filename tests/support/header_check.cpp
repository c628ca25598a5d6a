// Compiled as C++: the public header must be usable from C++ with extern "C" linkage.
#include <ReziveSdk.h>

#include <type_traits>

static_assert(std::is_same_v<decltype(&Rezive_GetDllVersion), int32_t (*)()>);
static_assert(sizeof(RzCameraInfo) == 36);
static_assert(std::is_same_v<RzChar16, char16_t>);

int rezive_header_check_cxx() { return static_cast<int>(sizeof(RzFrameInfo)); }
