/**
 * @file ReziveSdk.h
 * @brief Public C interface of the 417DIR (DEZ) camera SDK: the 124 Rezive_ functions and the
 * companion window and message API.
 *
 * @section overview Overview
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
 * @section threading Threading
 * Every function may be called from any thread, on any handle, at any moment: while another
 * thread is inside a call on the same handle, while the library's own threads (the worker that
 * processes frames, the streaming thread, the recording thread) run, and while another thread
 * releases that handle.
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
 *
 * @section processes Processes and users
 * The processes of one user share a camera claim region, the POSIX shared memory
 * `/dev/shm/RUREDO_USBCAMERA.<uid>` (mode 0600; REZIVE_SHARED_NAME names another): a camera that
 * one of them previews is in use for the others, and the claim of a process that died is taken
 * over. Every user has a region of their own, and so has every container with its own
 * /dev/shm; between them a camera is kept exclusive by the device: the exclusive open of the
 * character device, the USB interface claim. A second user's attempt on a camera another user
 * holds fails with RZ_ERR_DEVICE_UNAVAILABLE and never waits. Where the region can be neither
 * opened nor created, Rezive_Initialize records RZ_ERR_BUFFER and RzGetErrorDetail says why.
 *
 * @section reading How to read the function descriptions
 *
 * - handle: the camera handle from Rezive_Initialize, first argument of every Rezive_
 *   function but Rezive_Initialize and Rezive_GetDllVersion.
 * - Results: 1 (or the value read) on success, 0 on failure. An unknown handle (never issued,
 *   or released) makes a function return 0 (-1 for Rezive_GetColorMode, Rezive_GetSubSample
 *   and Rezive_GetWaitTime) without recording or posting anything; this is not repeated below.
 * - The Errors paragraph lists the RZ_ERR_ codes a call records: each is kept in the
 *   camera's error history (read it with Rezive_GetLastError) and posted as RZ_WM_ERROR to
 *   the application window given to Rezive_Initialize. A code marked "posted only" reaches
 *   the window but not the history. RZ_ERR_NO_DEVICE "without a camera object" means that
 *   Rezive_Initialize failed for this handle (it then recorded RZ_ERR_BUFFER).
 * - The While-acquiring paragraph says whether the function may be called while a preview, a
 *   capture, a trigger acquisition or a recording runs on the same handle, and when a change
 *   applies. Functions without one only read stored values and may be called at any time.
 * - "Frame" means the newest image the library has processed: after the software filters, in
 *   the pixel layout of the colour mode (see RZ_BITS_GRAY8 and the following constants).
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

/** @typedef RzChar16
 * A UTF-16 code unit of the wide-string functions (char16_t in C11 and C++; never wchar_t,
 * which is 32 bits on Linux). */

/** @name Version of the library (Rezive_GetDllVersion)
 * One byte each, most significant first: major, minor, build, revision.
 * @{ */
#define RZ_DLL_VERSION_MAJOR 1          /**< major version (top byte) */
#define RZ_DLL_VERSION_MINOR 177        /**< minor version */
#define RZ_DLL_VERSION_BUILD 5          /**< build number */
#define RZ_DLL_VERSION_REVISION 31      /**< revision (low byte) */
/** Packs a version as Rezive_GetDllVersion reports it. */
#define RZ_MAKE_DLL_VERSION(major, minor, build, revision)                                     \
    ((int32_t)(((uint32_t)(major) << 24) | ((uint32_t)(minor) << 16) |                        \
               ((uint32_t)(build) << 8) | (uint32_t)(revision)))
/** The value Rezive_GetDllVersion returns: 0x01B1051F (28378399), version 1.177.5.31. */
#define RZ_DLL_VERSION                                                                         \
    RZ_MAKE_DLL_VERSION(RZ_DLL_VERSION_MAJOR, RZ_DLL_VERSION_MINOR, RZ_DLL_VERSION_BUILD,      \
                        RZ_DLL_VERSION_REVISION)
/** @} */

/** @name Version of this SDK (compile time)
 * The version of the interface this header declares, which the RZ_DLL_VERSION above does not
 * track: the companion functions (the Rz functions, beside the Rezive_ ones) say under
 * "Since" the SDK version that brought them. A program that uses a newer one can test for it
 * in the preprocessor:
 * @code
 * #if RZ_SDK_VERSION >= RZ_MAKE_SDK_VERSION(1, 1, 0)
 *     n = RzListAttachedCameras(cameras, 8);
 * #endif
 * @endcode
 * @since 1.1
 * @{ */
#define RZ_SDK_VERSION_MAJOR 1 /**< major version: changes when the interface breaks */
#define RZ_SDK_VERSION_MINOR 1 /**< minor version: changes when the interface grows */
#define RZ_SDK_VERSION_PATCH 0 /**< patch version: fixes only */
/** Packs a version for comparison with RZ_SDK_VERSION, in `#if` too: one byte each for the
 *  minor and the patch version, below the major version. */
#define RZ_MAKE_SDK_VERSION(major, minor, patch) (((major) << 16) | ((minor) << 8) | (patch))
/** The SDK version of this header, packed by RZ_MAKE_SDK_VERSION (1.1.0 is 0x010100). */
#define RZ_SDK_VERSION                                                                         \
    RZ_MAKE_SDK_VERSION(RZ_SDK_VERSION_MAJOR, RZ_SDK_VERSION_MINOR, RZ_SDK_VERSION_PATCH)
/** @} */

/** Camera handle: a nonzero 32-bit value returned by Rezive_Initialize; 0 is never a handle. */
typedef uint32_t RzHandle;
/** Window id of the library's window layer; 0 means no window. */
typedef uint32_t RzWindow;

/** @name Messages posted to application windows
 * @{ */
#define RZ_WM_APP 0x8000u /**< first message number of the application range */
/** A frame was delivered (wParam: const RzFrameInfo*, lParam: RZ_FRAME_OK) or failed
 *  (wParam: 0, lParam: one of RZ_FRAME_BUFFER_TOO_SMALL, RZ_FRAME_TRANSFER_FAILED,
 *  RZ_FRAME_STREAM_ENDED). Posted to the callback window of Rezive_CallBackPreview or
 *  Rezive_Trigger. */
#define RZ_WM_FRAME 0x8002u
/** An error code was recorded or posted (wParam: 0, lParam: the RZ_ERR_ code). Posted to the
 *  application window of Rezive_Initialize. */
#define RZ_WM_ERROR 0x8003u
/** @} */

/** @name Error codes (Rezive_GetLastError, lParam of RZ_WM_ERROR)
 * Codes 10 and above 13 are never produced.
 * @{ */
#define RZ_ERR_NO_DEVICE 1          /**< no camera object, not allowed in this mode, or no frame */
#define RZ_ERR_DEVICE_UNAVAILABLE 2 /**< device absent, cannot be opened, or claimed */
#define RZ_ERR_THREAD 3             /**< worker thread or event could not be created */
#define RZ_ERR_WINDOW 4             /**< preview window failed; no size preset matches */
#define RZ_ERR_BUFFER 5             /**< allocation failed, caller buffer or record too small */
#define RZ_ERR_REGISTER 6           /**< sensor register access or transfer start failed */
#define RZ_ERR_CAPTURE_WINDOW 7     /**< capture window invalid */
#define RZ_ERR_TRANSFER 8           /**< frame transfer failed; preview could not start */
#define RZ_ERR_ARGUMENT 9           /**< argument out of range or invalid */
#define RZ_ERR_UNSUPPORTED 11       /**< function not available on this model */
#define RZ_ERR_FILE 12              /**< file name conversion failed or recording failed */
#define RZ_ERR_NO_FRAME 13          /**< no frame within 6 s; the preview loop ended */
/** @} */

/** @name lParam of the frame message RZ_WM_FRAME
 * A failure carries the error code that is also recorded for it.
 * @{ */
#define RZ_FRAME_OK 0 /**< wParam is the frame's RzFrameInfo */
/** The callback (or snapshot) buffer is smaller than the frame; the frame was not copied and
 *  stays available to Rezive_GetImage. */
#define RZ_FRAME_BUFFER_TOO_SMALL RZ_ERR_BUFFER
/** A frame transfer or decode failed; that frame is dropped and the preview goes on. */
#define RZ_FRAME_TRANSFER_FAILED RZ_ERR_TRANSFER
/** No frame arrived for 6 s (or the stream failed): the preview loop has ended. Stop the
 *  preview (Rezive_StopPreview) and start it again. */
#define RZ_FRAME_STREAM_ENDED RZ_ERR_NO_FRAME
/** @} */

/** @name Colour modes: bits per pixel given to Rezive_SetColorMode
 * Pixels are blue, green, red; 16-bit samples are little-endian with 12 significant bits.
 * Rows are padded to a multiple of 4 bytes: a frame takes ((width * bits / 8 + 3) & ~3) *
 * height bytes.
 * @{ */
#define RZ_BITS_GRAY8 8   /**< 8-bit gray (the mosaic, or gray by Rezive_SetGrayMode) */
#define RZ_BITS_GRAY16 16 /**< 16-bit gray, 12 significant bits */
#define RZ_BITS_BGR24 24  /**< 8-bit blue, green, red */
#define RZ_BITS_BGRX32 32 /**< 8-bit blue, green, red and a fourth byte */
#define RZ_BITS_BGR48 48  /**< 16-bit blue, green, red, 12 significant bits each */
#define RZ_BITS_BGRX64 64 /**< 16-bit blue, green, red and a fourth channel, 12 bits each */
/** @} */

/** @name Colour modes: codes returned by Rezive_GetColorMode
 * The 16-bit modes report their code, not their bits per pixel: 12, 44 and 60 for 16, 48
 * and 64. Each RZ_COLOR_MODE_ constant is the code of the RZ_BITS_ constant of the same name.
 * @{ */
#define RZ_COLOR_MODE_GRAY8 8           /**< RZ_BITS_GRAY8 */
#define RZ_COLOR_MODE_GRAY16 12         /**< RZ_BITS_GRAY16 (not 16) */
#define RZ_COLOR_MODE_BGR24 24          /**< RZ_BITS_BGR24 */
#define RZ_COLOR_MODE_BGRX32 32         /**< RZ_BITS_BGRX32 */
#define RZ_COLOR_MODE_BGR48 44          /**< RZ_BITS_BGR48 (not 48) */
#define RZ_COLOR_MODE_BGRX64 60         /**< RZ_BITS_BGRX64 (not 64) */
/** Bits per pixel in memory (an RZ_BITS_ value) of a code Rezive_GetColorMode returns; 0 for
 *  any other value, such as the 0 of a failed call. A macro, so that C89 callers have it: it
 *  evaluates `code` several times, so pass a variable, not the call itself. */
#define RZ_BITS_OF_COLOR_MODE(code)                                  \
    ((code) == RZ_COLOR_MODE_GRAY8    ? RZ_BITS_GRAY8                \
     : (code) == RZ_COLOR_MODE_GRAY16 ? RZ_BITS_GRAY16               \
     : (code) == RZ_COLOR_MODE_BGR24  ? RZ_BITS_BGR24                \
     : (code) == RZ_COLOR_MODE_BGRX32 ? RZ_BITS_BGRX32               \
     : (code) == RZ_COLOR_MODE_BGR48  ? RZ_BITS_BGR48                \
     : (code) == RZ_COLOR_MODE_BGRX64 ? RZ_BITS_BGRX64 : 0)
/** @} */

/** @name Filter ids of Rezive_SetFilterValue and Rezive_GetFilterValue
 * Each named setter and getter (Rezive_SetBrightness, ...) is the filter-value call with its
 * id; ranges are inclusive. Filter 28 has no named pair.
 * @{ */
