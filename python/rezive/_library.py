"""The shared library and the prototypes of the C functions the package calls."""

import ctypes
import os

SONAME = "libReziveSdk_417DIR_DEZ.so.1"

RzHandle = ctypes.c_uint32
RzWindow = ctypes.c_uint32


class RzMessage(ctypes.Structure):
    _fields_ = [("message", ctypes.c_uint32), ("wParam", ctypes.c_size_t),
                ("lParam", ctypes.c_ssize_t)]


class RzFrameInfo(ctypes.Structure):
    _fields_ = [("size", ctypes.c_int32), ("width", ctypes.c_int32),
                ("height", ctypes.c_int32), ("bitsPerPixel", ctypes.c_int32),
                ("frameRate10", ctypes.c_int32), ("buffer", ctypes.c_void_p)]


class RzCameraInfo(ctypes.Structure):
    _fields_ = [(name, ctypes.c_int32) for name in (
        "size", "width", "height", "gainMin", "gainMax", "reserved1", "reserved2",
        "exposureMin", "exposureMax")]


class RzSettingInfo(ctypes.Structure):
    _fields_ = [("size", ctypes.c_uint32), ("name", ctypes.c_char_p),
                ("description", ctypes.c_char_p), ("kind", ctypes.c_int32),
                ("minimum", ctypes.c_int32), ("maximum", ctypes.c_int32),
                ("defaultValue", ctypes.c_int32), ("unit", ctypes.c_char_p),
                ("filter", ctypes.c_int32), ("setter", ctypes.c_char_p),
                ("getter", ctypes.c_char_p), ("persistence", ctypes.c_int32),
                ("valueCount", ctypes.c_int32), ("values", ctypes.POINTER(ctypes.c_int32)),
                ("valueNames", ctypes.POINTER(ctypes.c_char_p))]


class RzStreamStats(ctypes.Structure):
    _fields_ = [("size", ctypes.c_uint32), ("recording", ctypes.c_uint32)] + [
        (name, ctypes.c_uint64) for name in (
            "transferred", "failedTransfers", "shortTransfers", "skipped", "processed",
            "delivered", "refusedBuffer", "recorded", "recorderDropped", "lastSequence",
            "lastCaptureUs", "failedDecodes")] + [
        ("recordQueueDepth", ctypes.c_uint32), ("reserved", ctypes.c_uint32)]


class RzFrameMeta(ctypes.Structure):
    _fields_ = [("size", ctypes.c_uint32), ("skippedBefore", ctypes.c_uint32),
                ("sequence", ctypes.c_uint64), ("captureUs", ctypes.c_uint64),
                ("exposureLines", ctypes.c_int32), ("gain", ctypes.c_int32),
                ("exposureUs", ctypes.c_uint32), ("reserved", ctypes.c_uint32)]


_i32 = ctypes.c_int32
_pi32 = ctypes.POINTER(ctypes.c_int32)
_vp = ctypes.c_void_p
_str = ctypes.c_char_p

