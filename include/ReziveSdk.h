/*
 * ReziveSdk.h - public C interface of the 417DIR (edition DEZ) camera SDK.
 *
 * One camera handle per opened camera object: Rezive_Initialize() returns it and every other
 * Rezive_ function takes it first. Every Rezive_ function returns a 32-bit integer: 1 (or the
 * value read) on success, 0 on failure; Rezive_GetColorMode, Rezive_GetSubSample and
 * Rezive_GetWaitTime return -1 for an unknown handle. Failures record a small error code that
 * Rezive_GetLastError() pops and that is posted as message RZ_WM_ERROR to the application window.
 *
 * Windows are ids of the library's own (RzWindow, 0 = no window). An application that wants
 * messages creates a message window with RzCreateMessageWindow() and passes it to
 * Rezive_Initialize (error messages) and Rezive_CallBackPreview / Rezive_Trigger (frames).
 *
 * Pixels: blue, green, red order; 16-bit samples little-endian with 12 significant bits.
 *
 * Capture-window changes (Rezive_SetCaptureWindow, Rezive_SetCaptureWindowEx) and device
 * switches (Rezive_SetDeviceNumber) are refused with error 1 while an acquisition (preview,
 * capture, trigger or recording) runs: stop it first. A colour-mode change during acquisition is
 * stored and takes effect when acquisition is started again; the running acquisition keeps the
 * mode it was prepared with.
 *
 * Threading. Every function may be called from any thread, on any handle, at any moment: while
 * another thread is inside a call on the same handle, while the library's own threads (the
 * worker that processes frames, the streaming thread, the recording thread) run, and while
 * another thread releases that handle.
 *  - Calls on one camera are serialised: each runs whole, as if alone, and a call that changes
 *    the camera's state sees the state the previous call left. Calls on different cameras run
 *    in parallel. A call that waits for the camera (Rezive_SnapShot waits for its frame, up to
 *    the transfer time-out) makes other calls on that camera wait with it.
 *  - Rezive_GetLastError does not wait for a running call; settings take effect on a later
 *    frame of a running preview.
 *  - Rezive_Release may race any other call on its handle: calls already inside finish (those
 *    that would start an acquisition then fail with error 1), later calls see an unknown handle,
 *    and the camera is destroyed when the last call inside it returns.
 *  - Stopping is prompt: Rezive_StopPreview, Rezive_Close and Rezive_Release end a preview
 *    within one frame time, however long the wait time is, and a trigger acquisition at once.
 *  - Frame and error messages are posted, never sent: a message handler (RzSetMessageHandler)
 *    runs on its window's own thread and may call any function, including Rezive_StopPreview
 *    and Rezive_Release of the camera whose frame it handles.
 *  - The RzFrameInfo a frame message points to and the callback buffer are rewritten by the
 *    next frame; read the newest frame with Rezive_GetImage for a consistent copy.
 */
#ifndef REZIVE_SDK_H
#define REZIVE_SDK_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
typedef char16_t RzChar16;
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#include <uchar.h>
typedef char16_t RzChar16;
#else
typedef uint_least16_t RzChar16;
#endif

#if defined(REZIVE_BUILDING_LIBRARY)
#define RZ_API __attribute__((visibility("default")))
#else
#define RZ_API
#endif

/* Camera handle: a nonzero 32-bit value returned by Rezive_Initialize. */
typedef uint32_t RzHandle;
/* Window id of the library's window layer; 0 means no window. */
typedef uint32_t RzWindow;

/* Messages posted to application windows. */
#define RZ_WM_APP 0x8000u
#define RZ_WM_FRAME 0x8002u /* wParam: RzFrameInfo* (or 0); lParam: 0, or 8/13/5 on failure */
#define RZ_WM_ERROR 0x8003u /* wParam 0, lParam: the error code */