#define RZ_FILTER_BRIGHTNESS 1          /**< -255..255, 0 off */
#define RZ_FILTER_CONTRAST 2            /**< -127..127, 0 off */
#define RZ_FILTER_HUE 3                 /**< -360..360 degrees, 0 off */
#define RZ_FILTER_SATURATION 4          /**< -255..255, 0 off */
#define RZ_FILTER_SHARPNESS 5           /**< 0..30, 0 off */
#define RZ_FILTER_BAYER_GAIN_RGB 6      /**< the three white-balance gains packed */
#define RZ_FILTER_BAYER_GAIN_RED 7      /**< white-balance gain of red, 0..400 percent */
#define RZ_FILTER_BAYER_GAIN_GREEN 8    /**< white-balance gain of green, 0..400 percent */
#define RZ_FILTER_BAYER_GAIN_BLUE 9     /**< white-balance gain of blue, 0..400 percent */
#define RZ_FILTER_BAYER_GAIN_AUTO 10    /**< automatic white balance, 0 or 1 */
#define RZ_FILTER_GAMMA 11              /**< 0..200 hundredths, 100 neutral */
#define RZ_FILTER_BAYER_MODE 12         /**< colour-filter phase, 0..3 */
#define RZ_FILTER_GLOBAL_GAIN 13        /**< sensor gain step, 0..11 */
#define RZ_FILTER_COLOR_GAIN_RED 14     /**< only 0 */
#define RZ_FILTER_COLOR_GAIN_GREEN1 15  /**< only 0 */
#define RZ_FILTER_COLOR_GAIN_GREEN2 16  /**< only 0 */
#define RZ_FILTER_COLOR_GAIN_BLUE 17    /**< only 0 */
#define RZ_FILTER_EXPOSURE_TIME 18      /**< exposure in lines, 1..32767 */
#define RZ_FILTER_GRAY_MODE 19          /**< gray processing, 0..2 */
#define RZ_FILTER_GRAY_GAIN_R 20        /**< 0..255, 128 unity */
#define RZ_FILTER_GRAY_GAIN_G1 21       /**< 0..255, 128 unity */
#define RZ_FILTER_GRAY_GAIN_G2 22       /**< 0..255, 128 unity */
#define RZ_FILTER_GRAY_GAIN_B 23        /**< 0..255, 128 unity */
#define RZ_FILTER_GRAY_OFFSET_R 24      /**< -255..255 */
#define RZ_FILTER_GRAY_OFFSET_G1 25     /**< -255..255 */
#define RZ_FILTER_GRAY_OFFSET_G2 26     /**< -255..255 */
#define RZ_FILTER_GRAY_OFFSET_B 27      /**< -255..255 */
/** 0 or 1: the number of automatic gray-gain measurements still to run. 1 measures the gray
 *  gains and offsets (filters 20..27) once, on the next frame processed in gray mode 1. */
#define RZ_FILTER_GRAY_GAIN_AUTO 28
/** @} */

/** @name File formats of Rezive_SaveImage and Rezive_SaveImageW
 * Every colour mode can be saved in every format; the file is converted as the format needs.
 * @{ */
#define RZ_FILE_BMP 0         /**< Windows bitmap at the colour mode's depth */
#define RZ_FILE_RAW 1         /**< the pixel rows as in memory (padding included), no header */
#define RZ_FILE_JPEG_HIGH 2   /**< JPEG, quality 100; gray or 24-bit, 12-bit samples cut to 8 */
#define RZ_FILE_JPEG_NORMAL 3 /**< JPEG, quality 70 */
#define RZ_FILE_JPEG_LOW 4    /**< JPEG, quality 20 */
#define RZ_FILE_PNG 5         /**< PNG; 12-bit samples widened to the 16-bit range */
#define RZ_FILE_TIFF 6        /**< uncompressed TIFF; 12-bit samples widened likewise */
/** @} */

/**
 * Frame-information record; its address is the wParam of every successful RZ_WM_FRAME
 * message. The library rewrites it for every frame: read it in the message handler, before
 * the next frame arrives.
 */
typedef struct RzFrameInfo {
    int32_t size;         /**< sizeof(RzFrameInfo) */
    int32_t width;        /**< frame width in pixels */
    int32_t height;       /**< frame height in pixels */
    int32_t bitsPerPixel; /**< 8, 16, 24, 32, 48 or 64 (RZ_BITS_), of the running acquisition */
    int32_t frameRate10;  /**< frames per second x 10, measured each second; 0 in trigger mode */
    void* buffer;         /**< the callback buffer the frame was copied into, or NULL */
} RzFrameInfo;

/** Camera-information record of Rezive_GetCameraInfo; set size to sizeof(RzCameraInfo). */
typedef struct RzCameraInfo {
    int32_t size;        /**< set by the caller; at least 36; not changed */
    int32_t width;       /**< sensor width: 1280 */
    int32_t height;      /**< sensor height: 720 */
    int32_t gainMin;     /**< lowest gain step of Rezive_SetGlobalGain: 0 */
    int32_t gainMax;     /**< highest gain step: 11 */
    int32_t reserved1;   /**< 0 */
    int32_t reserved2;   /**< 0 */
    int32_t exposureMin; /**< shortest exposure of Rezive_SetExposureTime, in lines: 1 */
    int32_t exposureMax; /**< longest exposure in lines: 32767 */
} RzCameraInfo;

/* ---- Companion window and message API ---------------------------------------------------- */

/** @name Companion window and message API
 * @{ */

/**
 * One message of a message window.
 * @since 1.0
 */
typedef struct RzMessage {
    uint32_t message; /**< RZ_WM_FRAME, RZ_WM_ERROR, or what RzPostMessage posted */
    uintptr_t wParam; /**< first parameter; see the message */
    intptr_t lParam;  /**< second parameter; see the message */
} RzMessage;

/**
 * Message handler of a message window.
 * Called once per message, in posting order, on a dispatcher thread that belongs to the window
 * (never on the caller's thread and never on a camera's worker thread), so a handler may call
 * any Rezive_ function, including Rezive_StopPreview.
 * @param window   the window the message was posted to
 * @param message  the message; valid during the call only
 * @param user     the pointer given to RzSetMessageHandler
 * @since 1.0
 */
typedef void (*RzMessageHandler)(RzWindow window, const RzMessage* message, void* user);

/**
 * Creates a message window with a thread-safe queue, to receive RZ_WM_ERROR and RZ_WM_FRAME.
 * @return its nonzero id, or 0 when it cannot be created.
 * @since 1.0
 */
RZ_API RzWindow RzCreateMessageWindow(void);
/**
 * Destroys a window; queued messages are dropped. Destroy it after the cameras that post to
 * it are released (posting to a destroyed window does nothing).
 * @return 1, or 0 for an unknown id.
 * @since 1.0
 */
RZ_API int32_t RzDestroyWindow(RzWindow window);
/**
 * Takes the next queued message, waiting for it if need be.
 * @param window     a window created by RzCreateMessageWindow
 * @param message    receives the message
 * @param timeoutMs  longest wait in milliseconds; 0 polls; negative waits without limit
 * @return 1 with *message filled, 0 on time-out, -1 for an unknown window or a null message.
 * @since 1.0
 */
RZ_API int32_t RzWaitMessage(RzWindow window, RzMessage* message, int32_t timeoutMs);
/**
 * Posts a message to a window, as the library does.
 * @return 1, or 0 for an unknown window.
 * @since 1.0
 */
RZ_API int32_t RzPostMessage(RzWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam);
/**
 * Sets, or with a null handler removes, the window's message handler. While a handler is set,
 * messages go to it instead of the queue.
 * @param handler  the handler, or NULL
 * @param user     passed to every call of the handler
 * @return 1, or 0 for an unknown window.
 * @since 1.0
 */
RZ_API int32_t RzSetMessageHandler(RzWindow window, RzMessageHandler handler, void* user);

/**
 * Wraps a native window of the application (an X11 window id) as a window of the library, so
 * that the preview can be shown inside it: pass the result as the parent of
 * Rezive_SetPreviewWindow, or as the application window of Rezive_Initialize (it is also a
 * message window). The library never destroys or changes the native window; destroy the wrapper
 * with RzDestroyWindow after the cameras that use it are released. Without a display the
 * wrapper still works as a message window and the preview stays off screen. The library talks
 * to the X server on a connection of its own: the native window must exist on the server before
 * the preview starts (flush or sync the toolkit's connection, e.g. gdk_display_sync).
 * @param nativeId  the X11 window id (for GTK: gdk_x11_window_get_xid; for Qt: QWidget::winId)
 * @return its nonzero id, or 0 for a native id of 0.
 * @since 1.0
 */
RZ_API RzWindow RzWrapNativeWindow(uint64_t nativeId);
/**
 * The native window id of a library window: the X11 window that shows a preview window (for
 * instance to embed or move it with the toolkit's own calls), or the id a wrapper was made from.
 * @param nativeId  receives the id
 * @return 1, or 0 when the window has no native window (no display, a plain message window, or
 *         an unknown id) or nativeId is null.
 * @since 1.0
 */
RZ_API int32_t RzGetNativeWindow(RzWindow window, uint64_t* nativeId);

/**
 * The camera's preview window while it is open: to embed or follow it (RzGetNativeWindow), or to
 * notice that the user closed it.
 * @return the window, or 0 when none is open (not created yet, closed by Rezive_Close, or closed
 *         by the user) or without a camera object.
 * @since 1.0
 */
RZ_API RzWindow RzGetPreviewWindow(RzHandle handle);

/**
 * Fires the camera's software trigger (trigger control port: enable, software path, pulse):
 * one frame for an acquisition started with Rezive_Trigger.
 * @return 1, or 0 when the port write failed (no error code) or without a camera object.
 * @errors RZ_ERR_NO_DEVICE without a camera object.
 * @acquiring meant for trigger mode; in the other modes the camera ignores the pulse and a
 *            running preview goes on.
 * @since 1.0
 */
RZ_API int32_t RzSoftwareTrigger(RzHandle handle);

/**
 * Describes the USB devices attached, for a user looking for the camera: one line per device,
 * "location  vvvv:pppp  device-node  status", where the status tells the camera's slot, that
 * the ids are not in the USB id table yet (and which line to add), that the user has no
 * permission (and the udev rule or group that grants it), or that another program uses it.
 * Lists the devices of the id table and the vendor-class devices with the camera's three pipes;
 * with `all` nonzero every device, with the reason it is not a camera.
 * @param text  receives the NUL-terminated lines, cut to fit; may be NULL when size is 0
 * @param size  bytes of text
 * @return the length of the whole description without its NUL (call again with a larger
 *         buffer when it is size or more), or -1 for a NULL text with a nonzero size.
 * @since 1.0
 */
RZ_API int32_t RzDescribeUsbDevices(char* text, int32_t size, int32_t all);

/**
 * The system's account of the camera's newest failure that has one: what failed, where and why,
 * in one line, for a user to read:
 * - the camera claim region that Rezive_Initialize could neither open nor create (RZ_ERR_BUFFER
 *   recorded), for example "cannot open the camera claim region /dev/shm/RUREDO_USBCAMERA.1000:
 *   Read-only file system";
 * - with every RZ_ERR_DEVICE_UNAVAILABLE recorded, and every RZ_ERR_REGISTER, RZ_ERR_TRANSFER
 *   and RZ_ERR_NO_FRAME whose device gave a reason, the device's part in it: no
 *   permission (and the udev rule or group that grants it), held by another process (its id
 *   where the system tells: the claim region's owner, another user's program, or the kernel
 *   driver bound to the camera's interface), unplugged, not responding (its command packets
 *   time out), not a camera, or no camera in the slot. For example "USB camera 1-2 (1209:0001,
 *   /dev/bus/usb/001/002): held by another program (of this or another user): close it, then
 *   try again".
 * The text stays until a later failure replaces it; Rezive_GetLastError does not remove it.
 * @param text  receives the NUL-terminated text, cut to fit; may be NULL when size is 0
 * @param size  bytes of text
 * @return the length of the whole text without its NUL (0: no failure with a reason), or -1 for
 *         an unknown handle or a NULL text with a nonzero size.
 * @since 1.0
 */
