"""A camera of the SDK as a Python object: settings as attributes, frames as NumPy arrays."""

from __future__ import annotations

import ctypes
import os
import time
import weakref
from typing import Any, Dict, List, NoReturn, Optional, Tuple, Union

import numpy as np

from . import frames as _frames
from ._library import RzCameraInfo, RzMessage, RzSettingInfo, RzStreamStats, lib
from .errors import (BUFFER, DEVICE_UNAVAILABLE, NO_FRAME, REGISTER, TRANSFER,
                     ReziveError)
from .frames import Frame
from .stats import StreamStats
from .stream import FRAME_OK, FRAME_TRANSFER_FAILED, WM_FRAME, FrameStream, buffer_meta

WM_ERROR = 0x8003
PathLike = Union[str, "os.PathLike[str]"]

# The codes whose failure lies with the device; the library gives its reason with them.
_DEVICE_FAILURES = {DEVICE_UNAVAILABLE, REGISTER, TRANSFER, NO_FRAME}

# File formats of save(), by name and by file extension.
FILE_FORMATS = {"bmp": 0, "raw": 1, "jpeg": 2, "jpeg-normal": 3, "jpeg-low": 4, "png": 5,
                "tiff": 6}
_EXTENSIONS = {".bmp": 0, ".raw": 1, ".jpg": 2, ".jpeg": 2, ".png": 5, ".tif": 6, ".tiff": 6}


def settings() -> List[Dict[str, Any]]:
    """The library's settings table: one dict per setting, by its name ("exposure-ms"), with
    description, kind ("number", "switch" or "choice"), minimum, maximum, default, unit,
    kept (saved per camera at close), values (the only values a number takes, or None) and
    names (a switch's or choice's value names, or None)."""
    table = []
    for index in range(lib.RzGetSettingCount()):
        info = RzSettingInfo(size=ctypes.sizeof(RzSettingInfo))
        if not lib.RzGetSettingInfo(index, None, ctypes.byref(info)):
            continue
        table.append({
            "name": info.name.decode(), "description": info.description.decode(),
            "kind": ("number", "switch", "choice")[info.kind], "minimum": info.minimum,
            "maximum": info.maximum, "default": info.defaultValue, "unit": info.unit.decode(),
            "kept": info.persistence == 1,
            "values": [info.values[k] for k in range(info.valueCount)] if info.values else None,
            "names": ([info.valueNames[k].decode() for k in range(info.valueCount)]
                      if info.valueNames else None),
        })
    return table


def _setting(entry: Dict[str, Any]) -> property:
    """The attribute of one setting: read and written through the library by its name."""
    name = entry["name"].encode()
    text = entry["description"]
    switch = entry["kind"] == "switch"

    def get(self: "Camera") -> Union[int, bool]:
        value = ctypes.c_int32(0)
        if not lib.RzGetSettingValue(self._live(), name, ctypes.byref(value)):
            self._raise(f"reading {entry['name']}")
        return bool(value.value) if switch else value.value

    def set(self: "Camera", value: Union[int, bool]) -> None:
        self._check(lib.RzSetSettingValue(self._live(), name, int(value)),
                    f"setting {entry['name']} to {value}")

    span = f"{entry['minimum']}..{entry['maximum']}" if entry["kind"] == "number" else ""
    names = "|".join(entry["names"]) if entry["names"] else ""
    doc = f"{text} ({span or names}{' ' + entry['unit'] if entry['unit'] else ''})"
    return property(get, set, doc=doc)


