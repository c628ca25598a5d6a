"""Frame layouts of the colour modes, and frames as NumPy arrays over the library's bytes with
what the library tells of each frame."""

from __future__ import annotations

from dataclasses import dataclass
from typing import Any, Optional, Tuple

import numpy as np

GRAY8, GRAY16, BGR24, BGRX32, BGR48, BGRX64 = 8, 16, 24, 32, 48, 64

# bits per pixel: (channels, sample type); 16-bit samples hold 12 significant bits.
LAYOUTS = {
    GRAY8: (1, np.uint8),
    GRAY16: (1, np.dtype("<u2")),
    BGR24: (3, np.uint8),
    BGRX32: (4, np.uint8),
    BGR48: (3, np.dtype("<u2")),
    BGRX64: (4, np.dtype("<u2")),
}

# The codes Rezive_GetColorMode reports, by bits per pixel.
_BITS_OF_CODE = {8: GRAY8, 12: GRAY16, 24: BGR24, 32: BGRX32, 44: BGR48, 60: BGRX64}


def bits_of_code(code: int) -> int:
    return _BITS_OF_CODE.get(code, 0)


def stride(width: int, bits: int) -> int:
    """Bytes per row: rows are padded to a multiple of 4 bytes."""
    return (width * bits // 8 + 3) & ~3


def frame_bytes(width: int, height: int, bits: int) -> int:
    return stride(width, bits) * height


def as_image(raw: np.ndarray, width: int, height: int, bits: int) -> np.ndarray:
    """The frame in raw (a uint8 array of frame_bytes) as (height, width) or (height, width,
    channels), top row first, without copying: the row padding is stepped over."""
    channels, dtype = LAYOUTS[bits]
    item = np.dtype(dtype).itemsize
    shape = (height, width) if channels == 1 else (height, width, channels)
    strides = (stride(width, bits), item) if channels == 1 else (
        stride(width, bits), channels * item, item)
    return np.ndarray(shape, dtype=dtype, buffer=raw, strides=strides)


@dataclass(frozen=True)
class FrameMeta:
    """What the library recorded of one frame.

    sequence: the frame's number in its acquisition (1 = the first the camera transferred);
    timestamp: its capture time in seconds on the clock time.monotonic() reads;
    exposure_ms: the exposure in force when it was processed, in milliseconds (None when the
    camera's line time is unknown); exposure_lines: that exposure in sensor lines; gain: the
    global gain step then; dropped_before: frames of the acquisition that came just before this
    one and were not handed out (passed over for a newer one, or failed).
    """

    sequence: int
    timestamp: float
    exposure_ms: Optional[float]
    exposure_lines: int
    gain: int
    dropped_before: int


class Frame(np.ndarray):
    """A frame: an ndarray over the bytes the library wrote, with the frame's FrameMeta.

    Indexing, slicing, reshaping, copies and type conversions are still this frame's pixels and
    keep its metadata (frame[100:200].sequence is frame.sequence). Arithmetic, comparisons and
    reductions (frame + 1, frame > 10, frame.mean()) compute new values: they give plain
    ndarrays and NumPy scalars. np.asarray(frame) is the plain array over the same bytes. An
    array that never was a camera frame (np.zeros(4).view(Frame)) has meta None and None for
    every attribute.
    """

    meta: Optional[FrameMeta]

    def __new__(cls, image: np.ndarray, meta: Optional[FrameMeta]) -> "Frame":
        frame = image.view(cls)
        frame.meta = meta
        return frame

    def __array_finalize__(self, obj: Any) -> None:
        self.meta = getattr(obj, "meta", None)

    def __array_ufunc__(self, ufunc: np.ufunc, method: str, *inputs: Any, **kwargs: Any) -> Any:
        # Computed values are not the camera's frame: they carry no capture time or sequence.
        plain = tuple(np.asarray(x) if isinstance(x, Frame) else x for x in inputs)
        out = kwargs.get("out")
        if out is not None:
            kwargs["out"] = tuple(np.asarray(x) if isinstance(x, Frame) else x for x in out)
        result = getattr(ufunc, method)(*plain, **kwargs)
        if out is not None:  # in place (frame += 1): the frame itself stays the result
            return out[0] if len(out) == 1 else out
        return result

    def __reduce__(self) -> Tuple[Any, ...]:
        constructor, arguments, state = super().__reduce__()  # type: ignore[misc]
        return constructor, arguments, (state, self.meta)

    def __setstate__(self, state: Tuple[Any, Optional[FrameMeta]]) -> None:
        array_state, self.meta = state
        super().__setstate__(array_state)  # type: ignore[misc]

    def _field(self, name: str) -> Any:
        return None if self.meta is None else getattr(self.meta, name)

    @property
    def sequence(self) -> Optional[int]:
        """The frame's number in its acquisition (1 = the first frame transferred)."""
        return self._field("sequence")

    @property
    def timestamp(self) -> Optional[float]:
        """Capture time in seconds, on the clock of time.monotonic()."""
        return self._field("timestamp")

    @property
    def exposure_ms(self) -> Optional[float]:
        """Exposure in force for this frame, milliseconds (None when the line time is unknown)."""
        return self._field("exposure_ms")

    @property
    def exposure_lines(self) -> Optional[int]:
        """Exposure in force for this frame, in sensor lines."""
        return self._field("exposure_lines")

    @property
    def gain(self) -> Optional[int]:
        """Global gain step in force for this frame."""
        return self._field("gain")

    @property
    def dropped_before(self) -> Optional[int]:
        """Frames of the acquisition just before this one that were not handed out."""
        return self._field("dropped_before")