# name: (result, argument types)
_PROTOTYPES = {
    "RzCreateMessageWindow": (RzWindow, []),
    "RzDestroyWindow": (_i32, [RzWindow]),
    "RzWaitMessage": (_i32, [RzWindow, ctypes.POINTER(RzMessage), _i32]),
    "RzSoftwareTrigger": (_i32, [RzHandle]),
    "Rezive_Initialize": (RzHandle, [RzWindow]),
    "Rezive_Release": (_i32, [RzHandle]),
    "Rezive_GetDllVersion": (_i32, []),
    "Rezive_GetLastError": (_i32, [RzHandle]),
    "RzGetErrorDetail": (_i32, [RzHandle, ctypes.c_char_p, _i32]),
    "RzGetErrorText": (ctypes.c_char_p, [_i32, _str]),
    "RzGetSettingCount": (_i32, []),
    "RzGetSettingInfo": (_i32, [_i32, _str, ctypes.POINTER(RzSettingInfo)]),
    "RzGetSettingValue": (_i32, [RzHandle, _str, _pi32]),
    "RzSetSettingValue": (_i32, [RzHandle, _str, _i32]),
    "Rezive_EnumDevice": (_i32, [RzHandle, ctypes.c_void_p]),
    "Rezive_GetDeviceName": (_i32, [RzHandle, _i32, ctypes.c_char_p, _i32]),
    "Rezive_SetDeviceNumber": (_i32, [RzHandle, _i32]),
    "Rezive_GetCameraInfo": (_i32, [RzHandle, ctypes.POINTER(RzCameraInfo)]),
    "Rezive_Close": (_i32, [RzHandle]),
    "Rezive_SetColorMode": (_i32, [RzHandle, _i32]),
    "Rezive_GetColorMode": (_i32, [RzHandle]),
    "Rezive_Width": (_i32, [RzHandle]),
    "Rezive_Height": (_i32, [RzHandle]),
    "Rezive_SetCaptureWindowEx": (_i32, [RzHandle] + [_i32] * 6),
    "Rezive_GetCaptureWindowEx": (_i32, [RzHandle] + [_pi32] * 6),
    "Rezive_SetWaitTime": (_i32, [RzHandle, _i32]),
    "Rezive_GetWaitTime": (_i32, [RzHandle]),
    "Rezive_SetFilterValue": (_i32, [RzHandle, _i32, _i32]),
    "Rezive_GetFilterValue": (_i32, [RzHandle, _i32, _pi32]),
    "Rezive_SetRealExposureTime": (_i32, [RzHandle, _i32]),
    "Rezive_GetRealExposureTime": (_i32, [RzHandle, _pi32]),
    "Rezive_SetMirrorH": (_i32, [RzHandle, _i32]),
    "Rezive_GetMirrorH": (_i32, [RzHandle]),
    "Rezive_SetMirrorV": (_i32, [RzHandle, _i32]),
    "Rezive_GetMirrorV": (_i32, [RzHandle]),
    "Rezive_SetAutoIris": (_i32, [RzHandle, _i32]),
    "Rezive_GetAutoIris": (_i32, [RzHandle, _pi32]),
    "Rezive_CallBackPreview": (_i32, [RzHandle, RzWindow, _vp, _i32, _i32]),
    "Rezive_StopPreview": (_i32, [RzHandle]),
    "Rezive_SnapShot": (_i32, [RzHandle, _vp, _i32, _i32]),
    "Rezive_GetImage": (_i32, [RzHandle, _vp, _i32, _i32]),
    "Rezive_SaveImage": (_i32, [RzHandle, _str, _i32]),
    "Rezive_Record": (_i32, [RzHandle, _str, _i32, _i32]),
    "RzGetStreamStats": (_i32, [RzHandle, ctypes.POINTER(RzStreamStats)]),
    "RzGetBufferMeta": (_i32, [RzHandle, _vp, ctypes.POINTER(RzFrameMeta)]),
    "RzSetPngCompressionLevel": (_i32, [RzHandle, _i32]),
    "RzGetPngCompressionLevel": (_i32, [RzHandle, _pi32]),
    "RzSetRecordQueueDepth": (_i32, [RzHandle, _i32]),
    "Rezive_SetIOPort": (_i32, [RzHandle, _i32]),
    "Rezive_GetIOPort": (_i32, [RzHandle, ctypes.POINTER(ctypes.c_uint8), _i32, _i32]),
    "Rezive_SetCameraDlg": (_i32, [RzHandle, RzWindow]),
    "Rezive_SetAnalogDlg": (_i32, [RzHandle, RzWindow]),
    "Rezive_SetImageDlg": (_i32, [RzHandle, RzWindow]),
}


def _load():
    """The library named by REZIVE_LIBRARY (a build tree), else the installed one by SONAME."""
    path = os.environ.get("REZIVE_LIBRARY") or SONAME
    try:
        library = ctypes.CDLL(path)
    except OSError as error:
        raise ImportError(
            f"cannot load the camera SDK library {path!r}: {error}; install the SDK or set "
            "REZIVE_LIBRARY to the library file") from error
    for name, (result, arguments) in _PROTOTYPES.items():
        function = getattr(library, name)
        function.restype = result
        function.argtypes = arguments
    return library


lib = _load()