class Camera:
    """The camera in a device slot (0 by default; `rezive-cam list` shows the slots).

    Use it as a context manager, or call close(): that stops any acquisition, saves the
    camera's settings for its slot and lets other programs claim the camera.

    Every setting of the library's table is an attribute (exposure-ms as exposure_ms; see
    rezive.settings()); beside them color_mode, capture_window, png_compression_level,
    record_queue_depth and io_port. Frames come from snapshot() and frames(), as Frame arrays
    with the library's metadata of each frame; stream_stats has the frame counters.
    """

    # The settings of the library's table, as the attributes added below the class give them
    # (a test holds this list to the table).
    gain: int
    exposure: int
    exposure_ms: int
    mirror_h: bool
    mirror_v: bool
    auto_iris: int
    brightness: int
    contrast: int
    hue: int
    saturation: int
    sharpness: int
    gamma: int
    wb_red: int
    wb_green: int
    wb_blue: int
    auto_wb: bool
    bayer_mode: int
    gray_mode: int
    gray_gain_r: int
    gray_gain_g1: int
    gray_gain_g2: int
    gray_gain_b: int
    gray_offset_r: int
    gray_offset_g1: int
    gray_offset_g2: int
    gray_offset_b: int
    wait_time: int
    defect_correction: bool

    def __init__(self, slot: int = 0) -> None:
        self._handle = 0
        self._stream: Optional["weakref.ref[FrameStream]"] = None  # the running frame stream
        self._record_queue_depth: Optional[int] = None
        self._app = lib.RzCreateMessageWindow()        # error messages
        self._callback = lib.RzCreateMessageWindow()   # frame messages
        if not self._app or not self._callback:
            self._destroy_windows()
            raise ReziveError(0, "creating message windows")
        handle = lib.Rezive_Initialize(self._app)
        if not handle:
            self._destroy_windows()
            raise ReziveError(5, "creating the camera object")
        self._handle = handle
        codes = self._take_codes()
        detail = _error_detail(handle)
        if detail:  # the claim region could not be opened
            self.close()
            raise ReziveError(BUFFER, "opening the camera claim region", codes, detail)
        try:
            name = ctypes.create_string_buffer(32)
            self._check(lib.Rezive_GetDeviceName(handle, slot, name, len(name)),
                        f"looking for a camera in slot {slot}")
            if slot != 0:
                self._check(lib.Rezive_SetDeviceNumber(handle, slot), f"opening slot {slot}")
        except BaseException:
            self.close()
            raise
        self.slot = slot
        self.name = name.value.decode()

    # ---- lifecycle ----------------------------------------------------------------------

    def close(self) -> None:
        """Stops acquisition and releases the camera; the object is unusable afterwards."""
        if getattr(self, "_stream", None) is not None:
            self._close_stream()
        if self._handle:
            lib.Rezive_StopPreview(self._handle)
            lib.Rezive_Release(self._handle)
            self._handle = 0
        self._destroy_windows()

    def __enter__(self) -> "Camera":
        return self

    def __exit__(self, *exc: Any) -> None:
        self.close()

    def __del__(self) -> None:
        try:
            self.close()
        except Exception:  # interpreter shutdown: the library may be gone already
            pass

    def _destroy_windows(self) -> None:
        for window in ("_app", "_callback"):
            if getattr(self, window, 0):
                lib.RzDestroyWindow(getattr(self, window))
                setattr(self, window, 0)

    @property
    def closed(self) -> bool:
        """True once close() has released the camera."""
        return self._handle == 0

    @property
    def handle(self) -> int:
        """The RzHandle, to call the C API beside this object."""
        return self._live()

    # ---- errors -------------------------------------------------------------------------

    def _live(self) -> int:
        if not self._handle:
            raise ValueError("the camera is closed")
        return self._handle

    def _take_codes(self) -> List[int]:
        codes = []
        while len(codes) < 64:
            code = lib.Rezive_GetLastError(self._handle)
            if code == 0:
                break
            codes.append(code)
        # Codes that are posted only reach the application window, not the history.
        message = RzMessage()
        while lib.RzWaitMessage(self._app, ctypes.byref(message), 0) == 1:
            if message.message == WM_ERROR and message.lParam not in codes:
                codes.insert(0, message.lParam)
        return codes[::-1]  # the cause first

    def _raise(self, doing: str) -> NoReturn:
        codes = self._take_codes()
        # The library explains a device failure (which camera, why, what to do).
        detail = _error_detail(self._handle) if _DEVICE_FAILURES & set(codes) else None
        raise ReziveError(codes[0] if codes else 0, doing, codes, detail)

    def _check(self, result: int, doing: str) -> int:
        if result == 0:
            self._raise(doing)
        self._take_codes()  # a success leaves no stale codes for the next failure
        return result

    # ---- format -------------------------------------------------------------------------

    @property
    def color_mode(self) -> int:
        """Bits per pixel of frames: 8, 16 (gray), 24, 32 (BGR, BGRx), 48, 64 (16-bit)."""
        return _frames.bits_of_code(lib.Rezive_GetColorMode(self._live()))

    @color_mode.setter
    def color_mode(self, bits: int) -> None:
        self._check(lib.Rezive_SetColorMode(self._live(), int(bits)),
                    f"setting the colour mode to {bits}")

    @property
    def width(self) -> int:
        """Width of the frames: the capture window's."""
        return lib.Rezive_Width(self._live())

    @property
    def height(self) -> int:
        """Height of the frames: the capture window's."""
        return lib.Rezive_Height(self._live())

    @property
    def capture_window(self) -> Tuple[int, int, int, int]:
        """(x, y, width, height) of the capture window on the 1280 x 720 sensor."""
        values = [ctypes.c_int32() for _ in range(6)]
        lib.Rezive_GetCaptureWindowEx(self._live(), *[ctypes.byref(v) for v in values])
        _, x, w, _, y, h = (v.value for v in values)
        return (x, y, w, h)

    @capture_window.setter
    def capture_window(self, window: Tuple[int, int, int, int]) -> None:
        x, y, w, h = (int(v) for v in window)
        self._check(lib.Rezive_SetCaptureWindowEx(self._live(), 1280, x, w, 720, y, h),
                    f"setting the capture window to {window}")

    @property
    def info(self) -> Dict[str, int]:
        """Sensor size and the ranges of gain and exposure."""
        record = RzCameraInfo(size=ctypes.sizeof(RzCameraInfo))
        self._check(lib.Rezive_GetCameraInfo(self._live(), ctypes.byref(record)),
                    "reading the camera information")
        return {name: getattr(record, name) for name, _ in RzCameraInfo._fields_[1:]
                if not name.startswith("reserved")}

    # ---- settings: an attribute for every setting of the library's table, added below ------

    @property
    def png_compression_level(self) -> int:
        """Compression level of the PNG files save() writes: -1 (libpng's default), 0 (none),
        1 (fastest) .. 9 (smallest); the pixels are the same at every level. Kept until the
        camera is closed, not in the settings file."""
        level = ctypes.c_int32(0)
        self._check(lib.RzGetPngCompressionLevel(self._live(), ctypes.byref(level)),
                    "reading the PNG compression level")
        return level.value

    @png_compression_level.setter
    def png_compression_level(self, level: int) -> None:
        self._check(lib.RzSetPngCompressionLevel(self._live(), int(level)),
                    f"setting the PNG compression level to {level}")

    @property
    def record_queue_depth(self) -> Optional[int]:
        """Frames the recorder may hold while its writes catch up (1..256), for recordings
        started afterwards; None while the library's default applies (REZIVE_RECORD_QUEUE,
        else 8). Setting None or 0 goes back to the default. The library has no getter: this
        is the depth this object set; stream_stats.record_queue_depth is the depth a recording
        ran with."""
        return self._record_queue_depth

    @record_queue_depth.setter
    def record_queue_depth(self, depth: Optional[int]) -> None:
        value = 0 if depth is None else int(depth)
        self._check(lib.RzSetRecordQueueDepth(self._live(), value),
                    f"setting the recorder's queue depth to {depth}")
        self._record_queue_depth = value or None

    @property
    def io_port(self) -> int:
        """The camera's user I/O port, 8 bits."""
        value = ctypes.c_uint8(0)
        self._check(lib.Rezive_GetIOPort(self._live(), ctypes.byref(value), 0, 0),
                    "reading the I/O port")
        return value.value

    @io_port.setter
    def io_port(self, value: int) -> None:
        if not 0 <= int(value) <= 255:
            raise ValueError(f"the I/O port has 8 bits: {value}")
        self._check(lib.Rezive_SetIOPort(self._live(), int(value)),
                    f"writing {value} to the I/O port")

    @property
    def stream_stats(self) -> StreamStats:
        """The library's frame counters of the current or last acquisition (RzGetStreamStats)."""
        record = RzStreamStats(size=ctypes.sizeof(RzStreamStats))
        self._check(lib.RzGetStreamStats(self._live(), ctypes.byref(record)),
                    "reading the frame counters")
        return StreamStats.from_record(record)

    # ---- frames -------------------------------------------------------------------------

    def _new_frame(self, bits: Optional[int] = None) -> Tuple[np.ndarray, np.ndarray]:
        bits = bits or self.color_mode
        width, height = self.width, self.height
        raw = np.empty(_frames.frame_bytes(width, height, bits), dtype=np.uint8)
        return raw, _frames.as_image(raw, width, height, bits)

    def snapshot(self) -> Frame:
        """One new frame, top row first: (height, width) for gray, (height, width, 3 or 4)
        for BGR / BGRx, uint8, or uint16 with 12 significant bits in the 16-bit modes. A Frame:
        the array over the bytes the library wrote, with the frame's sequence, timestamp,
        exposure and gain. Refused (error 1) while a frame stream runs."""
        raw, image = self._new_frame()
        self._check(lib.Rezive_SnapShot(self._live(), raw.ctypes.data, raw.size, 1),
                    "taking a snapshot")
        return Frame(image, buffer_meta(self._handle, raw))

    def image(self) -> np.ndarray:
        """The newest processed frame again (Rezive_GetImage), without waiting for a new one:
        a plain array (the library keeps no metadata of this copy)."""
        raw, image = self._new_frame()
        self._check(lib.Rezive_GetImage(self._live(), raw.ctypes.data, raw.size, 1),
                    "reading the newest frame")
        return image

    def _hand_over(self, raw: np.ndarray) -> None:
        """Makes raw the preview's callback target (starting the preview if none runs). The
        library swaps targets under its frame lock: once this returns, the previous target
        holds whole frames only and is written no more."""
        self._check(lib.Rezive_CallBackPreview(self._live(), self._callback, raw.ctypes.data,
                                               raw.size, 1), "starting the preview")

    def frames(self, count: Optional[int] = None, timeout: float = 30.0) -> FrameStream:
        """Live frames of the callback preview: a FrameStream, an iterator of Frame that is
        also a context manager. The preview starts with the first frame asked for and stops
        when the stream ends: count frames delivered, close(), the with block left, an error,
        or the stream dropped (as a for loop left by break drops it).

            with camera.frames() as frames:
                for frame in frames:
                    print(frame.sequence, frame.timestamp, frame.dropped_before)

        count: how many frames, or None for no end; timeout: seconds a frame may take before
        TimeoutError. Starting a stream closes the camera's previous one."""
        return FrameStream(self, count, timeout)

    def _begin_stream(self, stream: FrameStream, raw: np.ndarray) -> None:
        previous = self._stream() if self._stream is not None else None
        if previous is not None and previous is not stream:
            previous.close()
        self._stop_stream()
        self._drain(self._callback)
        self._hand_over(raw)
        self._stream = weakref.ref(stream)

    def _end_stream(self, stream: FrameStream) -> None:
        # A stream closed after a newer one took over leaves the newer one's preview running.
        if self._stream is not None and self._stream() in (stream, None):
            self._stop_stream()

    def _stop_stream(self) -> None:
        self._stream = None
        if self._handle:
            lib.Rezive_StopPreview(self._handle)

    def _close_stream(self) -> None:
        """Ends the camera's running stream, if any, before something else uses the preview."""
        stream = self._stream() if self._stream is not None else None
        if stream is not None:
            stream.close()
        self._stream = None

    @staticmethod
    def _drain(window: int) -> None:
        message = RzMessage()
        while lib.RzWaitMessage(window, ctypes.byref(message), 0) == 1:
            pass

    def software_trigger(self) -> None:
        """Fires the camera's software trigger."""
        self._check(lib.RzSoftwareTrigger(self._live()), "firing the software trigger")

    # ---- files --------------------------------------------------------------------------

    def save(self, path: PathLike, format: Optional[str] = None) -> None:
        """Saves the newest frame; the format from its name (bmp, raw, jpeg, jpeg-normal,
        jpeg-low, png, tiff) or from the file's extension."""
        if format is None:
            code = _EXTENSIONS.get(os.path.splitext(str(path))[1].lower())
            if code is None:
                raise ValueError(f"cannot tell the file format of {path}; give format=")
        else:
            code = FILE_FORMATS[format]
        self._check(lib.Rezive_SaveImage(self._live(), os.fsencode(path), code),
                    f"saving {path}")

    def record(self, path: PathLike, seconds: float, show: bool = False) -> None:
        """Records an AVI file of 24-bit frames for `seconds` from its first frame; returns
        when the file is finished. Ends a running frame stream first."""
        handle = self._live()
        self._close_stream()
        self._check(lib.Rezive_Record(handle, os.fsencode(path), int(seconds * 1000),
                                      1 if show else 0), f"starting the recording to {path}")
        try:
            self._drain(self._callback)
            self._check(lib.Rezive_CallBackPreview(handle, self._callback, None, 0, 1),
                        "receiving frame messages")
            first = None
            deadline = time.monotonic() + 15.0  # the library gives up after 6 s without frames
            while True:
                message = RzMessage()
                got = lib.RzWaitMessage(self._callback, ctypes.byref(message), 100)
                now = time.monotonic()
                if got == 1 and message.message == WM_FRAME and message.lParam == FRAME_OK:
                    first = first or now
                elif got == 1 and message.message == WM_FRAME and message.lParam not in (
                        FRAME_OK, FRAME_TRANSFER_FAILED):
                    raise ReziveError(message.lParam, f"recording to {path}")
                if first is None and now > deadline:
                    raise ReziveError(13, f"recording to {path}")
                # The recorder finishes the file by itself; give it a moment beyond the time.
                if first is not None and now - first >= seconds and (
                        _avi_finished(path) or now - first >= seconds + 5.0):
                    break
        finally:
            lib.Rezive_StopPreview(handle)  # finishes a file still open

    # ---- dialogs ------------------------------------------------------------------------

    def video_format_dialog(self) -> None:
        """Opens the video-format property dialog (needs the dialog presenter)."""
        self._check(lib.Rezive_SetCameraDlg(self._live(), 0), "opening the video-format dialog")

    def analog_dialog(self) -> None:
        """Opens the analog property dialog (needs the dialog presenter)."""
        self._check(lib.Rezive_SetAnalogDlg(self._live(), 0), "opening the analog dialog")

    def image_dialog(self) -> None:
        """Opens the image property dialog (needs the dialog presenter)."""
        self._check(lib.Rezive_SetImageDlg(self._live(), 0), "opening the image dialog")


