"""Frames with the library's metadata, Frame as a NumPy array, the frame stream's ends, the
frame counters, and the attributes against every setting the C API has."""

import ctypes
import inspect
import os
import pickle
import pydoc
import re
import shutil
import subprocess
import textwrap
import time
import typing

import numpy as np
import pytest

import rezive
from rezive import _library
from rezive._library import lib

DEADLINE = 60.0  # seconds: generous, for a loaded 2-core machine


def wait_for(condition, what):
    deadline = time.monotonic() + DEADLINE
    while not condition():
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(0.01)


def test_frames_carry_the_librarys_sequence_time_and_exposure():
    with rezive.Camera() as camera:
        camera.gain, camera.exposure = 2, 400
        lines, gain = camera.exposure, camera.gain
        started = time.monotonic()
        seen = []
        with camera.frames(12) as frames:
            for frame in frames:
                seen.append((frame, time.monotonic()))
        stats = camera.stream_stats
        # The line time the library converts with is the running sensor's: read it after.
        ms = camera.exposure_ms
        camera.gain, camera.exposure = 0, 637
    previous = None
    for frame, received in seen:
        assert isinstance(frame, rezive.Frame) and frame.meta is not None
        # Captured on time.monotonic()'s clock, after the stream started and before it came.
        assert started - 0.5 < frame.timestamp <= received
        assert (frame.exposure_lines, frame.gain) == (lines, gain)
        assert frame.exposure_ms == pytest.approx(ms, abs=1.0)
        if previous is not None:
            assert frame.sequence > previous.sequence
            assert frame.timestamp > previous.timestamp
        # Every frame of the acquisition up to this one was handed out or counted as dropped.
        expected_gap = frame.sequence - (previous.sequence if previous is not None else 0) - 1
        assert frame.dropped_before == expected_gap
        previous = frame
    assert stats.last_sequence >= previous.sequence
    assert stats.last_timestamp >= previous.timestamp
    assert stats.delivered >= len(seen)
    assert stats.transferred == stats.processed + stats.skipped + stats.failed_decodes


def test_a_slow_reader_is_told_of_the_frames_it_missed():
    with rezive.Camera() as camera:
        with camera.frames(6) as frames:
            got = [next(frames)]
            for _ in range(5):
                # The library copies several frames into the buffer while this reader is busy:
                # only the last of them reaches it, the others are dropped before it.
                delivered = camera.stream_stats.delivered
                wait_for(lambda: camera.stream_stats.delivered >= delivered + 3, "frames")
                got.append(next(frames))
    assert sum(1 + f.dropped_before for f in got) == got[-1].sequence
    assert all(f.dropped_before >= 2 for f in got[1:]), [f.dropped_before for f in got]


def test_a_frame_keeps_the_settings_it_was_processed_under():
    with rezive.Camera() as camera:
        with camera.frames() as frames:
            before = next(frames)
            camera.gain, camera.exposure = 5, 300
            deadline = time.monotonic() + DEADLINE
            after = next(frames)
            while (after.gain, after.exposure_lines) != (5, 300):
                assert time.monotonic() < deadline, "no frame under the new settings"
                after = next(frames)
        camera.gain, camera.exposure = 0, 637
    assert (before.gain, before.exposure_lines) == (0, 637)
    assert after.exposure_ms < before.exposure_ms
    shot_meta = None
    with rezive.Camera() as camera:
        shot = camera.snapshot()
        shot_meta = shot.meta
    assert shot_meta is not None and shot_meta.sequence >= 1 and shot_meta.gain == 0


# How an array derived from a frame looks: "frame" keeps the frame's metadata, "plain" is an
# ndarray without it, "scalar" a NumPy number.
DERIVED = [
    ("slice", lambda f: f[100:200, 300:400], "frame"),
    ("channel", lambda f: f[..., 1], "frame"),
    ("reshape", lambda f: f.reshape(-1), "frame"),
    ("flip", lambda f: np.flip(f, 0), "frame"),
    ("copy", lambda f: f.copy(), "frame"),
    ("astype", lambda f: f.astype(np.float32), "frame"),
    ("pickled", lambda f: pickle.loads(pickle.dumps(f)), "frame"),
    ("in-place", lambda f: np.add(f.copy(), 1, out=f.copy()), "frame"),
    ("arithmetic", lambda f: f + 1, "plain"),
    ("comparison", lambda f: f > 10, "plain"),
    ("function", lambda f: np.clip(f, 10, 200), "plain"),
    ("asarray", lambda f: np.asarray(f), "plain"),
    ("concatenate", lambda f: np.concatenate([f, f]), "plain"),
    ("mean", lambda f: f.mean(), "scalar"),
    ("max", lambda f: f.max(), "scalar"),
    ("element", lambda f: f[0, 0, 0], "scalar"),
]


