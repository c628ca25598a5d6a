"""Live frames of a camera's callback preview: an iterator that is also a context manager, and
that stops the preview however it ends (its count reached, break, close, an exception, or
being dropped)."""

from __future__ import annotations

import ctypes
import time
from typing import TYPE_CHECKING, Any, Iterator, Optional

import numpy as np

from ._library import RzFrameInfo, RzFrameMeta, RzMessage, lib
from .errors import ReziveError
from .frames import Frame, FrameMeta

if TYPE_CHECKING:
    from .camera import Camera

WM_FRAME = 0x8002
FRAME_OK = 0
FRAME_TRANSFER_FAILED = 8


def buffer_meta(handle: int, raw: np.ndarray, previous_sequence: Optional[int] = None
                ) -> Optional[FrameMeta]:
    """The library's meta of the frame it last wrote into raw, or None when it knows none.

    dropped_before counts the frames between the previous frame handed out (previous_sequence)
    and this one: besides those the library passed over, a frame copied into a buffer that a
    newer frame overwrote before the buffer was handed out was never seen by the caller either.
    """
    record = RzFrameMeta(size=ctypes.sizeof(RzFrameMeta))
    if not lib.RzGetBufferMeta(handle, raw.ctypes.data, ctypes.byref(record)):
        return None
    dropped = record.skippedBefore
    if previous_sequence is not None:
        dropped = max(dropped, record.sequence - previous_sequence - 1)
    return FrameMeta(sequence=record.sequence, timestamp=record.captureUs / 1e6,
                     exposure_ms=record.exposureUs / 1000.0 if record.exposureUs else None,
                     exposure_lines=record.exposureLines, gain=record.gain,
                     dropped_before=dropped)


class FrameStream(Iterator[Frame]):
    """Frames of the callback preview, each a new array the library copied the frame into (the
    one copy), so frames kept from earlier do not change.

        with camera.frames() as frames:
            for frame in frames:
                ...

    The preview starts with the first frame asked for and stops when count frames have come,
    on close() or leaving the with block, when an error or a time-out ends the stream, or when
    the stream is dropped (a loop left by break lets it go at once; an exception keeps it in
    the traceback until that is gone, which the with block does not wait for). A camera has one
    stream at a time: a new one closes the camera's previous one.
    """

    def __init__(self, camera: "Camera", count: Optional[int], timeout: float) -> None:
        if count is not None and count < 0:
            raise ValueError(f"a frame count cannot be negative: {count}")
        self._camera: Optional["Camera"] = camera
        self._count = count
        self._timeout = float(timeout)
        self._delivered = 0
        self._started = False
        self._closed = False
        self._bits = 0
        self._raw: Optional[np.ndarray] = None
        self._image: Optional[np.ndarray] = None
        self._last_sequence = 0

    # ---- protocol ------------------------------------------------------------------------

    def __iter__(self) -> "FrameStream":
        return self

    def __enter__(self) -> "FrameStream":
        return self

    def __exit__(self, *exc: Any) -> None:
        self.close()

    def __del__(self) -> None:
        try:
            self.close()
        except Exception:  # interpreter shutdown: the library may be gone already
            pass

    @property
    def closed(self) -> bool:
        """True once the stream has ended; the preview is then stopped."""
        return self._closed

    @property
    def delivered(self) -> int:
        """Frames this stream has handed out."""
        return self._delivered

    def close(self) -> None:
        """Stops the preview (when this stream runs it); further next() calls end at once."""
        if self._closed:
            return
        self._closed = True
        camera, self._camera = self._camera, None
        self._raw = self._image = None
        if camera is not None and self._started:
            camera._end_stream(self)

    def __next__(self) -> Frame:
        if self._closed or self._camera is None:
            raise StopIteration
        if self._count is not None and self._delivered >= self._count:
            self.close()
            raise StopIteration
        try:
            frame = self._take()
        except BaseException:
            self.close()
            raise
        if self._count is not None and self._delivered >= self._count:
            self.close()  # the last frame: a snapshot may follow at once
        return frame

    # ---- frames --------------------------------------------------------------------------

    def _take(self) -> Frame:
        camera = self._camera
        assert camera is not None
        if not self._started:
            self._bits = camera.color_mode
            self._raw, self._image = camera._new_frame(self._bits)
            camera._begin_stream(self, self._raw)
            self._started = True
        deadline = time.monotonic() + self._timeout
        while True:
            message = self._next_message(camera, deadline)
            if message.lParam == FRAME_TRANSFER_FAILED:
                continue  # that frame is lost; the preview goes on
            if message.lParam != FRAME_OK:
                camera._take_codes()
                raise ReziveError(message.lParam, "streaming frames")
            record = RzFrameInfo.from_address(message.wParam)
            # Only a frame copied into the current buffer counts: messages naming an earlier
            # buffer are late news of frames already handed out (or overwritten in it).
            if self._raw is None or record.buffer != self._raw.ctypes.data:
                continue
            filled_raw, filled = self._raw, self._image
            self._raw, self._image = camera._new_frame(self._bits)
            # Once the camera has the next buffer, the filled one is written no more: its
            # pixels and its meta are those of one frame.
            camera._hand_over(self._raw)
            meta = buffer_meta(camera._live(), filled_raw, self._last_sequence)
            if meta is not None:
                self._last_sequence = meta.sequence
            self._delivered += 1
            return Frame(filled, meta)

    @staticmethod
    def _next_message(camera: "Camera", deadline: float) -> RzMessage:
        message = RzMessage()
        while True:
            if time.monotonic() > deadline:
                raise TimeoutError("no frame from the camera")
            got = lib.RzWaitMessage(camera._callback, ctypes.byref(message), 100)
            if got == 1 and message.message == WM_FRAME:
                return message