# Every setting of the library's table as an attribute (exposure-ms as exposure_ms); "color" is
# the color_mode attribute above, which frames are shaped by.
for _entry in settings():
    if _entry["name"] != "color":
        setattr(Camera, _entry["name"].replace("-", "_"), _setting(_entry))


def _avi_finished(path: PathLike) -> bool:
    try:
        with open(path, "rb") as f:
            header = f.read(8)
    except OSError:
        return False
    return len(header) == 8 and header[:4] == b"RIFF" and int.from_bytes(header[4:], "little") != 0


def _error_detail(handle: int) -> Optional[str]:
    size = lib.RzGetErrorDetail(handle, None, 0)
    if size <= 0:
        return None
    text = ctypes.create_string_buffer(size + 1)
    lib.RzGetErrorDetail(handle, text, len(text))
    return text.value.decode(errors="replace")


def cameras() -> List[Tuple[int, str]]:
    """(slot, name) of the cameras present."""
    window = lib.RzCreateMessageWindow()
    handle = lib.Rezive_Initialize(window)
    try:
        found = []
        name = ctypes.create_string_buffer(32)
        for slot in range(32):
            if lib.Rezive_GetDeviceName(handle, slot, name, len(name)):
                found.append((slot, name.value.decode()))
        while lib.Rezive_GetLastError(handle):
            pass
        return found
    finally:
        lib.Rezive_Release(handle)
        lib.RzDestroyWindow(window)