@pytest.fixture(scope="module")
def shot():
    with rezive.Camera() as camera:
        camera.color_mode = rezive.BGR24
        return camera.snapshot()


@pytest.mark.parametrize("make, kind", [c[1:] for c in DERIVED], ids=[c[0] for c in DERIVED])
def test_arrays_derived_from_a_frame(shot, make, kind):
    derived = make(shot)
    if kind == "frame":
        assert type(derived) is rezive.Frame and derived.meta == shot.meta
        assert derived.sequence == shot.sequence and derived.timestamp == shot.timestamp
    elif kind == "plain":
        assert type(derived) is np.ndarray
    else:
        assert np.isscalar(derived) and not isinstance(derived, np.ndarray)


def test_a_frame_is_the_librarys_bytes_and_in_place_arithmetic_keeps_it(shot):
    assert not shot.flags.owndata and shot.base is not None  # over the buffer, not a copy
    plain = np.asarray(shot)
    assert np.shares_memory(plain, shot)
    frame = shot.copy()
    frame += 1
    assert type(frame) is rezive.Frame and frame.meta == shot.meta
    np.testing.assert_array_equal(frame, (plain + 1).astype(np.uint8))
    assert np.zeros(3).view(rezive.Frame).sequence is None


# Every way a stream ends, each followed by a snapshot: one is refused while a preview runs.
def end_by_count(camera):
    assert len(list(camera.frames(3))) == 3


def end_by_last_frame(camera):
    stream = camera.frames(1)
    next(stream)  # the preview stops with the last frame, before StopIteration is asked for
    return stream


def end_by_close(camera):
    stream = camera.frames()
    next(stream)
    stream.close()
    return stream


def end_by_with(camera):
    with camera.frames() as stream:
        next(stream)
    return stream


def end_by_exception_in_with(camera):
    with pytest.raises(KeyError):
        with camera.frames() as stream:
            next(stream)
            raise KeyError("the reader failed")
    return stream


def end_by_time_out(camera):
    stream = camera.frames(timeout=-1)
    with pytest.raises(TimeoutError):
        next(stream)
    return stream


def end_by_dropping(camera):
    stream = camera.frames()
    next(stream)
    del stream


def end_by_break(camera):
    for n, _ in enumerate(camera.frames(), 1):
        if n == 2:
            break


def end_by_a_newer_stream(camera):
    older = camera.frames()
    next(older)
    assert len(list(camera.frames(2))) == 2
    with pytest.raises(StopIteration):
        next(older)
    return older


def end_by_recording(camera, tmp_path):
    stream = camera.frames()
    next(stream)
    camera.record(tmp_path / "clip.avi", 0.2)
    return stream


ENDINGS = [end_by_count, end_by_last_frame, end_by_close, end_by_with, end_by_exception_in_with,
           end_by_time_out, end_by_dropping, end_by_break, end_by_a_newer_stream,
           end_by_recording]


@pytest.mark.parametrize("end", ENDINGS, ids=[e.__name__[7:] for e in ENDINGS])
def test_every_end_of_a_stream_stops_the_preview(end, tmp_path):
    with rezive.Camera() as camera:
        arguments = (camera, tmp_path) if end is end_by_recording else (camera,)
        stream = end(*arguments)
        if stream is not None:
            assert stream.closed
            with pytest.raises(StopIteration):
                next(stream)
        assert camera.snapshot().meta is not None
        assert not camera.stream_stats.recording


def test_a_stream_left_open_ends_with_its_camera(run_python):
    # A stream the program forgot still stops when the camera closes; the next one claims it.
    code = textwrap.dedent("""
        import rezive
        camera = rezive.Camera()
        stream = camera.frames()
        next(stream)
        camera.close()
        assert stream.closed
        with rezive.Camera() as again:
            print(len(list(again.frames(2))))
    """)
    result = run_python(code)
    assert result.returncode == 0 and result.stdout.split() == ["2"], result.stderr