/* Error codes (Rezive_GetLastError, lParam of RZ_WM_ERROR). */
#define RZ_ERR_NO_DEVICE 1          /* no camera, not allowed in this mode, or no frame */
#define RZ_ERR_DEVICE_UNAVAILABLE 2 /* device absent, cannot be opened, or claimed */
#define RZ_ERR_THREAD 3             /* worker thread or event could not be created */
#define RZ_ERR_WINDOW 4             /* preview window failed; no size preset matches */
#define RZ_ERR_BUFFER 5             /* allocation failed, caller buffer or record too small */
#define RZ_ERR_REGISTER 6           /* sensor register access or transfer start failed */
#define RZ_ERR_CAPTURE_WINDOW 7     /* capture window invalid */
#define RZ_ERR_TRANSFER 8           /* frame transfer failed; preview could not start */
#define RZ_ERR_ARGUMENT 9           /* argument out of range or invalid */
#define RZ_ERR_UNSUPPORTED 11       /* function not available on this model */
#define RZ_ERR_FILE 12              /* file name conversion failed or recording failed */
#define RZ_ERR_NO_FRAME 13          /* no frame within 6 s; the preview loop ended */

/* File formats of Rezive_SaveImage. */
#define RZ_FILE_BMP 0
#define RZ_FILE_RAW 1
#define RZ_FILE_JPEG_HIGH 2
#define RZ_FILE_JPEG_NORMAL 3
#define RZ_FILE_JPEG_LOW 4
#define RZ_FILE_PNG 5
#define RZ_FILE_TIFF 6

/* Frame-information record; its address is the wParam of every RZ_WM_FRAME frame message.
 * It stays valid until the next frame is delivered. size holds sizeof(RzFrameInfo). */
typedef struct RzFrameInfo {
    int32_t size;
    int32_t width;
    int32_t height;
    int32_t bitsPerPixel;
    int32_t frameRate10; /* frames per second x 10; 0 in trigger mode */
    void* buffer;        /* the callback buffer the frame was copied into */
} RzFrameInfo;

/* Camera-information record of Rezive_GetCameraInfo; set size to sizeof(RzCameraInfo). */
typedef struct RzCameraInfo {
    int32_t size;
    int32_t width;
    int32_t height;
    int32_t gainMin;
    int32_t gainMax;
    int32_t reserved1;
    int32_t reserved2;
    int32_t exposureMin;
    int32_t exposureMax;
} RzCameraInfo;

/* ---- Companion window and message API ---------------------------------------------------- */

typedef struct RzMessage {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
} RzMessage;

/* Called once per message, in posting order, on a dispatcher thread that belongs to the window
 * (never on the caller's thread and never on a camera's worker thread), so a handler may call
 * any Rezive_ function, including Rezive_StopPreview. */
typedef void (*RzMessageHandler)(RzWindow window, const RzMessage* message, void* user);

/* Creates a message window with a thread-safe queue; returns its nonzero id, or 0. */
RZ_API RzWindow RzCreateMessageWindow(void);
/* Destroys a window; queued messages are dropped. 1, or 0 for an unknown id. */
RZ_API int32_t RzDestroyWindow(RzWindow window);
/* Waits up to timeoutMs (negative: no limit) for the next queued message.
 * 1 with *message filled, 0 on time-out, -1 for an unknown window or a null message. */
RZ_API int32_t RzWaitMessage(RzWindow window, RzMessage* message, int32_t timeoutMs);
/* Posts a message (as the library does); 1, or 0 for an unknown window. */
RZ_API int32_t RzPostMessage(RzWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam);
/* Sets (or with a null handler removes) the handler; while set, messages go to the handler
 * instead of the queue. 1, or 0 for an unknown window. */
RZ_API int32_t RzSetMessageHandler(RzWindow window, RzMessageHandler handler, void* user);

/* Fires the camera's software trigger (trigger control port: enable, software path, pulse),
 * for an acquisition started with Rezive_Trigger. 1, or 0 for an unknown handle, no camera, or
 * a failed port write. */
RZ_API int32_t RzSoftwareTrigger(RzHandle handle);

/* ---- Lifecycle and device selection ------------------------------------------------------- */

RZ_API int32_t Rezive_Initialize(RzWindow appWindow);
RZ_API int32_t Rezive_Release(RzHandle handle);
RZ_API int32_t Rezive_GetDllVersion(void);
RZ_API int32_t Rezive_GetLastError(RzHandle handle);
RZ_API int32_t Rezive_EnumDevice(RzHandle handle, char (*names)[256]);
RZ_API int32_t Rezive_EnumDeviceW(RzHandle handle, RzChar16 (*names)[256]);
RZ_API int32_t Rezive_GetDeviceName(RzHandle handle, int32_t index, char* name, int32_t length);
RZ_API int32_t Rezive_GetDeviceNameW(RzHandle handle, int32_t index, RzChar16* name, int32_t length);
RZ_API int32_t Rezive_SetDeviceNumber(RzHandle handle, int32_t index);
RZ_API int32_t Rezive_GetCameraInfo(RzHandle handle, RzCameraInfo* info);
RZ_API int32_t Rezive_GetStatus(RzHandle handle, int32_t ignored);
RZ_API int32_t Rezive_Close(RzHandle handle);

