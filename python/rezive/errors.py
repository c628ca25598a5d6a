"""SDK failures as exceptions: the error code and what it means."""

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

MEANINGS = {
    0: "failed without an error code",
    NO_DEVICE: "no camera object, not allowed in this acquisition mode, or no frame",
    DEVICE_UNAVAILABLE: "camera absent, cannot be opened, or claimed by another camera object",
    THREAD: "worker thread could not be created",
    WINDOW: "preview window failed, or no size preset matches",
    BUFFER: "image buffer could not be allocated, or a buffer is too small",
    REGISTER: "sensor register access or transfer start failed",
    CAPTURE_WINDOW: "capture window invalid",
    TRANSFER: "frame transfer failed",
    ARGUMENT: "argument out of range or invalid",
    UNSUPPORTED: "not available on this model",
    FILE: "file name conversion or recording failed",
    NO_FRAME: "no frame within 6 s; the camera stalled",
}


class ReziveError(Exception):
    """A failed SDK call.

    code: the SDK error code of the cause (0 when the library gave none);
    codes: every code the call recorded, the cause first; meaning: the cause in words;
    doing: what was being done; detail: the system's reason where the library gave one
    ("cannot open the camera claim region /dev/shm/...: Permission denied"), else None.
    """

    def __init__(self, code, doing, codes=None, detail=None):
        self.code = code
        self.codes = list(codes) if codes else ([code] if code else [])
        self.meaning = MEANINGS.get(code, "unknown error code")
        self.doing = doing
        self.detail = detail
        message = f"error {code}: {self.meaning} ({doing})"
        super().__init__(f"{message}: {detail}" if detail else message)