def test_bad_stream_arguments_are_refused():
    with rezive.Camera() as camera:
        with pytest.raises(ValueError):
            camera.frames(-1)
        assert list(camera.frames(0)) == []
        camera.snapshot()


# ---- the C API's records and settings ------------------------------------------------------

HEADER = os.path.join(os.path.dirname(rezive.__file__), "..", "..", "include", "ReziveSdk.h")
C_TYPES = {"uint32_t": ctypes.c_uint32, "int32_t": ctypes.c_int32, "uint64_t": ctypes.c_uint64}


def header_fields(struct):
    """(name, ctypes type) of a struct of fixed-width fields, as the header declares it."""
    with open(HEADER) as f:
        text = f.read()
    body = re.search(r"typedef struct %s \{(.*?)\} %s;" % (struct, struct), text, re.S).group(1)
    body = re.sub(r"/\*.*?\*/", "", body, flags=re.S)
    return [(name, C_TYPES[kind]) for kind, name in re.findall(r"(\w+)\s+(\w+);", body)]


@pytest.mark.parametrize("struct", ["RzStreamStats", "RzFrameMeta"])
def test_the_packages_records_are_the_headers(struct):
    if not os.path.exists(HEADER):
        pytest.skip("the header is not beside the package")
    record = getattr(_library, struct)
    assert [(n, t) for n, t in record._fields_] == header_fields(struct)


def test_the_type_hints_name_every_setting_of_the_table():
    hints = typing.get_type_hints(rezive.Camera)
    expected = {e["name"].replace("-", "_"): bool if e["kind"] == "switch" else int
                for e in rezive.settings() if e["name"] != "color"}
    assert {name: hints.get(name) for name in expected} == expected
    assert set(hints) - set(expected) == set()


def library_exports():
    nm = shutil.which("nm")
    if nm is None:
        pytest.skip("nm is not installed")
    listed = subprocess.run([nm, "-D", "--defined-only", os.environ["REZIVE_LIBRARY"]],
                            capture_output=True, text=True, check=True).stdout
    return {line.split()[-1] for line in listed.splitlines() if " T " in line}


# Setters of the C API that are no camera setting, each with why the package has no attribute.
NOT_SETTINGS = {
    "Rezive_SetCameraDlg": "a dialog (video_format_dialog)",
    "Rezive_SetAnalogDlg": "a dialog (analog_dialog)",
    "Rezive_SetImageDlg": "a dialog (image_dialog)",
    "Rezive_SetDeviceNumber": "the slot, chosen by Camera(slot)",
    "Rezive_SetPreviewWindow": "the library's own preview window",
    "Rezive_SetFilterValue": "the settings by id, which the table names",
    "Rezive_SetBayerGainRGB": "wb_red, wb_green, wb_blue at once",
    "Rezive_SetColorGainRed": "this model has no colour gains (only 0)",
    "Rezive_SetColorGainGreen1": "this model has no colour gains (only 0)",
    "Rezive_SetColorGainGreen2": "this model has no colour gains (only 0)",
    "Rezive_SetColorGainBlue": "this model has no colour gains (only 0)",
    "Rezive_SetSubSample": "this model has no sub-sampling (only 0)",
    "Rezive_SetHalfClock": "not available on this model",
    "Rezive_SetCrossbar": "not available on this model",
    "Rezive_SetSamplingRate": "not available on this model",
    "RzSetMessageHandler": "message windows, not the camera",
    "RzSetDialogHook": "the dialog presenter, not the camera",
    "RzSetSettingValue": "the settings by name, which the table names",
}
# Setters outside the settings table and the attribute each has.
ATTRIBUTES = {
    "Rezive_SetCaptureWindow": "capture_window", "Rezive_SetCaptureWindowEx": "capture_window",
    "RzSetPngCompressionLevel": "png_compression_level",
    "RzSetRecordQueueDepth": "record_queue_depth", "Rezive_SetIOPort": "io_port",
}


