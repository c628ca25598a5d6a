// Exports: video format.
#include "ReziveSdk.h"
#include "api/dispatch.h"

using rezive::CRezive;
using rezive::Dispatch;

RZ_API int32_t Rezive_SetColorMode(RzHandle handle, int32_t bitsPerPixel) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.SetColorMode(bitsPerPixel); });
}
RZ_API int32_t Rezive_GetColorMode(RzHandle handle) {
    return Dispatch(handle, -1, [](CRezive& c) { return c.GetColorMode(); });
}
RZ_API int32_t Rezive_SetSubSample(RzHandle handle, int32_t code) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.SetSubSample(code); });
}
RZ_API int32_t Rezive_GetSubSample(RzHandle handle) {
    return Dispatch(handle, -1, [](CRezive& c) { return c.GetSubSample(); });
}
RZ_API int32_t Rezive_SetCaptureWindow(RzHandle handle, int32_t width, int32_t height) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.SetCaptureWindow(width, height); });
}
RZ_API int32_t Rezive_SetCaptureWindowEx(RzHandle handle, int32_t totalWidth, int32_t xOffset,
                                         int32_t width, int32_t totalHeight, int32_t yOffset,
                                         int32_t height) {
    return Dispatch(handle, 0, [&](CRezive& c) {
        return c.SetCaptureWindowEx(totalWidth, xOffset, width, totalHeight, yOffset, height);
    });
}
RZ_API int32_t Rezive_GetCaptureWindowEx(RzHandle handle, int32_t* totalWidth,
                                         int32_t* xOffset, int32_t* width,
                                         int32_t* totalHeight, int32_t* yOffset,
                                         int32_t* height) {
    return Dispatch(handle, 0, [&](CRezive& c) {
        return c.GetCaptureWindowEx(totalWidth, xOffset, width, totalHeight, yOffset, height);
    });
}
RZ_API int32_t Rezive_Width(RzHandle handle) {
    return Dispatch(handle, 0, [](CRezive& c) { return c.Width(); });
}
RZ_API int32_t Rezive_Height(RzHandle handle) {
    return Dispatch(handle, 0, [](CRezive& c) { return c.Height(); });
}

namespace {
// Rezive_GetVideoFormat and Rezive_GetSamplingRate are one function.
int32_t ZeroOut(RzHandle handle, int32_t* value) {
    return Dispatch(handle, 0, [&](CRezive&) {
        if (value) *value = 0;
        return 0;
    });
}
}  // namespace

RZ_API int32_t Rezive_GetVideoFormat(RzHandle handle, int32_t* format) {
    return ZeroOut(handle, format);
}
RZ_API int32_t Rezive_GetSamplingRate(RzHandle handle, int32_t* rate) {
    return ZeroOut(handle, rate);
}
RZ_API int32_t Rezive_SetWaitTime(RzHandle handle, int32_t milliseconds) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.SetWaitTime(milliseconds); });
}
RZ_API int32_t Rezive_GetWaitTime(RzHandle handle) {
    return Dispatch(handle, -1, [](CRezive& c) { return c.GetWaitTime(); });
}
RZ_API int32_t Rezive_SetConfigFilter(RzHandle handle, int32_t enable) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.SetConfigFilter(enable); });
}
RZ_API int32_t Rezive_GetConfigFilter(RzHandle handle) {
    return Dispatch(handle, 0, [](CRezive& c) { return c.GetConfigFilter(); });
}
