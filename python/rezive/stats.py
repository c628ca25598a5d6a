"""The camera's frame counters (RzGetStreamStats) as a Python record."""

from __future__ import annotations

from dataclasses import dataclass
from typing import Optional

from ._library import RzStreamStats

# Every field of the C record but size and reserved, by the name the Python record gives it.
FIELDS = {
    "recording": "recording", "transferred": "transferred",
    "failedTransfers": "failed_transfers", "shortTransfers": "short_transfers",
    "skipped": "skipped", "processed": "processed", "delivered": "delivered",
    "refusedBuffer": "refused_buffer", "recorded": "recorded",
    "recorderDropped": "recorder_dropped", "lastSequence": "last_sequence",
    "lastCaptureUs": "last_timestamp", "failedDecodes": "failed_decodes",
    "recordQueueDepth": "record_queue_depth",
}


@dataclass(frozen=True)
class StreamStats:
    """Frame counters of a camera since its acquisition last started (the recorder's since its
    recording last started). Once an acquisition has stopped,
    transferred == processed + skipped + failed_decodes.

    last_timestamp is the capture time of the last frame taken, in seconds on the clock of
    time.monotonic() (as Frame.timestamp), or None before the first frame.
    """

    recording: bool            # a recording runs
    transferred: int           # whole frames the camera transferred
    failed_transfers: int      # transfers that failed
    short_transfers: int       # transfers that came short (the first of a run is expected)
    skipped: int               # frames passed over by the preview's newest-frame rule
    processed: int             # frames run through the processing
    delivered: int             # frames handed to the application
    refused_buffer: int        # frames not delivered: the buffer was too small
    recorded: int              # frames the recorder wrote to its file
    recorder_dropped: int      # frames the recorder dropped: its queue was full
    last_sequence: int         # sequence number of the last frame taken (1 = first)
    last_timestamp: Optional[float]
    failed_decodes: int        # frames taken that could not be decoded
    record_queue_depth: int    # queue depth of the current or last recording

    @classmethod
    def from_record(cls, record: RzStreamStats) -> "StreamStats":
        values = {python: getattr(record, c) for c, python in FIELDS.items()}
        values["recording"] = bool(values["recording"])
        values["last_timestamp"] = (values["last_timestamp"] / 1e6
                                    if values["last_timestamp"] else None)
        return cls(**values)