RZ_API int32_t RzGetErrorDetail(RzHandle handle, char* text, int32_t size);

/** @name Causes of a device that is attached but cannot be used (RzAttachedCamera::cause)
 * @since 1.1
 * @{ */
#define RZ_CAUSE_NONE 0           /**< it opens */
#define RZ_CAUSE_NO_DEVICE 1      /**< gone: unplugged, or no device behind the node */
#define RZ_CAUSE_PERMISSION 2     /**< the system refuses this user (see the udev rules) */
#define RZ_CAUSE_BUSY 3           /**< held by another process or a kernel driver */
#define RZ_CAUSE_NOT_RESPONDING 4 /**< the system or the camera does not answer */
#define RZ_CAUSE_NOT_A_CAMERA 5   /**< in the USB id table, but without the camera's pipes */
#define RZ_CAUSE_OTHER 6          /**< any other refusal; the reason says which */
/** @} */

/**
 * A camera attached to the machine, whether or not it can be used.
 * @since 1.1
 */
typedef struct RzAttachedCamera {
    uint32_t size;      /**< set by the caller to sizeof(RzAttachedCamera) */
    int32_t slot;       /**< the device slot it answers in (Rezive_SetDeviceNumber); -1: none */
    int32_t cause;      /**< RZ_CAUSE_NONE when it opens, else why not (RZ_CAUSE_...) */
    int32_t error;      /**< 0 when it opens, else the code opening it records (2) */
    char location[128]; /**< "USB camera 1-2 (1209:0001, /dev/bus/usb/001/002)" or a node */
    char reason[384];   /**< empty when it opens; else why not and what to do, one line */
} RzAttachedCamera;

/**
 * Lists the cameras attached to this machine — the USB devices whose ids are in the USB id
 * table and the kernel driver's device nodes — and tries each, so that a camera which is there
 * but cannot be used is told apart from no camera at all. Virtual cameras are not attached to
 * anything and are not listed. A program that stands a virtual camera in for a missing one does
 * so only when this returns 0: a camera that is there and fails is an error, never replaced.
 * @param cameras  receives up to count entries, each with its size set by the caller (at least
 *                 sizeof(RzAttachedCamera)); may be NULL when count is 0
 * @param count    entries of cameras
 * @return the number of attached cameras (call again with more entries when it is more than
 *         count), or -1 for a NULL array with a nonzero count, a negative count or an entry
 *         whose size is too small.
 * @acquiring allowed: a camera that this process uses opens at once.
 * @since 1.1
 */
RZ_API int32_t RzListAttachedCameras(RzAttachedCamera* cameras, int32_t count);

/** @} */

/* ---- Companion error texts and settings table ------------------------------------------- */

/** @name Companion error texts and settings table
 * What every program built on the library would otherwise write out for itself: the meaning of
 * each error code, and every camera setting with its name, range, default and unit, so that a
 * command line, a toolkit element, a language binding or a form shows and checks the same values
 * as the library.
 * @{ */

/**
 * The meaning of an error code, one line in UTF-8, for a user to read: "capture window invalid".
 * @param code      an RZ_ERR_ code; 0 (no code recorded) and any other value have a text too
 * @param language  "en" or "ja" (a language tag such as "ja_JP.UTF-8" counts by its first two
 *                  letters), or NULL for the language the property dialogs use; any other
 *                  language gets English
 * @return a text the library owns, never NULL, valid until the library is unloaded.
 * @acquiring allowed.
 * @since 1.1
 */
RZ_API const char* RzGetErrorText(int32_t code, const char* language);

/** @name Kinds of a setting (RzSettingInfo::kind) */
/** @{ */
#define RZ_SETTING_NUMBER 0 /**< an integer in minimum..maximum, in its unit */
#define RZ_SETTING_SWITCH 1 /**< 0 off, 1 on */
#define RZ_SETTING_CHOICE 2 /**< one of valueCount named values, 0..valueCount-1 */
/** @} */

/** @name Groups of the settings file a setting is kept in (RzSettingInfo::persistence) */
/** @{ */
#define RZ_SETTING_NOT_KEPT 0 /**< lasts while the camera object does */
#define RZ_SETTING_KEPT 1     /**< saved per camera when its camera object is released */
/** @} */

/** One camera setting. Every text is UTF-8, English, owned by the library. */
typedef struct RzSettingInfo {
    uint32_t size;            /**< set by the caller to sizeof(RzSettingInfo) */
    const char* name;         /**< short name, as rezive-cam set and get take it: "exposure-ms" */
    const char* description;  /**< one line for a user: "exposure in milliseconds" */
    int32_t kind;             /**< RZ_SETTING_NUMBER, _SWITCH or _CHOICE */
    int32_t minimum;          /**< smallest value */
    int32_t maximum;          /**< largest value */
    int32_t defaultValue;     /**< a new camera's value (the first run, no settings file) */
    const char* unit;         /**< "lines", "ms", "percent", "degrees", "bits", ... or "" */
    int32_t filter;           /**< the RZ_FILTER_ id behind it, 0 when it has none */
    const char* setter;       /**< the export that sets it: "Rezive_SetExposureTime" */
    const char* getter;       /**< the export that reads it: "Rezive_GetExposureTime" */
    int32_t persistence;      /**< RZ_SETTING_KEPT or RZ_SETTING_NOT_KEPT */
    int32_t valueCount;       /**< entries of values or valueNames; 0 when it takes every
                                   integer of minimum..maximum */
    const int32_t* values;    /**< the only values a number takes ("color": 8, 16, 24, 32, 48,
                                   64), or NULL */
    const char* const* valueNames; /**< a switch's or choice's names, valueNames[v] for value v
                                        ("off", "on"), or NULL */
} RzSettingInfo;

/**
 * The number of settings in the table (RzGetSettingInfo takes 0 up to it).
 * @since 1.1
 */
RZ_API int32_t RzGetSettingCount(void);

/**
 * One setting of the table, by its index or (index -1) by its name.
 * @param index  0..RzGetSettingCount()-1, or -1 to look name up
 * @param name   the setting's name when index is -1, else ignored (may be NULL)
 * @param info   receives the setting; its size set by the caller (at least sizeof(RzSettingInfo))
 * @return 1, or 0 for an index out of range, an unknown name, a NULL or short info.
 * @since 1.1
 */
RZ_API int32_t RzGetSettingInfo(int32_t index, const char* name, RzSettingInfo* info);

/**
 * Reads a setting of a camera by its name, through the export the table names as its getter.
 * @param value  receives the value, in the setting's unit (bits per pixel for "color")
 * @return 1, or 0 when the read fails (the export records its error) or for an unknown name or
 *         a NULL value (RZ_ERR_ARGUMENT recorded).
 * @acquiring allowed.
 * @since 1.1
 */
RZ_API int32_t RzGetSettingValue(RzHandle handle, const char* name, int32_t* value);

/**
 * Sets a setting of a camera by its name, through the export the table names as its setter,
 * which checks the value and records any error as it does when called itself.
 * @return the setter's result, 1 or 0; 0 with RZ_ERR_ARGUMENT for an unknown name.
 * @acquiring as the setter allows.
 * @since 1.1
 */
RZ_API int32_t RzSetSettingValue(RzHandle handle, const char* name, int32_t value);

/** @} */

/* ---- Companion frame accounting API ------------------------------------------------------ */

/** @name Companion frame accounting API
 * Every frame of an acquisition is counted: once it has stopped,
 * transferred = processed + skipped + failedDecodes; recorded + recorderDropped are the
 * processed frames handed to a recording from its start up to the frame that ended it (a
 * stop ends it after the frames already queued).
 * @{ */

/** Default number of frames the recorder queues between the preview and the disk; change it
 *  with RzSetRecordQueueDepth or the environment variable REZIVE_RECORD_QUEUE.
 *  @since 1.0 */
#define RZ_RECORD_QUEUE_DEFAULT 8
#define RZ_RECORD_QUEUE_MAX 256 /**< largest queue depth @since 1.0 */

/**
 * Frame counters of one camera since its acquisition (preview, callback preview, recording or
 * trigger) last started; the recorder's counters since its recording last started. The record
 * may grow at its end in later versions: set size, and the library fills what fits.
 * @since 1.0
 */
typedef struct RzStreamStats {
    uint32_t size;             /**< set by the caller to sizeof(RzStreamStats); at least 8 */
    uint32_t recording;        /**< 1 while a recording runs, 0 once it has ended */
    uint64_t transferred;      /**< whole frames the camera transferred */
    uint64_t failedTransfers;  /**< transfers that failed (a preview's stream ends on one) */
    uint64_t shortTransfers;   /**< transfers that came short (the first of a run is expected) */
    uint64_t skipped;          /**< frames passed over by the newest-frame rule of the preview */
    uint64_t processed;        /**< frames run through the processing */
    uint64_t delivered;        /**< frames handed to the application (buffer or frame message) */
    uint64_t refusedBuffer;    /**< frames not delivered: the callback buffer was too small */
    uint64_t recorded;         /**< frames the recorder wrote to its file */
    uint64_t recorderDropped;  /**< frames the recorder dropped: its queue was full */
    uint64_t lastSequence;     /**< sequence number of the last frame taken (1 = first) */
    uint64_t lastCaptureUs;    /**< its capture time, monotonic clock, microseconds */
    uint64_t failedDecodes;    /**< frames taken that could not be decoded */
    uint32_t recordQueueDepth; /**< queue depth of the current or last recording */
    uint32_t reserved;         /**< 0 */
} RzStreamStats;

/**
 * Fills stats with the camera's frame counters.
 * @param stats  receives the counters; stats->size says how many bytes the caller has, and is
 *               not changed
 * @return 1, or 0 for a null record, a size below 8 or without a camera object.
 * @errors RZ_ERR_NO_DEVICE without a camera object; RZ_ERR_ARGUMENT for a null or short record.
 * @acquiring allowed.
 * @since 1.0
 */
RZ_API int32_t RzGetStreamStats(RzHandle handle, RzStreamStats* stats);

/**
 * What a frame message tells beyond its RzFrameInfo.
 * @since 1.0
 */
typedef struct RzFrameMeta {
    uint32_t size;          /**< set by the caller to sizeof(RzFrameMeta); at least 8 */
    uint32_t skippedBefore; /**< frames the newest-frame rule passed over just before this one */
    uint64_t sequence;      /**< the frame's sequence number in its acquisition (1 = first); of
                                 a snapshot, its number among the camera object's snapshots */
    uint64_t captureUs;     /**< its capture time, monotonic clock (CLOCK_MONOTONIC),
                                 microseconds */
    int32_t exposureLines;  /**< the exposure in sensor lines in force when the frame was
                                 processed (automatic exposure moves it) @since 1.1 */
    int32_t gain;           /**< the global gain step in force then (Rezive_GetGlobalGain's
                                 scale) @since 1.1 */
    uint32_t exposureUs;    /**< that exposure in microseconds, by the line time that
                                 Rezive_GetRealExposureTime converts with; 0 when the line length
                                 could not be read @since 1.1 */
    uint32_t reserved;      /**< 0 @since 1.1 */
} RzFrameMeta;

/**
 * The meta of the frame an RzFrameInfo describes: call it from the handler of the frame message
 * with the record the message points to. Like the record, it is rewritten by the next frame.
 * @param info  the wParam of an RZ_WM_FRAME message
 * @param meta  receives the meta; meta->size as in RzGetStreamStats
 * @return 1, or 0 when info is not a frame record of the library or meta is null or short.
 * @since 1.0
 */
RZ_API int32_t RzGetFrameMeta(const RzFrameInfo* info, RzFrameMeta* meta);

