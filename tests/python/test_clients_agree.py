"""Every client shows the library's own error texts and settings table: rezive-cam, the
rezivesrc element and this package, each against the table the library exports."""

import ctypes
import json
import os
import re
import shutil
import subprocess

import pytest

import rezive
from rezive._library import lib

CODES = [0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13]


def library_text(code):
    return lib.RzGetErrorText(code, b"en").decode()


def json_value(entry, value):
    """A value as rezive-cam's JSON gives it: switches as booleans, choices by name."""
    if entry["kind"] == "switch":
        return bool(value)
    if entry["kind"] == "choice":
        return entry["names"][value]
    return value


def test_the_package_raises_with_the_librarys_text_for_every_code():
    for code in CODES + [10, 99]:
        error = rezive.ReziveError(code, "testing")
        assert error.meaning == library_text(code)
        assert library_text(code) in str(error)
    assert rezive.MEANINGS == {code: library_text(code) for code in CODES}


def test_the_package_has_every_setting_with_the_librarys_range_and_default():
    table = rezive.settings()
    assert len(table) == lib.RzGetSettingCount()
    with rezive.Camera() as camera:
        for entry in table:
            if entry["name"] == "color":
                assert camera.color_mode == entry["default"]
                continue
            attribute = entry["name"].replace("-", "_")
            value = getattr(camera, attribute)
            if entry["name"] != "exposure-ms":
                assert value == (bool(entry["default"]) if entry["kind"] == "switch"
                                 else entry["default"]), entry["name"]
            assert entry["description"] in getattr(rezive.Camera, attribute).__doc__


def rezive_cam():
    tool = os.environ.get("REZIVE_CAM")
    if not tool:
        pytest.skip("rezive-cam is not built")
    return tool


def test_rezive_cam_reads_every_setting_of_the_table_at_its_default(tmp_path):
    env = dict(os.environ, REZIVE_SETTINGS_FILE=str(tmp_path / "fresh.reg"))
    got = subprocess.run([rezive_cam(), "--json", "get"], capture_output=True, text=True,
                         env=env, timeout=120, check=True)
    values = json.loads(got.stdout)
    values = values.get("settings", values)
    table = rezive.settings()
    assert list(values) == [entry["name"] for entry in table]
    for entry in table:
        if entry["name"] != "exposure-ms":
            assert values[entry["name"]] == json_value(entry, entry["default"]), entry["name"]

    helped = subprocess.run([rezive_cam(), "set", "--help"], capture_output=True, text=True,
                            timeout=60).stdout
    for entry in table:
        assert f"--{entry['name']}" in helped
        assert entry["description"] in " ".join(helped.split()), entry["name"]


def test_rezive_cam_words_a_refusal_as_the_library_does():
    failed = subprocess.run([rezive_cam(), "set", "gain", "99"], capture_output=True, text=True,
                            timeout=120)
    assert failed.returncode != 0
    assert f"error 9: {library_text(9)}" in failed.stderr


def gst(tool, *arguments, tmp_path):
    plugins = os.environ.get("REZIVE_GST_PLUGIN_DIR")
    if not plugins or shutil.which(tool) is None:
        pytest.skip("the GStreamer element or its tools are not here")
    env = dict(os.environ, GST_PLUGIN_PATH=plugins, GST_REGISTRY=str(tmp_path / "registry.bin"))
    return subprocess.run([tool, *arguments], capture_output=True, text=True, env=env,
                          timeout=120)


def test_rezivesrc_has_a_property_for_every_setting_with_the_librarys_range(tmp_path):
    shown = gst("gst-inspect-1.0", "rezivesrc", tmp_path=tmp_path).stdout
    # "  gain   : sensor gain step\n   flags: ...\n   Integer. Range: 0 - 11 Default: 0"
    blocks = dict(re.findall(r"^  ([a-z0-9-]+)\s+: (.*?)(?=^  [a-z0-9-]+\s+: |\Z)", shown,
                             re.M | re.S))
    for entry in rezive.settings():
        if entry["name"] == "color":  # the caps' format
            continue
        block = " ".join(blocks[entry["name"]].split())
        assert block.startswith(entry["description"]), entry["name"]
        if entry["kind"] == "switch":
            assert f"Boolean. Default: {str(bool(entry['default'])).lower()}" in block
        elif entry["kind"] == "choice":
            assert f'Default: {entry["default"]}, "{entry["names"][entry["default"]]}"' in block
            for k, name in enumerate(entry["names"]):
                assert f'({k}): {name}' in block, (entry["name"], name)
        else:
            assert (f"Range: {entry['minimum']} - {entry['maximum']} "
                    f"Default: {entry['default']}") in block, entry["name"]


def test_rezivesrc_words_a_refusal_as_the_library_does(tmp_path):
    # 100 s is far more lines than the sensor counts: the library refuses it with code 9.
    failed = gst("gst-launch-1.0", "rezivesrc", "exposure-ms=100000", "num-buffers=1", "!",
                 "fakesink", tmp_path=tmp_path)
    assert failed.returncode != 0
    assert f"Camera error 9: {library_text(9)}" in failed.stdout + failed.stderr
