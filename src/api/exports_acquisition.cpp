// Exports: acquisition, preview window, files, configuration and property dialogs.
#include <algorithm>
#include <cstring>

#include "ReziveSdk.h"
#include "acquisition/frame_info_pool.h"
#include "api/dispatch.h"
#include "platform/window_system.h"

using rezive::CRezive;
using rezive::Dispatch;

RZ_API int32_t Rezive_SetPreviewWindow(RzHandle handle, RzWindow parent, int32_t left,
                                       int32_t top, int32_t right, int32_t bottom) {
    return Dispatch(handle, 0,
                    [&](CRezive& c) { return c.SetPreviewWindow(parent, left, top, right, bottom); });
}
RZ_API int32_t Rezive_Preview(RzHandle handle) {
    return Dispatch(handle, 0, [](CRezive& c) { return c.Preview(); });
}
RZ_API int32_t Rezive_CallBackPreview(RzHandle handle, RzWindow window, void* buffer,
                                      int32_t bufferSize, int32_t topDown) {
    return Dispatch(handle, 0, [&](CRezive& c) {
        return c.CallBackPreview(window, buffer, bufferSize, topDown);
    });
}
RZ_API int32_t Rezive_StartPreview(RzHandle handle) {
    return Dispatch(handle, 0, [](CRezive& c) { return c.StartPreview(); });
}
RZ_API int32_t Rezive_StopPreview(RzHandle handle) {
    return Dispatch(handle, 0, [](CRezive& c) { return c.StopPreview(); });
}
RZ_API int32_t Rezive_Capture(RzHandle handle) {
    return Dispatch(handle, 0, [](CRezive& c) { return c.Capture(); });
}
RZ_API int32_t Rezive_SnapShot(RzHandle handle, void* buffer, int32_t bufferSize,
                               int32_t topDown) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.SnapShot(buffer, bufferSize, topDown); });
}
RZ_API int32_t Rezive_GetImage(RzHandle handle, void* buffer, int32_t bufferSize,
                               int32_t topDown) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.GetImage(buffer, bufferSize, topDown); });
}
RZ_API int32_t Rezive_Trigger(RzHandle handle, RzWindow window, void* buffer,
                              int32_t bufferSize, int32_t topDown) {
    return Dispatch(handle, 0,
                    [&](CRezive& c) { return c.Trigger(window, buffer, bufferSize, topDown); });
}
RZ_API int32_t Rezive_SaveImage(RzHandle handle, const char* fileName, int32_t format) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.SaveImage(fileName, format); });
}
RZ_API int32_t Rezive_SaveImageW(RzHandle handle, const RzChar16* fileName, int32_t format) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.SaveImageW(fileName, format); });
}
RZ_API int32_t Rezive_Record(RzHandle handle, const char* fileName, int32_t durationMs,
                             int32_t showWindow) {
    return Dispatch(handle, 0,
                    [&](CRezive& c) { return c.Record(fileName, durationMs, showWindow); });
}
RZ_API int32_t Rezive_RecordW(RzHandle handle, const RzChar16* fileName, int32_t durationMs,
                              int32_t showWindow) {
    return Dispatch(handle, 0,
                    [&](CRezive& c) { return c.RecordW(fileName, durationMs, showWindow); });
}
RZ_API int32_t Rezive_LoadConfigFileA(RzHandle handle, const char* fileName) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.LoadConfigFile(fileName); });
}
RZ_API int32_t Rezive_LoadConfigFileW(RzHandle handle, const RzChar16* fileName) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.LoadConfigFileW(fileName); });
}
RZ_API int32_t Rezive_SetCameraDlg(RzHandle handle, RzWindow parent) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.ShowFormatDialog(parent); });
}
RZ_API int32_t Rezive_SetAnalogDlg(RzHandle handle, RzWindow parent) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.ShowAnalogDialog(parent); });
}
RZ_API int32_t Rezive_SetImageDlg(RzHandle handle, RzWindow parent) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.ShowFilterDialog(parent); });
}

RZ_API RzWindow RzGetPreviewWindow(RzHandle handle) {
    return static_cast<RzWindow>(Dispatch(handle, 0, [](CRezive& c) {
        const rezive::platform::WindowId window = c.Acquisition().PreviewWindowId();
        return static_cast<int32_t>(rezive::platform::IsWindow(window) ? window : 0);
    }));
}

RZ_API int32_t RzSoftwareTrigger(RzHandle handle) {
    return Dispatch(handle, 0, [](CRezive& c) { return c.SoftwareTrigger(); });
}

RZ_API int32_t RzGetStreamStats(RzHandle handle, RzStreamStats* stats) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.GetStreamStats(stats); });
}

RZ_API int32_t RzSetRecordQueueDepth(RzHandle handle, int32_t depth) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.SetRecordQueueDepth(depth); });
}

RZ_API int32_t RzSetPngCompressionLevel(RzHandle handle, int32_t level) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.SetPngCompressionLevel(level); });
}

RZ_API int32_t RzGetPngCompressionLevel(RzHandle handle, int32_t* level) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.GetPngCompressionLevel(level); });
}

RZ_API int32_t RzGetFrameMeta(const RzFrameInfo* info, RzFrameMeta* meta) {
    if (meta == nullptr || meta->size < 8) return 0;
    rezive::FrameMeta m;
    if (!rezive::ReadFrameMeta(info, &m)) return 0;
    rezive::CopyFrameMeta(m, meta);
    return 1;
}

RZ_API int32_t RzGetBufferMeta(RzHandle handle, const void* buffer, RzFrameMeta* meta) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.GetBufferMeta(buffer, meta); });
}