/**
 * The meta of the frame the library last copied into buffer: a callback buffer of
 * Rezive_CallBackPreview or Rezive_Trigger, or the buffer of Rezive_SnapShot, among the last
 * RZ_BUFFER_META_DEPTH buffers the camera wrote frames into. Unlike RzGetFrameMeta, the answer
 * is not rewritten by the next frame once the buffer is written no more: hand the camera the
 * next buffer with Rezive_CallBackPreview, then ask for the old one, and the meta is that of
 * the frame the old buffer holds. A buffer given to the camera again as its callback buffer
 * has no meta until a frame is copied into it in that turn.
 * @code
 * Rezive_CallBackPreview(handle, window, next, size, 1);  // full is written no more
 * RzFrameMeta meta = {0};
 * meta.size = sizeof meta;
 * if (RzGetBufferMeta(handle, full, &meta) == 1) use(full, meta.sequence, meta.captureUs);
 * @endcode
 * @param buffer  the buffer's address as it was given to the library
 * @param meta    receives the meta; meta->size as in RzGetStreamStats
 * @return 1, or 0 when no frame of the last RZ_BUFFER_META_DEPTH was copied into buffer, for
 *         a null or short meta, or without a camera object.
 * @errors RZ_ERR_NO_DEVICE without a camera object; RZ_ERR_ARGUMENT for a null or short meta.
 *         A buffer the camera holds no meta of records nothing.
 * @acquiring allowed.
 * @since 1.1
 */
RZ_API int32_t RzGetBufferMeta(RzHandle handle, const void* buffer, RzFrameMeta* meta);
/** How many of the last written buffers RzGetBufferMeta remembers. @since 1.1 */
#define RZ_BUFFER_META_DEPTH 4

/**
 * Sets how many processed frames the recorder may hold while its writes catch up; applies to
 * recordings started afterwards. A frame that finds the queue full is dropped and counted.
 * @param depth  1 .. RZ_RECORD_QUEUE_MAX, or 0 for the default (REZIVE_RECORD_QUEUE, else
 *               RZ_RECORD_QUEUE_DEFAULT)
 * @return 1, or 0 for a depth out of range or without a camera object.
 * @errors RZ_ERR_NO_DEVICE without a camera object; RZ_ERR_ARGUMENT for a depth out of range.
 * @acquiring allowed.
 * @since 1.0
 */
RZ_API int32_t RzSetRecordQueueDepth(RzHandle handle, int32_t depth);

/** @} */

/* ---- Companion still-image API ------------------------------------------------------------ */

/** @name Companion still-image API
 * @{ */

#define RZ_PNG_LEVEL_DEFAULT (-1) /**< libpng's own compression level (the default) @since 1.0 */
#define RZ_PNG_LEVEL_MAX 9        /**< zlib's smallest files, the slowest save @since 1.0 */

/**
 * Sets the compression level of the PNG files Rezive_SaveImage and Rezive_SaveImageW write for
 * this camera, trading file size for save time: 0 stores the pixels uncompressed, 1 is the
 * fastest compression and 9 the smallest file; the pixels are the same at every level. Kept
 * until the camera is released (not in the settings file).
 * @param level  RZ_PNG_LEVEL_DEFAULT, or 0 .. RZ_PNG_LEVEL_MAX
 * @return 1, or 0 for a level out of range or without a camera object.
 * @errors RZ_ERR_NO_DEVICE without a camera object; RZ_ERR_ARGUMENT for a level out of range.
 * @acquiring allowed.
 * @since 1.0
 */
RZ_API int32_t RzSetPngCompressionLevel(RzHandle handle, int32_t level);
/**
 * The camera's PNG compression level (RZ_PNG_LEVEL_DEFAULT until one is set).
 * @param level  receives the level
 * @return 1, or 0 for a null level or without a camera object.
 * @errors RZ_ERR_NO_DEVICE without a camera object; RZ_ERR_ARGUMENT for a null level.
 * @acquiring allowed.
 * @since 1.0
 */
RZ_API int32_t RzGetPngCompressionLevel(RzHandle handle, int32_t* level);

/** @} */

/* ---- Dialog scripting --------------------------------------------------------------------- */

/** @name Dialog scripting
 * Drives a shown property dialog by control id, as a user would, with or without a display.
 * An application installs a hook with RzSetDialogHook; it is called on the dialog's thread as
 * soon as a dialog is shown (on a display) or ready to be driven (without one). The hook may
 * drive the dialog at once, or hand its id to another thread and return: the dialog then stays
 * open until a script (or, on a display, the user) ends it.
 *
 * Each call acts on the dialog's thread: directly when made there (from the hook), otherwise
 * handed over and waited for up to 5 s. Every call returns 1, or 0 for an unknown or ended
 * dialog, a control id the dialog lacks, a control of the wrong kind, a null pointer, a value
 * the control cannot take, an action on a disabled control, or a dialog thread that did not
 * answer in time. An id that repeats on two pages of a dialog (the filter dialog's 2074, 1035,
 * 1030-1033) names the control on the page shown: select the tab first.
 * @{ */

/**
 * A shown dialog; nonzero, and never reused within the process.
 * @since 1.0
 */
typedef uint32_t RzDialog;

#define RZ_DIALOG_FORMAT 1 /**< Rezive_SetCameraDlg @since 1.0 */
#define RZ_DIALOG_ANALOG 2 /**< Rezive_SetAnalogDlg @since 1.0 */
#define RZ_DIALOG_IMAGE 3  /**< Rezive_SetImageDlg @since 1.0 */

/**
 * Called on the dialog's thread when a dialog is shown.
 * @param dialog  the dialog, for the RzDialog calls
 * @param kind    RZ_DIALOG_FORMAT, RZ_DIALOG_ANALOG or RZ_DIALOG_IMAGE
 * @param user    the pointer given to RzSetDialogHook
 * @since 1.0
 */
typedef void (*RzDialogHook)(RzDialog dialog, int32_t kind, void* user);

/**
 * Installs, or with NULL removes, the process's dialog hook. Without a display that can show a
 * dialog, the dialog exports need a hook: with neither they return 0 and record
 * RZ_ERR_UNSUPPORTED, as no dialog could be shown.
 * @return 1.
 * @since 1.0
 */
RZ_API int32_t RzSetDialogHook(RzDialogHook hook, void* user);
/**
 * The kind of a shown dialog (RZ_DIALOG_FORMAT, ...) into *kind.
 * @since 1.0
 */
RZ_API int32_t RzDialogGetKind(RzDialog dialog, int32_t* kind);
/**
 * The text of a control (an edit's content, a label's or a button's caption), UTF-8 with its
 * NUL. 0, with nothing written, when size is too small; 256 bytes hold every text.
 * @since 1.0
 */
RZ_API int32_t RzDialogGetText(RzDialog dialog, int32_t id, char* text, int32_t size);
/**
 * Replaces an edit's text, as typing it does (the dialog acts on the change).
 * @since 1.0
 */
RZ_API int32_t RzDialogSetText(RzDialog dialog, int32_t id, const char* text);
/**
 * Selects an item of a drop-down list (0-based), as the user does.
 * @since 1.0
 */
RZ_API int32_t RzDialogSelectItem(RzDialog dialog, int32_t id, int32_t index);
/**
 * The selected item of a drop-down list or tab control into *index; -1 for none.
 * @since 1.0
 */
RZ_API int32_t RzDialogGetSelection(RzDialog dialog, int32_t id, int32_t* index);
/**
 * The number of items of a drop-down list or tab control into *count.
 * @since 1.0
 */
RZ_API int32_t RzDialogGetItemCount(RzDialog dialog, int32_t id, int32_t* count);
/**
 * The text of an item of a drop-down list or tab control, as RzDialogGetText.
 * @since 1.0
 */
RZ_API int32_t RzDialogGetItemText(RzDialog dialog, int32_t id, int32_t index, char* text,
                                   int32_t size);
/**
 * Shows the tab of that index (0-based), as clicking it does.
 * @since 1.0
 */
RZ_API int32_t RzDialogSelectTab(RzDialog dialog, int32_t index);
/**
 * Checks (checked nonzero) or unchecks a check box or radio button by clicking it when its
 * state differs. A radio button is unchecked only by checking another of its group (0).
 * @since 1.0
 */
RZ_API int32_t RzDialogCheck(RzDialog dialog, int32_t id, int32_t checked);
/**
 * Whether a check box or radio button is checked (1 or 0) into *checked.
 * @since 1.0
 */
RZ_API int32_t RzDialogIsChecked(RzDialog dialog, int32_t id, int32_t* checked);
/**
 * Moves a trackbar, as dragging it does; the trackbar keeps the position inside its range.
 * @since 1.0
 */
RZ_API int32_t RzDialogSetPosition(RzDialog dialog, int32_t id, int32_t position);
/**
 * The position of a trackbar or up-down control into *position.
 * @since 1.0
 */
RZ_API int32_t RzDialogGetPosition(RzDialog dialog, int32_t id, int32_t* position);
/**
 * Clicks a push button (1 is OK, 2 Cancel), check box or radio button.
 * @since 1.0
 */
RZ_API int32_t RzDialogClick(RzDialog dialog, int32_t id);
/**
 * Whether a control is enabled (1 or 0) into *enabled.
 * @since 1.0
 */
RZ_API int32_t RzDialogIsEnabled(RzDialog dialog, int32_t id, int32_t* enabled);
/**
 * Ends the dialog as its close box does: it cancels. The dialog's thread ends it.
 * @since 1.0
 */
RZ_API int32_t RzDialogEnd(RzDialog dialog);
/**
 * How a dialog ended, also after it has ended (the latest 64 dialogs are remembered): 0 while it
 * is shown, 1 for OK, 2 for Cancel (Cancel button, close box, Escape, RzDialogEnd).
 * @since 1.0
 */
RZ_API int32_t RzDialogGetResult(RzDialog dialog, int32_t* result);

/** @} */

/* ---- Lifecycle and device selection ------------------------------------------------------- */

/** @name Lifecycle and device selection
 * @{ */

/**
 * Creates a camera object and opens the camera in device slot 0.
 * Loads the settings saved for slot 0 (sensor, filter and gray settings, colour mode, wait
 * time, capture window) and writes gain, exposure and mirrors to the sensor. A handle is
 * returned even when initialisation fails; later calls on it then fail with RZ_ERR_NO_DEVICE.
 * @param appWindow  window for the RZ_WM_ERROR messages (RzCreateMessageWindow), or 0 for none.
 *                     It is also the owner token of the device claim that a running preview
 *                     takes, so other processes see the camera as in use.
 * @return the new handle, or 0 when no camera object could be created.
 * @errors RZ_ERR_BUFFER (initialisation failed: shared memory or image buffers unavailable);
 *         RZ_ERR_CAPTURE_WINDOW (the saved capture window was invalid; 1280 x 720 is used).
 *         No camera attached is no error here: acquisition reports RZ_ERR_DEVICE_UNAVAILABLE.
 */
RZ_API RzHandle Rezive_Initialize(RzWindow appWindow);
/**
 * Releases a camera handle: stops any acquisition and recording (the file is finished), saves
 * the sensor, filter and gray settings of the current device slot, releases the device claim
 * and destroys the camera object. The handle is invalid afterwards.
 * @return 1, or 0 for an unknown handle.
 * @acquiring allowed; stops it.
 */
RZ_API int32_t Rezive_Release(RzHandle handle);
/**
 * The library's version, RZ_DLL_VERSION (0x01B1051F); needs no handle.
 */
RZ_API int32_t Rezive_GetDllVersion(void);
/**
 * Takes the newest code from the camera's error history (20 entries, newest first) and
 * removes it, so repeated calls return older codes, then 0. Codes that are posted only are
 * not in the history.
 * @return an RZ_ERR_ code, or 0 when the history is empty.
 * @acquiring allowed.
 */
