"""The rezive package against the virtual camera: frames as the C side lays them out, the
frame iterator, releasing, files, and errors with their codes."""

import os
import subprocess
import sys
import textwrap
import zipfile

import numpy as np
import pytest

import rezive

MODES = [rezive.GRAY8, rezive.GRAY16, rezive.BGR24, rezive.BGRX32, rezive.BGR48, rezive.BGRX64]
LAYOUT = {8: (1, "u1"), 16: (1, "<u2"), 24: (3, "u1"), 32: (4, "u1"), 48: (3, "<u2"),
          64: (4, "<u2")}


def rows_of_raw(raw, width, height, bits):
    """The frame bytes read row by row, the way the C header describes them."""
    channels, dtype = LAYOUT[bits]
    stride = (width * bits // 8 + 3) & ~3
    used = width * bits // 8
    rows = [np.frombuffer(raw[y * stride:y * stride + used], dtype=dtype) for y in range(height)]
    image = np.stack(rows)
    return image if channels == 1 else image.reshape(height, width, channels)


def c_tool_raw(tmp_path, bits):
    """The frame as rezive-cam (the C API in another process) saves it, rows as in memory."""
    tool = os.environ.get("REZIVE_CAM")
    if not tool:
        pytest.skip("rezive-cam is not built")
    path = tmp_path / "frame.raw"
    subprocess.run([tool, "-q", "snapshot", "-o", str(path), "--color", str(bits)], check=True,
                   timeout=120)
    return path.read_bytes()


@pytest.mark.parametrize("bits", MODES)
def test_snapshot_and_frames_equal_the_c_apis_frame(tmp_path, bits):
    expected_raw = c_tool_raw(tmp_path, bits)
    with rezive.Camera() as camera:
        camera.color_mode = bits
        width, height = camera.width, camera.height
        expected = rows_of_raw(expected_raw, width, height, bits)
        channels, dtype = LAYOUT[bits]
        shot = camera.snapshot()
        assert shot.shape == ((height, width) if channels == 1 else (height, width, channels))
        assert shot.dtype == np.dtype(dtype)
        np.testing.assert_array_equal(shot, expected)
        for frame in camera.frames(3):
            np.testing.assert_array_equal(frame, expected)
    # Green grows downwards in the scene: the first row is the top one.
    green = expected if channels == 1 else expected[..., 1]
    assert green[:4].mean() < green[-4:].mean()


def test_frames_stop_on_break_and_count():
    with rezive.Camera() as camera:
        for n, _ in enumerate(camera.frames(), 1):
            if n == 3:
                break
        # A snapshot is refused while a preview runs: this one proves the preview stopped.
        camera.snapshot()
        assert len(list(camera.frames(5))) == 5
        camera.snapshot()


def test_held_frames_keep_their_pixels_and_are_distinct(run_python):
    # The moving scene: every frame differs, so a reused or rewritten array shows.
    result = run_python(textwrap.dedent("""
        import numpy as np, rezive
        with rezive.Camera() as camera:
            held, copies = [], []
            for frame in camera.frames(8):
                held.append(frame)
                copies.append(frame.copy())
        assert all(np.array_equal(h, c) for h, c in zip(held, copies)), "a frame was rewritten"
        assert all(not np.array_equal(a, b) for a, b in zip(copies, copies[1:])), "repeated"
        print("ok")
    """), REZIVE_VIRTUAL_SCENE=None)
    assert result.returncode == 0 and "ok" in result.stdout, result.stderr


CLAIM = textwrap.dedent("""
    import rezive
    try:
        with rezive.Camera() as camera:
            next(camera.frames())
        print("claimed")
    except rezive.ReziveError as error:
        print("refused", error.code)
""")


def test_closing_releases_the_camera_for_another_process(run_python):
    camera = rezive.Camera()
    frames = camera.frames()
    next(frames)  # the running preview holds the camera's claim
    assert run_python(CLAIM).stdout.split() == ["refused", "2"]
    with camera:
        pass
    assert camera.closed
    assert run_python(CLAIM).stdout.split() == ["claimed"]
    with pytest.raises(ValueError):
        camera.snapshot()


def test_settings_are_kept_for_the_slot():
    with rezive.Camera() as camera:
        camera.brightness, camera.gamma, camera.mirror_h, camera.auto_iris = -20, 140, True, 2
    with rezive.Camera() as camera:
        assert (camera.brightness, camera.gamma, camera.mirror_h, camera.auto_iris) == (
            -20, 140, True, 2)
        camera.brightness, camera.gamma, camera.mirror_h, camera.auto_iris = 0, 100, False, 0


@pytest.mark.parametrize("action, code", [
    (lambda c: setattr(c, "gain", 99), 9),
    (lambda c: setattr(c, "color_mode", 12), 9),
    (lambda c: setattr(c, "capture_window", (1000, 0, 640, 480)), 7),
    (lambda c: c.image_dialog(), 11),
    (lambda c: (lambda live: (next(live), c.snapshot()))(c.frames()), 1),
    (lambda c: c.save("/nonexistent-folder/x.png"), 0),
], ids=["gain-range", "colour-mode", "capture-window", "dialog", "snapshot-in-preview",
        "unwritable-file"])
def test_failures_raise_with_their_code(action, code):
    with rezive.Camera() as camera:
        camera.snapshot()
        with pytest.raises(rezive.ReziveError) as caught:
            action(camera)
        assert caught.value.code == code
        assert caught.value.meaning == rezive.MEANINGS[code]
        assert f"error {code}:" in str(caught.value)


def test_no_camera_in_slot():
    with pytest.raises(rezive.ReziveError) as caught:
        rezive.Camera(slot=9)
    assert caught.value.code == 2


def test_save_and_record(tmp_path):
    with rezive.Camera() as camera:
        camera.snapshot()
        camera.save(tmp_path / "still.png")
        assert (tmp_path / "still.png").read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
        camera.record(tmp_path / "clip.avi", 0.5)
    header = (tmp_path / "clip.avi").read_bytes()[:12]
    assert header[:4] == b"RIFF" and header[8:] == b"AVI " and header[4:8] != b"\0\0\0\0"


def test_pip_installs_the_package_offline(tmp_path):
    source = os.path.join(os.path.dirname(rezive.__file__), "..")
    pip = subprocess.run([sys.executable, "-m", "pip", "--version"], capture_output=True)
    if pip.returncode != 0:
        pytest.skip("pip is not installed")
    subprocess.run([sys.executable, "-m", "pip", "wheel", "-q", "--no-index", "--no-deps",
                    "-w", str(tmp_path), source], check=True, timeout=120,
                   env=dict(os.environ, PIP_NO_INDEX="1"))
    wheel = zipfile.ZipFile(next(tmp_path.glob("rezive-*.whl")))
    names = wheel.namelist()
    metadata = f"rezive-{rezive.__version__}.dist-info/METADATA"
    assert "rezive/camera.py" in names and metadata in names
    assert {"rezive/stream.py", "rezive/stats.py", "rezive/py.typed"} <= set(names)
    assert "Requires-Dist: numpy" in wheel.read(metadata).decode()
