// Exports: lifecycle, errors, device selection and the unsupported functions.
#include <algorithm>
#include <cstring>
#include <string>

#include "ReziveSdk.h"
#include "api/text_out.h"
#include "api/dispatch.h"

using rezive::CRezive;
using rezive::Dispatch;

namespace {
constexpr int32_t kDllVersion = 28378399;  // 0x01B1051F
}

RZ_API RzHandle Rezive_Initialize(RzWindow appWindow) {
    try {
        const uint32_t handle = rezive::SdkChain().CreateHandle();
        if (handle == 0) return 0;
        if (auto camera = rezive::SdkChain().Lookup(handle)) camera->Initialize(appWindow);
        return handle;
    } catch (...) {
        return 0;
    }
}

RZ_API int32_t Rezive_Release(RzHandle handle) {
    try {
        std::shared_ptr<CRezive> camera = rezive::SdkChain().Remove(handle);
        if (!camera) return 0;
        // No new call can find the handle now; calls already inside it finish, and nothing
        // they ask for starts again once acquisition has stopped here.
        camera->BeginRelease();
        camera.reset();  // destroyed here, or when the last call in flight on it returns
        return 1;
    } catch (...) {
        return 0;
    }
}

RZ_API int32_t Rezive_GetDllVersion(void) { return kDllVersion; }

RZ_API int32_t Rezive_GetLastError(RzHandle handle) {
    return Dispatch(handle, 0, [](CRezive& c) { return c.GetLastError(); });
}

RZ_API int32_t RzGetErrorDetail(RzHandle handle, char* text, int32_t size) {
    if ((text == nullptr && size != 0) || size < 0) return -1;
    return Dispatch(handle, -1, [&](CRezive& c) {
        return rezive::api::CopyTextOut(c.ErrorDetail(), text, size);
    });
}

RZ_API int32_t Rezive_EnumDevice(RzHandle handle, char (*names)[256]) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.EnumDevice(names); });
}

RZ_API int32_t Rezive_EnumDeviceW(RzHandle handle, RzChar16 (*names)[256]) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.EnumDeviceW(names); });
}

RZ_API int32_t Rezive_GetDeviceName(RzHandle handle, int32_t index, char* name, int32_t length) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.GetDeviceName(index, name, length); });
}

RZ_API int32_t Rezive_GetDeviceNameW(RzHandle handle, int32_t index, RzChar16* name,
                                     int32_t length) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.GetDeviceNameW(index, name, length); });
}

RZ_API int32_t Rezive_SetDeviceNumber(RzHandle handle, int32_t index) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.SetDeviceNumber(index); });
}

RZ_API int32_t Rezive_GetCameraInfo(RzHandle handle, RzCameraInfo* info) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.GetCameraInfo(info); });
}

RZ_API int32_t Rezive_GetStatus(RzHandle handle, int32_t) {
    return Dispatch(handle, 0, [](CRezive& c) { return c.GetStatus(); });
}

RZ_API int32_t Rezive_Close(RzHandle handle) {
    return Dispatch(handle, 0, [](CRezive& c) { return c.Close(); });
}

// The seven functions this model does not have are one operation.
RZ_API int32_t Rezive_Fpga_ReadRegister(RzHandle handle, int32_t, int32_t*) {
    return Dispatch(handle, 0, [](CRezive& c) { return c.Unsupported(); });
}
RZ_API int32_t Rezive_Fpga_WriteRegister(RzHandle handle, int32_t, int32_t) {
    return Dispatch(handle, 0, [](CRezive& c) { return c.Unsupported(); });
}
RZ_API int32_t Rezive_Fps(RzHandle handle) {
    return Dispatch(handle, 0, [](CRezive& c) { return c.Unsupported(); });
}
RZ_API int32_t Rezive_GetHalfClock(RzHandle handle) {
    return Dispatch(handle, 0, [](CRezive& c) { return c.Unsupported(); });
}
RZ_API int32_t Rezive_SetHalfClock(RzHandle handle, int32_t) {
    return Dispatch(handle, 0, [](CRezive& c) { return c.Unsupported(); });
}
RZ_API int32_t Rezive_SetCrossbar(RzHandle handle, int32_t) {
    return Dispatch(handle, 0, [](CRezive& c) { return c.Unsupported(); });
}
RZ_API int32_t Rezive_SetSamplingRate(RzHandle handle, int32_t) {
    return Dispatch(handle, 0, [](CRezive& c) { return c.Unsupported(); });
}