RZ_API int32_t Rezive_GetLastError(RzHandle handle);
/**
 * Looks for cameras in device slots 0..31 and names those present.
 * @param names  table of 10 names of 256 characters. Entry k receives
 *                 "Rezive417DIR-DEZ_NN" for the k-th camera found, NN = k + 1 (01, 02, ...);
 *                 unused entries are set to "". Cameras beyond the tenth are counted only.
 * @return the number of cameras present (may exceed 10); 0 also on failure.
 * @errors RZ_ERR_NO_DEVICE without a camera object; RZ_ERR_ARGUMENT for a null table.
 * @acquiring allowed.
 */
RZ_API int32_t Rezive_EnumDevice(RzHandle handle, char (*names)[256]);
/**
 * Rezive_EnumDevice with UTF-16 names, but without looking for cameras again: it reports the
 * cameras as last found (by Rezive_Initialize or the last Rezive_EnumDevice).
 * @param names  table of 10 names of 256 UTF-16 units.
 * @return the number of cameras present; 0 also on failure.
 * @errors RZ_ERR_NO_DEVICE without a camera object; RZ_ERR_ARGUMENT for a null table.
 * @acquiring allowed.
 */
RZ_API int32_t Rezive_EnumDeviceW(RzHandle handle, RzChar16 (*names)[256]);
/**
 * The display name of the camera in a device slot: "Rezive417DIR-DEZ_NN" with NN = index + 1
 * (the slot number, which can differ from the numbering of Rezive_EnumDevice).
 * @param index   device slot, 0..31
 * @param name    receives the name, always terminated; buffers of 16 to 19 characters get it
 *                  truncated
 * @param length  size of name in characters, at least 16 (20 holds the whole name)
 * @return 1 or 0.
 * @errors RZ_ERR_NO_DEVICE without a camera object; RZ_ERR_ARGUMENT for length < 16, an
 *         index outside 0..31 or a null name; RZ_ERR_DEVICE_UNAVAILABLE when no camera is
 *         in that slot.
 * @acquiring allowed.
 */
RZ_API int32_t Rezive_GetDeviceName(RzHandle handle, int32_t index, char* name, int32_t length);
/**
 * Rezive_GetDeviceName with a UTF-16 name; length counts UTF-16 units.
 * @return 1 or 0.
 * @errors as Rezive_GetDeviceName; RZ_ERR_DEVICE_UNAVAILABLE also when the name cannot be
 *         converted.
 * @acquiring allowed.
 */
RZ_API int32_t Rezive_GetDeviceNameW(RzHandle handle, int32_t index, RzChar16* name,
                                     int32_t length);
/**
 * Switches this camera object to the camera in another device slot. Saves the sensor, filter
 * and gray settings under the current slot, opens the new camera, loads the settings saved
 * for its slot and writes gain, exposure and mirrors to its sensor.
 * @param index  device slot, 0..31 (Rezive_GetDeviceName; rezive-cam list)
 * @return 1, or 0 with the previous slot still selected.
 * @errors RZ_ERR_NO_DEVICE without a camera object, or while acquiring;
 *         RZ_ERR_DEVICE_UNAVAILABLE when no camera is in the slot or it cannot be opened.
 * @acquiring refused with RZ_ERR_NO_DEVICE while a preview, capture, trigger
 *            acquisition or recording runs; stop it first (Rezive_StopPreview).
 */
RZ_API int32_t Rezive_SetDeviceNumber(RzHandle handle, int32_t index);
/**
 * Fills a camera-information record: sensor size and the ranges of gain and exposure.
 * @param info  the record, with info->size set to sizeof(RzCameraInfo) (36 or more)
 * @return 1 or 0.
 * @errors RZ_ERR_NO_DEVICE without a camera object; RZ_ERR_ARGUMENT for a null record;
 *         RZ_ERR_BUFFER when info->size is 35 or less.
 * @acquiring allowed.
 */
RZ_API int32_t Rezive_GetCameraInfo(RzHandle handle, RzCameraInfo* info);
/**
 * Kept for compatibility: always 0, for every handle.
 * @param ignored  not used
 */
RZ_API int32_t Rezive_GetStatus(RzHandle handle, int32_t ignored);
/**
 * Closes the preview window and stops any acquisition and recording (the file is finished).
 * Afterwards no frame counts as processed: Rezive_SaveImage fails until the next frame. The
 * handle stays valid.
 * @return 1.
 * @acquiring allowed; stops it.
 */
RZ_API int32_t Rezive_Close(RzHandle handle);

/** @} */

/* ---- Video format ------------------------------------------------------------------------- */

/** @name Video format
 * @{ */

/**
 * Selects the colour mode, the pixel layout of frames.
 * @param bitsPerPixel  RZ_BITS_GRAY8, RZ_BITS_GRAY16, RZ_BITS_BGR24, RZ_BITS_BGRX32,
 *                        RZ_BITS_BGR48 or RZ_BITS_BGRX64 (8, 16, 24, 32, 48, 64)
 * @return 1 or 0.
 * @errors RZ_ERR_ARGUMENT for any other value; the mode is not changed.
 * @acquiring stored; it takes effect when acquisition is next started, and the running
 *            acquisition keeps its mode. Rezive_GetImage and Rezive_SaveImage read the frame of
 *            the stored mode, so change it only while idle.
 */
RZ_API int32_t Rezive_SetColorMode(RzHandle handle, int32_t bitsPerPixel);
/**
 * The stored colour mode.
 * @return RZ_COLOR_MODE_GRAY8, RZ_COLOR_MODE_GRAY16, RZ_COLOR_MODE_BGR24,
 *         RZ_COLOR_MODE_BGRX32, RZ_COLOR_MODE_BGR48 or RZ_COLOR_MODE_BGRX64
 *         (8, 12, 24, 32, 44, 60; note 12, 44, 60 for 16, 48, 64 bits); -1 for an unknown
 *         handle.
 * @acquiring allowed; reports the stored mode, not necessarily the running one.
 */
RZ_API int32_t Rezive_GetColorMode(RzHandle handle);
/**
 * Sub-sampling; this model has none.
 * @param code  only 0 (no sub-sampling) is accepted
 * @return 1 for 0; 0 for any other code, without an error code.
 */
RZ_API int32_t Rezive_SetSubSample(RzHandle handle, int32_t code);
/**
 * The sub-sampling code: always 0; -1 for an unknown handle.
 */
RZ_API int32_t Rezive_GetSubSample(RzHandle handle);
/**
 * Selects a capture window by its size from the size presets saved in the settings file
 * under the current device slot.
 * @param width, height  the preset's capture size in pixels
 * @return 1 or 0.
 * @errors RZ_ERR_NO_DEVICE without a camera object, or while acquiring; RZ_ERR_WINDOW when
 *         no preset has that size; RZ_ERR_CAPTURE_WINDOW when the preset's window is invalid
 *         (the full 1280 x 720 window is used instead, and 1 is returned).
 * @acquiring refused with RZ_ERR_NO_DEVICE; stop acquisition first.
 */
RZ_API int32_t Rezive_SetCaptureWindow(RzHandle handle, int32_t width, int32_t height);
/**
 * Sets the capture window, the part of the 1280 x 720 sensor that frames show, and applies it
 * to the sensor. Sizes and offsets are in sensor pixels.
 * @param totalWidth, totalHeight  stored and reported only, not checked
 * @param xOffset, width           0 <= xOffset, 4 <= width, xOffset + width <= 1280
 * @param yOffset, height          0 <= yOffset, 1 <= height, yOffset + height <= 720
 * @return 1, or 0. A window outside the sensor is stored all the same, and starting
 *         acquisition fails with RZ_ERR_CAPTURE_WINDOW until a valid one is set; a window
 *         inside it but narrower than 4 pixels or without rows changes nothing.
 * @errors RZ_ERR_NO_DEVICE without a camera object, or while acquiring;
 *         RZ_ERR_CAPTURE_WINDOW for a window outside the sensor or too narrow.
 * @acquiring refused with RZ_ERR_NO_DEVICE; stop acquisition first.
 */
RZ_API int32_t Rezive_SetCaptureWindowEx(RzHandle handle, int32_t totalWidth, int32_t xOffset,
                                         int32_t width, int32_t totalHeight, int32_t yOffset,
                                         int32_t height);
/**
 * Reads the stored capture window (as Rezive_SetCaptureWindowEx takes it). Null pointers are
 * skipped.
 * @return 1.
 * @acquiring allowed.
 */
RZ_API int32_t Rezive_GetCaptureWindowEx(RzHandle handle, int32_t* totalWidth, int32_t* xOffset,
                                         int32_t* width, int32_t* totalHeight, int32_t* yOffset,
                                         int32_t* height);
/**
 * Width of the stored capture window in pixels: the width of the frames.
 * @acquiring allowed.
 */
RZ_API int32_t Rezive_Width(RzHandle handle);
/**
 * Height of the stored capture window in pixels: the height of the frames.
 * @acquiring allowed.
 */
RZ_API int32_t Rezive_Height(RzHandle handle);
/**
 * Kept for compatibility: writes 0 to *format (when not null) and returns 0.
 */
RZ_API int32_t Rezive_GetVideoFormat(RzHandle handle, int32_t* format);
/**
 * Kept for compatibility: writes 0 to *rate (when not null) and returns 0.
 */
RZ_API int32_t Rezive_GetSamplingRate(RzHandle handle, int32_t* rate);
/**
 * Sets the pause of the preview loop before it takes each frame (10 ms by default). A longer
 * pause lowers the frame rate and the processing load.
 * @param milliseconds  0 or more
 * @return 1; 0 for a negative value, without an error code.
 * @acquiring allowed; applies from the next frame.
 */
RZ_API int32_t Rezive_SetWaitTime(RzHandle handle, int32_t milliseconds);
/**
 * The pause of the preview loop in milliseconds; -1 for an unknown handle.
 */
RZ_API int32_t Rezive_GetWaitTime(RzHandle handle);
/**
 * Switches defect-pixel correction, with the list loaded by Rezive_LoadConfigFileA/W: each
 * listed pixel becomes the mean of its nearest good neighbours.
 * @param enable  0 off, 1 on
 * @return 1 or 0.
 * @errors RZ_ERR_ARGUMENT for any other value.
 * @acquiring allowed; applies from the next frame.
 */
RZ_API int32_t Rezive_SetConfigFilter(RzHandle handle, int32_t enable);
/**
 * Whether defect-pixel correction is on: 1 or 0.
 */
RZ_API int32_t Rezive_GetConfigFilter(RzHandle handle);

/** @} */

/* ---- Sensor control ----------------------------------------------------------------------- */

/** @name Sensor control
 * Getters of this and the next section take `ok`, which may be NULL: it receives 1 on success
 * and 0 on failure, the only way to tell a failure from a stored 0.
 * @{ */

/**
 * Sets the exposure time in sensor lines (filter RZ_FILTER_EXPOSURE_TIME) and writes it to
 * the sensor. One line lasts (sensor register 46 + 6) x 10 microseconds; use
 * Rezive_SetRealExposureTime to give milliseconds.
 * @param lines  1..32767 (RzCameraInfo exposureMin..exposureMax)
 * @return 1 or 0.
 * @errors RZ_ERR_NO_DEVICE without a camera object; RZ_ERR_ARGUMENT out of range.
 * @acquiring allowed; the sensor takes it at once. Automatic exposure
 *            (Rezive_SetAutoIris 1) overrides it.
 */
RZ_API int32_t Rezive_SetExposureTime(RzHandle handle, int32_t lines);
/**
 * The exposure time in sensor lines, read back from the sensor.
 * @return the lines, or 0 on failure.
 * @errors RZ_ERR_NO_DEVICE without a camera object.
 * @acquiring allowed.
 */
