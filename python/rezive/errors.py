"""SDK failures as exceptions: the error code and what it means."""

from __future__ import annotations

from typing import Iterable, Optional

from ._library import lib

NO_DEVICE = 1
DEVICE_UNAVAILABLE = 2
THREAD = 3
WINDOW = 4
BUFFER = 5
REGISTER = 6
CAPTURE_WINDOW = 7
TRANSFER = 8
ARGUMENT = 9
UNSUPPORTED = 11
FILE = 12
NO_FRAME = 13



def meaning(code: int) -> str:
    """The library's text for an error code, in English (any code has one)."""
    return lib.RzGetErrorText(int(code), b"en").decode()


# Every code the library records, and 0 (a failure without a code), with its text.
MEANINGS = {code: meaning(code) for code in (0, NO_DEVICE, DEVICE_UNAVAILABLE, THREAD, WINDOW,
                                             BUFFER, REGISTER, CAPTURE_WINDOW, TRANSFER, ARGUMENT,
                                             UNSUPPORTED, FILE, NO_FRAME)}


class ReziveError(Exception):
    """A failed SDK call.

    code: the SDK error code of the cause (0 when the library gave none);
    codes: every code the call recorded, the cause first; meaning: the cause in words;
    doing: what was being done; detail: the system's reason where the library gave one
    ("cannot open the camera claim region /dev/shm/...: Permission denied"), else None.
    """

    def __init__(self, code: int, doing: str, codes: Optional[Iterable[int]] = None,
                 detail: Optional[str] = None) -> None:
        self.code = code
        self.codes = list(codes) if codes else ([code] if code else [])
        self.meaning = meaning(code)
        self.doing = doing
        self.detail = detail
        message = f"error {code}: {self.meaning} ({doing})"
        super().__init__(f"{message}: {detail}" if detail else message)
