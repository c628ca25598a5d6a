"""OpenCV reads the camera through rezivesrc: 100 frames of the still scene, each equal to the
frame the C API gives in the same colour mode, and the Python example as a user runs it."""

import json
import os
import subprocess
import sys
import textwrap

import pytest

EXAMPLES = os.path.join(os.path.dirname(__file__), "..", "..", "examples")


def opencv_environment(tmp_path):
    plugins = os.environ.get("REZIVE_GST_PLUGIN_DIR")
    if not plugins:
        pytest.skip("the GStreamer element is not built")
    probe = subprocess.run([sys.executable, "-c", "import cv2; print(cv2.getBuildInformation())"],
                           capture_output=True, text=True, timeout=120)
    if probe.returncode != 0:
        pytest.skip("OpenCV's Python module is not installed")
    if not any("GStreamer" in line and "YES" in line for line in probe.stdout.splitlines()):
        pytest.skip("this OpenCV is built without GStreamer")
    return dict(os.environ, GST_PLUGIN_PATH=plugins, GST_REGISTRY=str(tmp_path / "registry.bin"),
                REZIVE_SETTINGS_FILE=str(tmp_path / "settings.reg"))


COMPARE = textwrap.dedent("""
    import json, sys
    import cv2, numpy as np, rezive

    with rezive.Camera() as camera:
        camera.color_mode = rezive.BGR24
        expected = np.asarray(camera.snapshot()).copy()
    capture = cv2.VideoCapture("rezivesrc ! videoconvert ! appsink", cv2.CAP_GSTREAMER)
    report = {"opened": capture.isOpened(), "read": 0, "equal": 0, "first_difference": None}
    for n in range(int(sys.argv[1])):
        ok, frame = capture.read()
        if not ok:
            break
        report["read"] += 1
        if frame.shape == expected.shape and np.array_equal(frame, expected):
            report["equal"] += 1
        elif report["first_difference"] is None:
            differs = frame.shape != expected.shape or np.count_nonzero(frame != expected)
            report["first_difference"] = [n, str(frame.shape), int(differs)]
    capture.release()
    print(json.dumps(report))
""")


def test_opencv_reads_the_librarys_frames_through_gstreamer(tmp_path):
    env = opencv_environment(tmp_path)
    result = subprocess.run([sys.executable, "-c", COMPARE, "100"], env=env, capture_output=True,
                            text=True, timeout=300)
    assert result.returncode == 0, result.stderr
    report = json.loads(result.stdout.strip().splitlines()[-1])
    assert report == {"opened": True, "read": 100, "equal": 100, "first_difference": None}


def test_the_opencv_example_runs(tmp_path):
    env = opencv_environment(tmp_path)
    result = subprocess.run([sys.executable, os.path.join(EXAMPLES, "opencv_capture.py"), "5"],
                            env=env, capture_output=True, text=True, timeout=300)
    assert result.returncode == 0, result.stderr
    assert "opencv_capture: 1280 x 720, 3 channels" in result.stdout
    assert "opencv_capture: 5 frames" in result.stdout
    refused = subprocess.run([sys.executable, os.path.join(EXAMPLES, "opencv_capture.py"), "x"],
                             env=env, capture_output=True, text=True, timeout=120)
    assert refused.returncode == 64 and "usage" in refused.stderr