RZ_API int32_t Rezive_GetExposureTime(RzHandle handle, int32_t* ok);
/**
 * Sets the exposure time in milliseconds: converted to whole lines with the sensor's current
 * line length, stored and written to the sensor.
 * @param milliseconds  any value whose line count falls in 1..32767
 * @return 1 or 0.
 * @errors RZ_ERR_NO_DEVICE without a camera object; RZ_ERR_ARGUMENT when the line count is
 *         out of range or the line length cannot be read from the sensor.
 * @acquiring allowed; the sensor takes it at once.
 */
RZ_API int32_t Rezive_SetRealExposureTime(RzHandle handle, int32_t milliseconds);
/**
 * The stored exposure time converted to milliseconds (rounded down) with the sensor's current
 * line length.
 * @return the milliseconds, or 0 on failure.
 * @errors RZ_ERR_NO_DEVICE without a camera object.
 * @acquiring allowed.
 */
RZ_API int32_t Rezive_GetRealExposureTime(RzHandle handle, int32_t* ok);
/**
 * Sets the sensor gain (filter RZ_FILTER_GLOBAL_GAIN) and writes it to the sensor; the four
 * stored colour gains take the same value.
 * @param gain  gain step 0..11 (RzCameraInfo gainMin..gainMax)
 * @return 1 or 0.
 * @errors RZ_ERR_NO_DEVICE without a camera object; RZ_ERR_ARGUMENT out of range.
 * @acquiring allowed; the sensor takes it at once. Automatic gain
 *            (Rezive_SetAutoIris 2) overrides it.
 */
RZ_API int32_t Rezive_SetGlobalGain(RzHandle handle, int32_t gain);
/**
 * The sensor gain step, read back from the sensor.
 * @return 0..11, or 0 on failure.
 * @errors RZ_ERR_NO_DEVICE without a camera object.
 * @acquiring allowed.
 */
RZ_API int32_t Rezive_GetGlobalGain(RzHandle handle, int32_t* ok);
/**
 * Per-colour sensor gains (filters RZ_FILTER_COLOR_GAIN_RED, _GREEN1, _GREEN2, _BLUE): this
 * model has none, so only 0 is accepted; it sets the stored colour gain to 0. White balance
 * is done by the software gains (Rezive_SetBayerGainRed, ...).
 * @param gain  0
 * @return 1 or 0.
 * @errors RZ_ERR_NO_DEVICE without a camera object; RZ_ERR_ARGUMENT for any other value.
 * @acquiring allowed.
 */
RZ_API int32_t Rezive_SetColorGainRed(RzHandle handle, int32_t gain);
/** See Rezive_SetColorGainRed; filter RZ_FILTER_COLOR_GAIN_GREEN1. */
RZ_API int32_t Rezive_SetColorGainGreen1(RzHandle handle, int32_t gain);
/** See Rezive_SetColorGainRed; filter RZ_FILTER_COLOR_GAIN_GREEN2. */
RZ_API int32_t Rezive_SetColorGainGreen2(RzHandle handle, int32_t gain);
/** See Rezive_SetColorGainRed; filter RZ_FILTER_COLOR_GAIN_BLUE. */
RZ_API int32_t Rezive_SetColorGainBlue(RzHandle handle, int32_t gain);
/**
 * Per-colour sensor gains: always 0, with *ok set to 1.
 * @errors RZ_ERR_NO_DEVICE without a camera object.
 */
RZ_API int32_t Rezive_GetColorGainRed(RzHandle handle, int32_t* ok);
/** See Rezive_GetColorGainRed. */
RZ_API int32_t Rezive_GetColorGainGreen1(RzHandle handle, int32_t* ok);
/** See Rezive_GetColorGainRed. */
RZ_API int32_t Rezive_GetColorGainGreen2(RzHandle handle, int32_t* ok);
/** See Rezive_GetColorGainRed. */
RZ_API int32_t Rezive_GetColorGainBlue(RzHandle handle, int32_t* ok);
/**
 * Mirrors frames left to right, in the sensor's read-out.
 * @param on  0 off, any other value on (stored as 1)
 * @return 1 or 0.
 * @errors RZ_ERR_NO_DEVICE without a camera object.
 * @acquiring allowed; the sensor takes it at once. The colour-filter phase and the
 *            defect positions follow the mirror by themselves.
 */
RZ_API int32_t Rezive_SetMirrorH(RzHandle handle, int32_t on);
/**
 * The horizontal mirror: 1 or 0; 0 also without a camera object.
 * @errors RZ_ERR_NO_DEVICE without a camera object.
 */
RZ_API int32_t Rezive_GetMirrorH(RzHandle handle);
/**
 * Mirrors frames top to bottom, in the sensor's read-out.
 * @param on  0 off, any other value on (stored as 1)
 * @return 1 or 0.
 * @errors RZ_ERR_NO_DEVICE without a camera object, posted only.
 * @acquiring allowed; the sensor takes it at once.
 */
RZ_API int32_t Rezive_SetMirrorV(RzHandle handle, int32_t on);
/**
 * The vertical mirror: 1 or 0; 0 also without a camera object.
 * @errors RZ_ERR_NO_DEVICE without a camera object, posted only.
 */
RZ_API int32_t Rezive_GetMirrorV(RzHandle handle);
/**
 * Automatic exposure or gain: on every processed frame, five small regions are measured and
 * the exposure (mode 1) or gain (mode 2) is raised or lowered towards a medium level.
 * @param mode  0 off, 1 adjusts the exposure time, 2 adjusts the gain
 * @return 1 or 0.
 * @errors RZ_ERR_ARGUMENT for any other mode, posted only.
 * @acquiring allowed; applies from the next frame.
 */
RZ_API int32_t Rezive_SetAutoIris(RzHandle handle, int32_t mode);
/**
 * The automatic exposure or gain mode, 0..2; *ok is set to 1.
 */
RZ_API int32_t Rezive_GetAutoIris(RzHandle handle, int32_t* ok);

/** @} */

/* ---- Software filters ------------------------------------------------------------------- */

/** @name Software filters
 * Software filters act on processed frames, in this order: defect correction, automatic
 * exposure, white balance and colour reconstruction (or gray processing), hue and saturation,
 * gamma, contrast, sharpness, brightness. Every setter below may be called while acquiring:
 * the change applies from the next processed frame. Every setter records RZ_ERR_NO_DEVICE
 * without a camera object and RZ_ERR_ARGUMENT for a value out of range (the stored value is
 * then kept); every getter records RZ_ERR_NO_DEVICE without a camera object and returns the
 * stored value. The sensor, filter and gray settings are saved per device slot when the
 * handle is released.
 * @{ */

/**
 * Sets a filter (or sensor) setting by its id.
 * @param filterId  RZ_FILTER_BRIGHTNESS .. RZ_FILTER_GRAY_GAIN_AUTO (1..28)
 * @param value     in the range of the named setter of that id
 * @return 1 or 0.
 * @errors RZ_ERR_NO_DEVICE without a camera object; RZ_ERR_ARGUMENT for an unknown id or a
 *         value out of range.
 * @acquiring allowed; software filters apply from the next frame, gain and exposure
 *            (ids 13 and 18) at once.
 */
RZ_API int32_t Rezive_SetFilterValue(RzHandle handle, int32_t filterId, int32_t value);
/**
 * Reads a filter (or sensor) setting by its id.
 * @param filterId  RZ_FILTER_BRIGHTNESS .. RZ_FILTER_GRAY_GAIN_AUTO (1..28)
 * @param ok        may be NULL; receives 1, or 0 on failure
 * @return the value, or 0 on failure.
 * @errors RZ_ERR_NO_DEVICE without a camera object; RZ_ERR_ARGUMENT for an unknown id.
 * @acquiring allowed.
 */
RZ_API int32_t Rezive_GetFilterValue(RzHandle handle, int32_t filterId, int32_t* ok);
/** Brightness (RZ_FILTER_BRIGHTNESS): -255..255, 0 off; samples are scaled up or down. */
RZ_API int32_t Rezive_SetBrightness(RzHandle handle, int32_t value);
/** The brightness, -255..255. */
RZ_API int32_t Rezive_GetBrightness(RzHandle handle, int32_t* ok);
/** Contrast (RZ_FILTER_CONTRAST): -127..127, 0 off. */
RZ_API int32_t Rezive_SetContrast(RzHandle handle, int32_t value);
/** The contrast, -127..127. */
RZ_API int32_t Rezive_GetContrast(RzHandle handle, int32_t* ok);
/** Hue rotation (RZ_FILTER_HUE) in degrees: -360..360, 0 off; colour modes only. */
RZ_API int32_t Rezive_SetHue(RzHandle handle, int32_t value);
/** The hue rotation in degrees, -360..360. */
RZ_API int32_t Rezive_GetHue(RzHandle handle, int32_t* ok);
/** Saturation (RZ_FILTER_SATURATION): -255..255, 0 off; colour modes only. */
RZ_API int32_t Rezive_SetSaturation(RzHandle handle, int32_t value);
/** The saturation, -255..255. */
RZ_API int32_t Rezive_GetSaturation(RzHandle handle, int32_t* ok);
/** Sharpness (RZ_FILTER_SHARPNESS): 0..30, 0 off. */
RZ_API int32_t Rezive_SetSharpness(RzHandle handle, int32_t value);
/** The sharpness, 0..30. */
RZ_API int32_t Rezive_GetSharpness(RzHandle handle, int32_t* ok);
/**
 * The three white-balance gains at once (RZ_FILTER_BAYER_GAIN_RGB).
 * @param packed  bits 0..7 red, 8..15 green, 16..23 blue gain, in percent (0..255 each);
 *                  every value is accepted
 */
RZ_API int32_t Rezive_SetBayerGainRGB(RzHandle handle, int32_t packed);
/** The white-balance gains packed as blue << 16 | green << 8 | red, from the low 8 bits of
 *  each gain. */
RZ_API int32_t Rezive_GetBayerGainRGB(RzHandle handle, int32_t* ok);
/** White-balance gain of red (RZ_FILTER_BAYER_GAIN_RED) in percent: 0..400, 100 unity. */
RZ_API int32_t Rezive_SetBayerGainRed(RzHandle handle, int32_t value);
/** The white-balance gain of red in percent. */
RZ_API int32_t Rezive_GetBayerGainRed(RzHandle handle, int32_t* ok);
/** White-balance gain of green (RZ_FILTER_BAYER_GAIN_GREEN) in percent: 0..400, 100 unity. */
RZ_API int32_t Rezive_SetBayerGainGreen(RzHandle handle, int32_t value);
/** The white-balance gain of green in percent. */
RZ_API int32_t Rezive_GetBayerGainGreen(RzHandle handle, int32_t* ok);
/** White-balance gain of blue (RZ_FILTER_BAYER_GAIN_BLUE) in percent: 0..400, 100 unity. */
RZ_API int32_t Rezive_SetBayerGainBlue(RzHandle handle, int32_t value);
/** The white-balance gain of blue in percent. */
RZ_API int32_t Rezive_GetBayerGainBlue(RzHandle handle, int32_t* ok);
/**
 * Automatic white balance (RZ_FILTER_BAYER_GAIN_AUTO): while on, every processed colour frame
 * is measured and the three white-balance gains are replaced (each at most 400).
 * @param value  0 off, any other value on (stored as 1)
 */
RZ_API int32_t Rezive_SetBayerGainAuto(RzHandle handle, int32_t value);
/** Automatic white balance: 1 on, 0 off. */
RZ_API int32_t Rezive_GetBayerGainAuto(RzHandle handle, int32_t* ok);
/** Gamma (RZ_FILTER_GAMMA) in hundredths: 0..200, 100 neutral. */
RZ_API int32_t Rezive_SetGamma(RzHandle handle, int32_t value);
/** The gamma in hundredths, 0..200. */
RZ_API int32_t Rezive_GetGamma(RzHandle handle, int32_t* ok);
/** Colour-filter phase of the mosaic (RZ_FILTER_BAYER_MODE): 0..3, which of the four sensor
 *  colours the first pixel has. The mirrors are taken into account by the library. */