def test_every_setter_of_the_c_api_has_an_attribute_or_a_reason():
    by_setter = {}
    for index in range(lib.RzGetSettingCount()):
        info = _library.RzSettingInfo(size=ctypes.sizeof(_library.RzSettingInfo))
        assert lib.RzGetSettingInfo(index, None, ctypes.byref(info))
        name = info.name.decode()
        by_setter[info.setter.decode()] = "color_mode" if name == "color" else name.replace("-", "_")
    setters = {name for name in library_exports()
               if re.match(r"(Rezive_|Rz)Set", name) and not name.startswith("RzDialog")}
    unaccounted = setters - set(NOT_SETTINGS) - set(ATTRIBUTES) - set(by_setter)
    assert unaccounted == set(), "setters without an attribute"
    for setter, attribute in {**ATTRIBUTES, **by_setter}.items():
        assert isinstance(getattr(rezive.Camera, attribute), property), (setter, attribute)
    assert set(NOT_SETTINGS) <= setters, "a listed setter is gone from the library"


# attribute, a value it takes (read back as given), a value refused with its code
ROUND_TRIPS = [
    ("png_compression_level", 0, 10, rezive.errors.ARGUMENT),
    ("png_compression_level", 9, -2, rezive.errors.ARGUMENT),
    ("png_compression_level", -1, 100, rezive.errors.ARGUMENT),
    ("record_queue_depth", 16, 257, rezive.errors.ARGUMENT),
    ("record_queue_depth", None, -1, rezive.errors.ARGUMENT),
]


@pytest.mark.parametrize("attribute, value, refused, code", ROUND_TRIPS)
def test_attributes_beside_the_table_round_trip_and_refuse(attribute, value, refused, code):
    with rezive.Camera() as camera:
        setattr(camera, attribute, value)
        assert getattr(camera, attribute) == value
        with pytest.raises(rezive.ReziveError) as caught:
            setattr(camera, attribute, refused)
        assert caught.value.code == code
        assert getattr(camera, attribute) == value  # a refusal changes nothing


def test_the_png_level_reaches_the_file(tmp_path):
    with rezive.Camera() as camera:
        camera.snapshot()
        sizes = {}
        for level in (0, 9):
            camera.png_compression_level = level
            camera.save(tmp_path / f"level{level}.png")
            sizes[level] = (tmp_path / f"level{level}.png").stat().st_size
    assert sizes[0] > sizes[9]


def test_the_record_queue_depth_is_the_one_a_recording_runs_with(tmp_path):
    with rezive.Camera() as camera:
        camera.record_queue_depth = 3
        camera.record(tmp_path / "clip.avi", 0.2)
        assert camera.stream_stats.record_queue_depth == 3


def test_the_io_port_takes_eight_bits():
    with rezive.Camera() as camera:
        for value in (0x5A, 0xFF, 0):
            camera.io_port = value
            assert camera.io_port == value
        for value in (256, -1):
            with pytest.raises(ValueError):
                camera.io_port = value


def test_help_documents_the_frames_and_every_attribute():
    shown = pydoc.render_doc(rezive.Camera, renderer=pydoc.plaintext)
    for text in ["stream_stats", "png_compression_level", "with camera.frames() as frames",
                 "Frame", *(e["description"] for e in rezive.settings() if e["name"] != "color")]:
        assert text in shown, text
    frame_help = pydoc.render_doc(rezive.Frame, renderer=pydoc.plaintext)
    for attribute in ("sequence", "timestamp", "exposure_ms", "exposure_lines", "gain",
                      "dropped_before"):
        assert attribute in frame_help
    package = os.path.dirname(rezive.__file__)
    assert os.path.exists(os.path.join(package, "py.typed"))


def public_callables():
    """Every public function, method and property accessor of the package's public names."""
    for name in rezive.__all__:
        value = getattr(rezive, name)
        if inspect.isfunction(value):
            yield name, value
        elif inspect.isclass(value) and value.__module__.startswith("rezive"):
            for member, attribute in vars(value).items():
                if member.startswith("_") and member not in ("__init__", "__next__", "__enter__"):
                    continue
                if isinstance(attribute, property):
                    for accessor in (attribute.fget, attribute.fset):
                        if accessor is not None:
                            yield f"{name}.{member}", accessor
                elif isinstance(attribute, (staticmethod, classmethod)):
                    yield f"{name}.{member}", attribute.__func__
                elif inspect.isfunction(attribute):
                    yield f"{name}.{member}", attribute


def test_every_public_function_has_type_hints():
    missing = []
    for name, function in public_callables():
        signature = inspect.signature(function)
        unannotated = [p.name for p in signature.parameters.values()
                       if p.annotation is inspect.Parameter.empty and p.name not in ("self", "cls")]
        if unannotated or signature.return_annotation is inspect.Signature.empty:
            missing.append((name, unannotated))
    assert missing == []
