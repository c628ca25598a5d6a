"""Frame layouts of the colour modes, and frames as NumPy arrays over the library's bytes."""

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


def bits_of_code(code):
    return _BITS_OF_CODE.get(code, 0)


def stride(width, bits):
    """Bytes per row: rows are padded to a multiple of 4 bytes."""
    return (width * bits // 8 + 3) & ~3


def frame_bytes(width, height, bits):
    return stride(width, bits) * height


def as_image(raw, width, height, bits):
    """The frame in raw (a uint8 array of frame_bytes) as (height, width) or (height, width,
    channels), top row first, without copying: the row padding is stepped over."""
    channels, dtype = LAYOUTS[bits]
    item = np.dtype(dtype).itemsize
    shape = (height, width) if channels == 1 else (height, width, channels)
    strides = (stride(width, bits), item) if channels == 1 else (
        stride(width, bits), channels * item, item)
    return np.ndarray(shape, dtype=dtype, buffer=raw, strides=strides)