RZ_API int32_t Rezive_SetBayerMode(RzHandle handle, int32_t value);
/** The colour-filter phase, 0..3. */
RZ_API int32_t Rezive_GetBayerMode(RzHandle handle, int32_t* ok);
/**
 * Gray processing of the gray colour modes (RZ_BITS_GRAY8, RZ_BITS_GRAY16;
 * RZ_FILTER_GRAY_MODE).
 * @param value  0 the mosaic as it is, 1 a gain and an offset per colour-filter position
 *                 (Rezive_SetGrayGainR, ..., Rezive_SetGrayOffsetR, ...), 2 colour
 *                 reconstruction then conversion to luminance
 */
RZ_API int32_t Rezive_SetGrayMode(RzHandle handle, int32_t value);
/** The gray mode, 0..2. */
RZ_API int32_t Rezive_GetGrayMode(RzHandle handle, int32_t* ok);
/** Gray gain of the red positions (RZ_FILTER_GRAY_GAIN_R): 0..255, 128 unity; gray mode 1. */
RZ_API int32_t Rezive_SetGrayGainR(RzHandle handle, int32_t value);
/** The gray gain of the red positions, 0..255. */
RZ_API int32_t Rezive_GetGrayGainR(RzHandle handle, int32_t* ok);
/** Gray gain of the first green positions (RZ_FILTER_GRAY_GAIN_G1): 0..255, 128 unity. */
RZ_API int32_t Rezive_SetGrayGainG1(RzHandle handle, int32_t value);
/** The gray gain of the first green positions, 0..255. */
RZ_API int32_t Rezive_GetGrayGainG1(RzHandle handle, int32_t* ok);
/** Gray gain of the second green positions (RZ_FILTER_GRAY_GAIN_G2): 0..255, 128 unity. */
RZ_API int32_t Rezive_SetGrayGainG2(RzHandle handle, int32_t value);
/** The gray gain of the second green positions, 0..255. */
RZ_API int32_t Rezive_GetGrayGainG2(RzHandle handle, int32_t* ok);
/** Gray gain of the blue positions (RZ_FILTER_GRAY_GAIN_B): 0..255, 128 unity. */
RZ_API int32_t Rezive_SetGrayGainB(RzHandle handle, int32_t value);
/** The gray gain of the blue positions, 0..255. */
RZ_API int32_t Rezive_GetGrayGainB(RzHandle handle, int32_t* ok);
/** Gray offset of the red positions (RZ_FILTER_GRAY_OFFSET_R): -255..255; gray mode 1, and
 *  applied only while one of the four gray gains differs from 128. */
RZ_API int32_t Rezive_SetGrayOffsetR(RzHandle handle, int32_t value);
/** The gray offset of the red positions, -255..255. */
RZ_API int32_t Rezive_GetGrayOffsetR(RzHandle handle, int32_t* ok);
/** Gray offset of the first green positions (RZ_FILTER_GRAY_OFFSET_G1): -255..255. */
RZ_API int32_t Rezive_SetGrayOffsetG1(RzHandle handle, int32_t value);
/** The gray offset of the first green positions, -255..255. */
RZ_API int32_t Rezive_GetGrayOffsetG1(RzHandle handle, int32_t* ok);
/** Gray offset of the second green positions (RZ_FILTER_GRAY_OFFSET_G2): -255..255. */
RZ_API int32_t Rezive_SetGrayOffsetG2(RzHandle handle, int32_t value);
/** The gray offset of the second green positions, -255..255. */
RZ_API int32_t Rezive_GetGrayOffsetG2(RzHandle handle, int32_t* ok);
/** Gray offset of the blue positions (RZ_FILTER_GRAY_OFFSET_B): -255..255. */
RZ_API int32_t Rezive_SetGrayOffsetB(RzHandle handle, int32_t value);
/** The gray offset of the blue positions, -255..255. */
RZ_API int32_t Rezive_GetGrayOffsetB(RzHandle handle, int32_t* ok);

/** @} */

/* ---- Acquisition and preview window ------------------------------------------------------- */

/** @name Acquisition and preview window
 * Acquisition modes: idle, preview (Rezive_Preview, Rezive_CallBackPreview,
 * Rezive_StartPreview, Rezive_Record), capture (Rezive_Capture) and trigger (Rezive_Trigger).
 * Rezive_StopPreview and Rezive_Close return to idle from every mode. Starting an acquisition
 * prepares the camera: the device must be present and not claimed by another camera object
 * (else RZ_ERR_DEVICE_UNAVAILABLE), the capture window valid (else RZ_ERR_CAPTURE_WINDOW) and
 * the image buffers of the colour mode allocatable (else RZ_ERR_BUFFER); a failed preparation
 * is followed by RZ_ERR_NO_DEVICE from the starting call. A running preview claims its device
 * for this camera object.
 *
 * Caller buffers receive one frame of ((Rezive_Width * bits / 8 + 3) & ~3) * Rezive_Height
 * bytes, bits being the colour mode's RZ_BITS_ value. With topDown nonzero the top row of the
 * picture comes first; with 0 the bottom row comes first (the row order of a Windows bitmap).
 * @{ */

/**
 * Stores where the preview window of the next preview, trigger acquisition or recording goes.
 * All five values 0 (the default) mean no preview window. A window is drawn by the preview
 * presenter when a display is available; without one it exists off screen.
 * @param parent  the window to place it in, or 0 for a top-level window centred on the screen
 * @param left, top, right, bottom  its rectangle in the parent, in pixels; frames are scaled
 *                  to it
 * @return 1 or 0.
 * @errors RZ_ERR_NO_DEVICE without a camera object.
 * @acquiring stored; an open preview window is not moved.
 */
RZ_API int32_t Rezive_SetPreviewWindow(RzHandle handle, RzWindow parent, int32_t left, int32_t top,
                                       int32_t right, int32_t bottom);
/**
 * Starts a live preview drawn into the preview window (Rezive_SetPreviewWindow), without
 * frame messages: a callback target set before is cleared.
 * @return 1 or 0.
 * @errors RZ_ERR_NO_DEVICE without a camera object; RZ_ERR_WINDOW when the preview window
 *         cannot be created; when the preview cannot start, the codes of Rezive_StartPreview
 *         followed by RZ_ERR_TRANSFER.
 * @acquiring in preview mode (and while recording) it returns 1 and only stops the frame
 *            messages; refused with RZ_ERR_NO_DEVICE in capture or trigger mode, which goes
 *            on.
 */
RZ_API int32_t Rezive_Preview(RzHandle handle);
/**
 * Starts a live preview that delivers every processed frame: it is copied into buffer and an
 * RZ_WM_FRAME message with its RzFrameInfo is posted to window. Frames the loop cannot take
 * in time are skipped (the newest one is always taken), not reported.
 * @param window      window for the frame messages, or 0 for none
 * @param buffer      receives each frame, or NULL for none; it must stay valid until the
 *                      preview stops, and is overwritten by the next frame
 * @param bufferSize  size of buffer in bytes (see Acquisition and preview window); a smaller
 *                    buffer gets no frames:
 *                      each frame then records RZ_ERR_BUFFER and posts
 *                      RZ_FRAME_BUFFER_TOO_SMALL instead
 * @param topDown     nonzero: top row first; 0: bottom row first
 * @return 1 or 0.
 * @errors as Rezive_Preview. Later, per frame: RZ_ERR_TRANSFER (a frame failed; the preview
 *         goes on), RZ_ERR_NO_FRAME (no frame for 6 s: the preview loop has ended, stop and
 *         start again), RZ_ERR_BUFFER; each is also posted as the frame message's lParam.
 * @acquiring in preview mode (and while recording) it returns 1 and replaces the target
 *            of the running preview; refused with RZ_ERR_NO_DEVICE in capture or trigger
 *            mode, which goes on.
 */
RZ_API int32_t Rezive_CallBackPreview(RzHandle handle, RzWindow window, void* buffer,
                                      int32_t bufferSize, int32_t topDown);
/**
 * Starts the preview stream with the current preview window and callback target (those of the
 * last Rezive_Preview, Rezive_CallBackPreview or Rezive_Trigger); no window is created.
 * @return 1 or 0.
 * @errors RZ_ERR_NO_DEVICE without a camera object, in capture or trigger mode, or after a
 *         failed preparation; RZ_ERR_THREAD; RZ_ERR_REGISTER when streaming cannot start.
 * @acquiring 1 in preview mode; refused with RZ_ERR_NO_DEVICE in capture or trigger
 *            mode.
 */
RZ_API int32_t Rezive_StartPreview(RzHandle handle);
/**
 * Stops the running preview, capture or trigger acquisition and any recording (the file is
 * finished and playable). The preview window stays open (Rezive_Close closes it). May be
 * called from a message handler.
 * @return 1, also when nothing ran.
 * @errors RZ_ERR_NO_DEVICE without a camera object.
 */
RZ_API int32_t Rezive_StopPreview(RzHandle handle);
/**
 * Enters capture mode: prepares the camera once, so that each Rezive_SnapShot skips the
 * preparation and keeps the frame transfer open. No stream and no thread run. Leave it with
 * Rezive_StopPreview or Rezive_Close.
 * @return 1 or 0.
 * @errors RZ_ERR_NO_DEVICE without a camera object, in preview or trigger mode, or after a
 *         failed preparation.
 * @acquiring 1 in capture mode; refused with RZ_ERR_NO_DEVICE in preview or trigger
 *            mode.
 */
RZ_API int32_t Rezive_Capture(RzHandle handle);
/**
 * Takes one frame on the calling thread: prepares the camera (unless in capture mode), waits
 * for the frame, processes it and copies it into buffer. The frame is then also available to
 * Rezive_GetImage and Rezive_SaveImage.
 * @param buffer      receives the frame, or NULL to only process it
 * @param bufferSize  size of buffer in bytes (see Acquisition and preview window); 0 to only
 *                    process the frame
 * @param topDown     nonzero: top row first; 0: bottom row first
 * @return 1 or 0.
 * @errors RZ_ERR_NO_DEVICE without a camera object, in preview or trigger mode, or after a
 *         failed preparation; RZ_ERR_TRANSFER when no frame came (also posted as
 *         RZ_FRAME_TRANSFER_FAILED to the last callback window when its decode failed);
 *         RZ_ERR_BUFFER (twice) for a too small buffer.
 * @acquiring only when idle or in capture mode; refused with RZ_ERR_NO_DEVICE during a
 *            preview, recording or trigger acquisition (use Rezive_GetImage there).
 */
RZ_API int32_t Rezive_SnapShot(RzHandle handle, void* buffer, int32_t bufferSize, int32_t topDown);
/**
 * Copies the newest processed frame of the stored colour mode into buffer. It may be the
 * frame of the previous call: nothing waits for a new one.
 * @param buffer      receives the frame
 * @param bufferSize  size of buffer in bytes (see Acquisition and preview window)
 * @param topDown     nonzero: top row first; 0: bottom row first
 * @return 1 or 0.
 * @errors RZ_ERR_NO_DEVICE without a camera object; RZ_ERR_BUFFER when no frame of the
 *         colour mode exists yet, for a null buffer, or (twice, and posted as
 *         RZ_FRAME_BUFFER_TOO_SMALL to the callback window) for a too small one.
 * @acquiring allowed; it waits while a frame is being processed.
 */