/* ---- Video format ------------------------------------------------------------------------- */

RZ_API int32_t Rezive_SetColorMode(RzHandle handle, int32_t bitsPerPixel);
RZ_API int32_t Rezive_GetColorMode(RzHandle handle);
RZ_API int32_t Rezive_SetSubSample(RzHandle handle, int32_t code);
RZ_API int32_t Rezive_GetSubSample(RzHandle handle);
RZ_API int32_t Rezive_SetCaptureWindow(RzHandle handle, int32_t width, int32_t height);
RZ_API int32_t Rezive_SetCaptureWindowEx(RzHandle handle, int32_t totalWidth, int32_t xOffset,
                                         int32_t width, int32_t totalHeight, int32_t yOffset,
                                         int32_t height);
RZ_API int32_t Rezive_GetCaptureWindowEx(RzHandle handle, int32_t* totalWidth, int32_t* xOffset,
                                         int32_t* width, int32_t* totalHeight, int32_t* yOffset,
                                         int32_t* height);
RZ_API int32_t Rezive_Width(RzHandle handle);
RZ_API int32_t Rezive_Height(RzHandle handle);
RZ_API int32_t Rezive_GetVideoFormat(RzHandle handle, int32_t* format);
RZ_API int32_t Rezive_GetSamplingRate(RzHandle handle, int32_t* rate);
RZ_API int32_t Rezive_SetWaitTime(RzHandle handle, int32_t milliseconds);
RZ_API int32_t Rezive_GetWaitTime(RzHandle handle);
RZ_API int32_t Rezive_SetConfigFilter(RzHandle handle, int32_t enable);
RZ_API int32_t Rezive_GetConfigFilter(RzHandle handle);

/* ---- Sensor control ----------------------------------------------------------------------- */

RZ_API int32_t Rezive_SetExposureTime(RzHandle handle, int32_t lines);
RZ_API int32_t Rezive_GetExposureTime(RzHandle handle, int32_t* ok);
RZ_API int32_t Rezive_SetRealExposureTime(RzHandle handle, int32_t milliseconds);
RZ_API int32_t Rezive_GetRealExposureTime(RzHandle handle, int32_t* ok);
RZ_API int32_t Rezive_SetGlobalGain(RzHandle handle, int32_t gain);
RZ_API int32_t Rezive_GetGlobalGain(RzHandle handle, int32_t* ok);
RZ_API int32_t Rezive_SetColorGainRed(RzHandle handle, int32_t gain);
RZ_API int32_t Rezive_SetColorGainGreen1(RzHandle handle, int32_t gain);
RZ_API int32_t Rezive_SetColorGainGreen2(RzHandle handle, int32_t gain);
RZ_API int32_t Rezive_SetColorGainBlue(RzHandle handle, int32_t gain);
RZ_API int32_t Rezive_GetColorGainRed(RzHandle handle, int32_t* ok);
RZ_API int32_t Rezive_GetColorGainGreen1(RzHandle handle, int32_t* ok);
RZ_API int32_t Rezive_GetColorGainGreen2(RzHandle handle, int32_t* ok);
RZ_API int32_t Rezive_GetColorGainBlue(RzHandle handle, int32_t* ok);
RZ_API int32_t Rezive_SetMirrorH(RzHandle handle, int32_t on);
RZ_API int32_t Rezive_GetMirrorH(RzHandle handle);
RZ_API int32_t Rezive_SetMirrorV(RzHandle handle, int32_t on);
RZ_API int32_t Rezive_GetMirrorV(RzHandle handle);
RZ_API int32_t Rezive_SetAutoIris(RzHandle handle, int32_t mode);
RZ_API int32_t Rezive_GetAutoIris(RzHandle handle, int32_t* ok);

