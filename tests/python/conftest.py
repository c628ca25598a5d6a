"""Every test process gets its own settings file, shared-memory name and a still scene for the
virtual camera, before the package loads the library."""

import os
import struct
import subprocess
import sys
import tempfile
import zlib

import pytest

SCENE_W, SCENE_H = 320, 180


def write_still_scene(path):
    """Red grows to the right, green downwards, blue in checks: orientation shows."""
    rows = bytearray()
    for y in range(SCENE_H):
        rows.append(0)
        for x in range(SCENE_W):
            rows += bytes((40 + 160 * x // SCENE_W, 20 + 200 * y // SCENE_H,
                           180 if (x // 8 + y // 8) % 2 else 60))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", SCENE_W, SCENE_H, 8, 2, 0, 0, 0))
           + chunk(b"IDAT", zlib.compress(bytes(rows))) + chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(png)


_TMP = tempfile.mkdtemp(prefix="rezive-pytest-")
write_still_scene(os.path.join(_TMP, "scene.png"))
os.environ["REZIVE_VIRTUAL_SCENE"] = os.path.join(_TMP, "scene.png")
os.environ["REZIVE_VIRTUAL_CAMERAS"] = "1"
os.environ["REZIVE_SETTINGS_FILE"] = os.path.join(_TMP, "settings.reg")
os.environ["REZIVE_SHARED_NAME"] = f"/rezive-pytest-{os.getpid()}"
os.environ.pop("DISPLAY", None)


def pytest_unconfigure(config):
    import shutil
    shutil.rmtree(_TMP, ignore_errors=True)
    try:
        os.unlink("/dev/shm" + os.environ["REZIVE_SHARED_NAME"])
    except OSError:
        pass


@pytest.fixture
def run_python():
    """Runs code in another Python process with this environment (and changes to it)."""
    def run(code, **env):
        child = dict(os.environ)
        for name, value in env.items():
            if value is None:
                child.pop(name, None)
            else:
                child[name] = value
        return subprocess.run([sys.executable, "-c", code], env=child, capture_output=True,
                              text=True, timeout=120)
    return run
