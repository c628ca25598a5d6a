"""Python access to the 417DIR camera SDK: frames as NumPy arrays, settings as attributes.

    import rezive
    with rezive.Camera() as camera:
        camera.color_mode = rezive.BGR24
        image = camera.snapshot()          # (720, 1280, 3) uint8, top row first, BGR
        with camera.frames(10) as frames:  # the preview stops when the block is left
            for frame in frames:
                print(frame.sequence, frame.timestamp, frame.exposure_ms, frame.gain)
        print(camera.stream_stats.delivered)

The library is loaded by its SONAME, or from the file in REZIVE_LIBRARY.
"""

from ._library import SONAME, lib as _lib
from .camera import FILE_FORMATS, Camera, cameras, settings
from .errors import MEANINGS, ReziveError
from .frames import BGR24, BGR48, BGRX32, BGRX64, GRAY8, GRAY16, Frame, FrameMeta
from .stats import StreamStats
from .stream import FrameStream

__version__ = "1.1.0"

__all__ = ["Camera", "Frame", "FrameMeta", "FrameStream", "StreamStats", "ReziveError", "cameras",
           "settings", "library_version", "MEANINGS", "FILE_FORMATS",
           "GRAY8", "GRAY16", "BGR24", "BGRX32", "BGR48", "BGRX64", "SONAME"]


def library_version() -> str:
    """The loaded library's version as a string, e.g. "1.177.5.31"."""
    v = _lib.Rezive_GetDllVersion() & 0xFFFFFFFF
    return ".".join(str((v >> shift) & 0xFF) for shift in (24, 16, 8, 0))