/* ---- Software filters (filter ids 1..28 of Rezive_SetFilterValue) ------------------------ */

RZ_API int32_t Rezive_SetFilterValue(RzHandle handle, int32_t filterId, int32_t value);
RZ_API int32_t Rezive_GetFilterValue(RzHandle handle, int32_t filterId, int32_t* ok);
RZ_API int32_t Rezive_SetBrightness(RzHandle handle, int32_t value);
RZ_API int32_t Rezive_GetBrightness(RzHandle handle, int32_t* ok);
RZ_API int32_t Rezive_SetContrast(RzHandle handle, int32_t value);
RZ_API int32_t Rezive_GetContrast(RzHandle handle, int32_t* ok);
RZ_API int32_t Rezive_SetHue(RzHandle handle, int32_t value);
RZ_API int32_t Rezive_GetHue(RzHandle handle, int32_t* ok);
RZ_API int32_t Rezive_SetSaturation(RzHandle handle, int32_t value);
RZ_API int32_t Rezive_GetSaturation(RzHandle handle, int32_t* ok);
RZ_API int32_t Rezive_SetSharpness(RzHandle handle, int32_t value);
RZ_API int32_t Rezive_GetSharpness(RzHandle handle, int32_t* ok);
RZ_API int32_t Rezive_SetBayerGainRGB(RzHandle handle, int32_t packed);
RZ_API int32_t Rezive_GetBayerGainRGB(RzHandle handle, int32_t* ok);
RZ_API int32_t Rezive_SetBayerGainRed(RzHandle handle, int32_t value);
RZ_API int32_t Rezive_GetBayerGainRed(RzHandle handle, int32_t* ok);
RZ_API int32_t Rezive_SetBayerGainGreen(RzHandle handle, int32_t value);
RZ_API int32_t Rezive_GetBayerGainGreen(RzHandle handle, int32_t* ok);
RZ_API int32_t Rezive_SetBayerGainBlue(RzHandle handle, int32_t value);
RZ_API int32_t Rezive_GetBayerGainBlue(RzHandle handle, int32_t* ok);
RZ_API int32_t Rezive_SetBayerGainAuto(RzHandle handle, int32_t value);
RZ_API int32_t Rezive_GetBayerGainAuto(RzHandle handle, int32_t* ok);
RZ_API int32_t Rezive_SetGamma(RzHandle handle, int32_t value);
RZ_API int32_t Rezive_GetGamma(RzHandle handle, int32_t* ok);
RZ_API int32_t Rezive_SetBayerMode(RzHandle handle, int32_t value);
RZ_API int32_t Rezive_GetBayerMode(RzHandle handle, int32_t* ok);
RZ_API int32_t Rezive_SetGrayMode(RzHandle handle, int32_t value);
RZ_API int32_t Rezive_GetGrayMode(RzHandle handle, int32_t* ok);
RZ_API int32_t Rezive_SetGrayGainR(RzHandle handle, int32_t value);
RZ_API int32_t Rezive_GetGrayGainR(RzHandle handle, int32_t* ok);
RZ_API int32_t Rezive_SetGrayGainG1(RzHandle handle, int32_t value);
RZ_API int32_t Rezive_GetGrayGainG1(RzHandle handle, int32_t* ok);
RZ_API int32_t Rezive_SetGrayGainG2(RzHandle handle, int32_t value);
RZ_API int32_t Rezive_GetGrayGainG2(RzHandle handle, int32_t* ok);
RZ_API int32_t Rezive_SetGrayGainB(RzHandle handle, int32_t value);
RZ_API int32_t Rezive_GetGrayGainB(RzHandle handle, int32_t* ok);
RZ_API int32_t Rezive_SetGrayOffsetR(RzHandle handle, int32_t value);
RZ_API int32_t Rezive_GetGrayOffsetR(RzHandle handle, int32_t* ok);
RZ_API int32_t Rezive_SetGrayOffsetG1(RzHandle handle, int32_t value);
RZ_API int32_t Rezive_GetGrayOffsetG1(RzHandle handle, int32_t* ok);
RZ_API int32_t Rezive_SetGrayOffsetG2(RzHandle handle, int32_t value);
RZ_API int32_t Rezive_GetGrayOffsetG2(RzHandle handle, int32_t* ok);
RZ_API int32_t Rezive_SetGrayOffsetB(RzHandle handle, int32_t value);
RZ_API int32_t Rezive_GetGrayOffsetB(RzHandle handle, int32_t* ok);