RZ_API int32_t Rezive_GetImage(RzHandle handle, void* buffer, int32_t bufferSize, int32_t topDown);
/**
 * Starts trigger mode: the camera takes a frame on each trigger (the camera's trigger input,
 * or RzSoftwareTrigger); each is processed, copied into buffer and announced by RZ_WM_FRAME
 * (frameRate10 is 0). A trigger that does not come within 60 s is waited for again, silently.
 * @param window      window for the frame messages, or 0 for none
 * @param buffer      receives each frame, or NULL for none; valid until acquisition stops
 * @param bufferSize  size of buffer in bytes (see Acquisition and preview window)
 * @param topDown     nonzero: top row first; 0: bottom row first
 * @return 1 or 0.
 * @errors RZ_ERR_NO_DEVICE without a camera object, while another acquisition runs, or after
 *         a failed preparation; RZ_ERR_WINDOW when the preview window cannot be created;
 *         RZ_ERR_THREAD. Later, per frame: RZ_ERR_BUFFER for a too small buffer.
 * @acquiring only from idle; refused with RZ_ERR_NO_DEVICE otherwise.
 */
RZ_API int32_t Rezive_Trigger(RzHandle handle, RzWindow window, void* buffer, int32_t bufferSize,
                              int32_t topDown);

/** @} */

/* ---- Files and configuration -------------------------------------------------------------- */

/** @name Files and configuration
 * @{ */

/**
 * Saves the newest processed frame of the stored colour mode to a file. An existing file is
 * overwritten; when writing fails no file is left behind.
 * @param fileName  path in the locale's narrow encoding
 * @param format    RZ_FILE_BMP .. RZ_FILE_TIFF (0..6)
 * @return 1 or 0.
 * @errors RZ_ERR_NO_DEVICE without a camera object, or when no frame has been processed since
 *         acquisition started (or since Rezive_Close). An unknown format, an empty name or a
 *         failed write return 0 without an error code.
 * @acquiring allowed; it waits while a frame is being processed.
 */
RZ_API int32_t Rezive_SaveImage(RzHandle handle, const char* fileName, int32_t format);
/**
 * Rezive_SaveImage with a UTF-16 file name (converted to the locale's narrow encoding, at most
 * 1023 bytes). It does not check that a frame was processed: without one it returns 0 without
 * an error code.
 * @return 1 or 0.
 * @errors RZ_ERR_NO_DEVICE without a camera object, or when the name cannot be converted.
 * @acquiring allowed.
 */
RZ_API int32_t Rezive_SaveImageW(RzHandle handle, const RzChar16* fileName, int32_t format);
/**
 * Records the preview into an uncompressed AVI file of 24-bit frames (whatever the colour
 * mode), starting a preview if none runs. The recording ends by itself after durationMs
 * (without a message; the preview goes on), or early with Rezive_StopPreview, Rezive_Close or
 * Rezive_Release; the file is finished in every case. A callback target is cleared.
 * @param fileName    path in the locale's narrow encoding; an existing file is overwritten
 * @param durationMs  length in milliseconds from the first recorded frame; 0 or less records
 *                      at least two frames
 * @param showWindow  nonzero: open the preview window (when one is set with
 *                      Rezive_SetPreviewWindow)
 * @return 1 when the recording has started, 0 otherwise.
 * @errors RZ_ERR_ARGUMENT for a null or empty name; RZ_ERR_FILE while a recording runs (it
 *         goes on), when the preview cannot start (after the preview's own codes) or the file
 *         cannot be created; RZ_ERR_WINDOW; RZ_ERR_THREAD. Later: RZ_ERR_FILE when the
 *         recording had to end early (disk full, file size limit); the file is kept.
 * @acquiring allowed during a preview (recording starts with its next frame); in
 *            capture or trigger mode it fails with RZ_ERR_FILE and stops that acquisition.
 */
RZ_API int32_t Rezive_Record(RzHandle handle, const char* fileName, int32_t durationMs,
                             int32_t showWindow);
/**
 * Rezive_Record with a UTF-16 file name (converted to the locale's narrow encoding, at most
 * 1023 bytes).
 * @errors as Rezive_Record; RZ_ERR_FILE when the name cannot be converted.
 */
RZ_API int32_t Rezive_RecordW(RzHandle handle, const RzChar16* fileName, int32_t durationMs,
                              int32_t showWindow);
/**
 * Loads a defect-pixel file, replacing the list that Rezive_SetConfigFilter corrects. The
 * file is a run of 8-byte records: x then y, each a signed 32-bit little-endian coordinate on
 * the 1280 x 720 sensor; a partial record at the end is ignored.
 * @param fileName  path in the locale's narrow encoding
 * @return 1, or 0 (no error code, list unchanged) for a null name or a file that is missing
 *         or cannot be read.
 * @acquiring allowed; applies from the next frame.
 */
RZ_API int32_t Rezive_LoadConfigFileA(RzHandle handle, const char* fileName);
/**
 * Rezive_LoadConfigFileA with a UTF-16 file name.
 * @errors RZ_ERR_FILE when the name cannot be converted.
 */
RZ_API int32_t Rezive_LoadConfigFileW(RzHandle handle, const RzChar16* fileName);

/** @} */

/* ---- Registers, serial ROM and I/O port --------------------------------------------------- */

/** @name Registers, serial ROM and I/O port
 * Direct access to the camera, for service tools. Writes bypass the stored settings: the
 * library does not learn of a gain, exposure or window changed this way. All may be called
 * while acquiring.
 * @{ */

/**
 * Reads a sensor register.
 * @param address  register address; only the low 8 bits are used
 * @param ok       may be NULL; receives 1, or 0 on failure
 * @return the 16-bit register value, or 0 on failure.
 * @errors RZ_ERR_NO_DEVICE without a camera object; RZ_ERR_REGISTER when the read fails.
 */
RZ_API int32_t Rezive_ReadRegister(RzHandle handle, int32_t address, int32_t* ok);
/** Rezive_ReadRegister with the full address (not masked to 8 bits). */
RZ_API int32_t Rezive_ReadRegisterEx(RzHandle handle, int32_t address, int32_t* ok);
/**
 * Writes a sensor register.
 * @param address  register address; only the low 8 bits are used
 * @param value    16-bit value
 * @return 1 or 0.
 * @errors RZ_ERR_NO_DEVICE without a camera object; RZ_ERR_REGISTER when the write fails.
 */
RZ_API int32_t Rezive_WriteRegister(RzHandle handle, int32_t address, int32_t value);
/** Rezive_WriteRegister with the full address (not masked to 8 bits). */
RZ_API int32_t Rezive_WriteRegisterEx(RzHandle handle, int32_t address, int32_t value);
/**
 * Reads a byte of the camera's serial-ROM ID area.
 * @param index  0..255 (low 8 bits used)
 * @param ok     may be NULL; receives 1, or 0 on failure
 * @return the byte, or 0 on failure.
 * @errors RZ_ERR_NO_DEVICE, posted only, without a camera object or when the read fails.
 */
RZ_API int32_t Rezive_ReadSromID(RzHandle handle, int32_t index, int32_t* ok);
/**
 * Writes a byte of the serial ROM's writable ID page; takes about 10 ms.
 * @param index  0..255 (low 8 bits used)
 * @param value  0..255 (low 8 bits used)
 * @return 1 or 0.
 * @errors RZ_ERR_NO_DEVICE, posted only, without a camera object or when the write fails.
 */
RZ_API int32_t Rezive_WriteSromID(RzHandle handle, int32_t index, int32_t value);
/**
 * Reads the user I/O port of the camera.
 * @param value      receives the port's 8 bits (0 when the read fails; that is not checked)
 * @param reserved1  ignored
 * @param reserved2  ignored
 * @return 1 or 0.
 * @errors RZ_ERR_ARGUMENT (null value) and RZ_ERR_NO_DEVICE (no camera object), posted only.
 */
RZ_API int32_t Rezive_GetIOPort(RzHandle handle, uint8_t* value, int32_t reserved1,
                                int32_t reserved2);
/**
 * Writes the user I/O port of the camera.
 * @param value  the port's 8 bits (low 8 bits used)
 * @return 1, or 0 when the write failed (no error code).
 * @errors RZ_ERR_NO_DEVICE without a camera object, posted only.
 */
RZ_API int32_t Rezive_SetIOPort(RzHandle handle, int32_t value);

/** @} */

/* ---- Property dialogs --------------------------------------------------------------------- */

/** @name Property dialogs
 * @{ */

/**
 * The video-format property dialog (colour mode, size preset or custom window, wait time), modal
 * on the calling thread. It works on the settings file: OK and Apply write the format group and
 * the size presets of the current device, and after OK the camera reloads them. A preview or
 * capture is stopped around the dialog and started again after it; a trigger acquisition idles
 * meanwhile. Shown in the display's dialog window when one is available, else driven through the
 * dialog hook (RzSetDialogHook); in Japanese when LC_ALL, LC_MESSAGES or LANG (the first set)
 * begins with "ja", or REZIVE_DIALOG_LANGUAGE=ja.
 * @param parent  window the dialog is modal over (a wrapped native window), or 0: centred
 * @return 1 once the dialog has ended (OK or Cancel), 0 when it could not be shown.
 * @errors RZ_ERR_NO_DEVICE without a camera object, or while another dialog of the camera is
 *         open; RZ_ERR_UNSUPPORTED when no display can show it and no dialog hook is installed.
 */
RZ_API int32_t Rezive_SetCameraDlg(RzHandle handle, RzWindow parent);
/**
 * The gain and exposure property dialog. It works live: gain, exposure and mirror changes reach
 * the sensor at once and automatic exposure shows its values in it. OK keeps the changes;
 * Cancel writes the opening gain, exposure and mirrors back to the sensor and the settings.
 * Return, errors and language as Rezive_SetCameraDlg.
 */
RZ_API int32_t Rezive_SetAnalogDlg(RzHandle handle, RzWindow parent);
/**
 * The image-filter property dialog (and, in the monochrome colour modes, the gray-filter page).
 * Every change acts on the next frame; automatic white-balance and gray-gain measurements show
 * in it. Cancel returns every filter setting, measured ones too, to the opening values.
 * Return, errors and language as Rezive_SetCameraDlg.
 */
RZ_API int32_t Rezive_SetImageDlg(RzHandle handle, RzWindow parent);

/** @} */

/* ---- Not available on this model ---------------------------------------------------------- */

/** @name Not available on this model
 * These functions exist for programs written for other models. Each ignores its arguments
 * after the handle, posts RZ_ERR_UNSUPPORTED (posted only: Rezive_GetLastError does not see
 * it) and returns 0.
 * @{ */

/** Not available on this model: 0, RZ_ERR_UNSUPPORTED posted. */
RZ_API int32_t Rezive_Fpga_ReadRegister(RzHandle handle, int32_t address, int32_t* ok);
/** Not available on this model: 0, RZ_ERR_UNSUPPORTED posted. */
RZ_API int32_t Rezive_Fpga_WriteRegister(RzHandle handle, int32_t address, int32_t value);
/** Not available on this model: 0, RZ_ERR_UNSUPPORTED posted. The measured frame rate is
 *  in RzFrameInfo frameRate10. */
RZ_API int32_t Rezive_Fps(RzHandle handle);
/** Not available on this model: 0, RZ_ERR_UNSUPPORTED posted. */
RZ_API int32_t Rezive_GetHalfClock(RzHandle handle);
/** Not available on this model: 0, RZ_ERR_UNSUPPORTED posted. */
RZ_API int32_t Rezive_SetHalfClock(RzHandle handle, int32_t value);
/** Not available on this model: 0, RZ_ERR_UNSUPPORTED posted. */
RZ_API int32_t Rezive_SetCrossbar(RzHandle handle, int32_t value);
/** Not available on this model: 0, RZ_ERR_UNSUPPORTED posted. */
RZ_API int32_t Rezive_SetSamplingRate(RzHandle handle, int32_t value);

/** @} */

#ifdef __cplusplus
}
#endif

#endif /* REZIVE_SDK_H */