/* ---- Acquisition and preview window ------------------------------------------------------- */

RZ_API int32_t Rezive_SetPreviewWindow(RzHandle handle, RzWindow parent, int32_t left, int32_t top,
                                       int32_t right, int32_t bottom);
RZ_API int32_t Rezive_Preview(RzHandle handle);
RZ_API int32_t Rezive_CallBackPreview(RzHandle handle, RzWindow window, void* buffer,
                                      int32_t bufferSize, int32_t topDown);
RZ_API int32_t Rezive_StartPreview(RzHandle handle);
RZ_API int32_t Rezive_StopPreview(RzHandle handle);
RZ_API int32_t Rezive_Capture(RzHandle handle);
RZ_API int32_t Rezive_SnapShot(RzHandle handle, void* buffer, int32_t bufferSize, int32_t topDown);
RZ_API int32_t Rezive_GetImage(RzHandle handle, void* buffer, int32_t bufferSize, int32_t topDown);
RZ_API int32_t Rezive_Trigger(RzHandle handle, RzWindow window, void* buffer, int32_t bufferSize,
                              int32_t topDown);

/* ---- Files and configuration -------------------------------------------------------------- */

RZ_API int32_t Rezive_SaveImage(RzHandle handle, const char* fileName, int32_t format);
RZ_API int32_t Rezive_SaveImageW(RzHandle handle, const RzChar16* fileName, int32_t format);
RZ_API int32_t Rezive_Record(RzHandle handle, const char* fileName, int32_t durationMs,
                             int32_t showWindow);
RZ_API int32_t Rezive_RecordW(RzHandle handle, const RzChar16* fileName, int32_t durationMs,
                              int32_t showWindow);
RZ_API int32_t Rezive_LoadConfigFileA(RzHandle handle, const char* fileName);
RZ_API int32_t Rezive_LoadConfigFileW(RzHandle handle, const RzChar16* fileName);

/* ---- Registers, serial ROM and I/O port --------------------------------------------------- */

RZ_API int32_t Rezive_ReadRegister(RzHandle handle, int32_t address, int32_t* ok);
RZ_API int32_t Rezive_ReadRegisterEx(RzHandle handle, int32_t address, int32_t* ok);
RZ_API int32_t Rezive_WriteRegister(RzHandle handle, int32_t address, int32_t value);
RZ_API int32_t Rezive_WriteRegisterEx(RzHandle handle, int32_t address, int32_t value);
RZ_API int32_t Rezive_ReadSromID(RzHandle handle, int32_t index, int32_t* ok);
RZ_API int32_t Rezive_WriteSromID(RzHandle handle, int32_t index, int32_t value);
RZ_API int32_t Rezive_GetIOPort(RzHandle handle, uint8_t* value, int32_t reserved1,
                                int32_t reserved2);
RZ_API int32_t Rezive_SetIOPort(RzHandle handle, int32_t value);

/* ---- Property dialogs --------------------------------------------------------------------- */

RZ_API int32_t Rezive_SetCameraDlg(RzHandle handle, RzWindow parent);
RZ_API int32_t Rezive_SetAnalogDlg(RzHandle handle, RzWindow parent);
RZ_API int32_t Rezive_SetImageDlg(RzHandle handle, RzWindow parent);

/* ---- Not available on this model: always 0, posts RZ_ERR_UNSUPPORTED -------------------- */

RZ_API int32_t Rezive_Fpga_ReadRegister(RzHandle handle, int32_t address, int32_t* ok);
RZ_API int32_t Rezive_Fpga_WriteRegister(RzHandle handle, int32_t address, int32_t value);
RZ_API int32_t Rezive_Fps(RzHandle handle);
RZ_API int32_t Rezive_GetHalfClock(RzHandle handle);
RZ_API int32_t Rezive_SetHalfClock(RzHandle handle, int32_t value);
RZ_API int32_t Rezive_SetCrossbar(RzHandle handle, int32_t value);
RZ_API int32_t Rezive_SetSamplingRate(RzHandle handle, int32_t value);

#ifdef __cplusplus
}
#endif

#endif /* REZIVE_SDK_H */
