"""A build backend for a pure-Python package without build-time requirements: the wheel is
the rezive/ folder plus the metadata pip reads. Offline machines install it as they are."""

import base64
import hashlib
import os
import tarfile
import zipfile

NAME = "rezive"
VERSION = "1.1.0"
_HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
_DIST_INFO = f"{NAME}-{VERSION}.dist-info"
_METADATA = (f"Metadata-Version: 2.1\nName: {NAME}\nVersion: {VERSION}\n"
             "Summary: Python access to the 417DIR camera SDK: frames as NumPy arrays\n"
             "Requires-Python: >=3.9\nRequires-Dist: numpy\n")
_WHEEL = "Wheel-Version: 1.0\nGenerator: rezive wheel_backend\nRoot-Is-Purelib: true\nTag: py3-none-any\n"


def _package_files():
    root = os.path.join(_HERE, NAME)
    for folder, _, files in os.walk(root):
        for name in sorted(files):
            if name.endswith(".py") or name == "py.typed":
                path = os.path.join(folder, name)
                yield path, os.path.relpath(path, _HERE).replace(os.sep, "/")


def _record_line(arcname, data):
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"{arcname},sha256={digest},{len(data)}"


def get_requires_for_build_wheel(config_settings=None):
    return []


def get_requires_for_build_sdist(config_settings=None):
    return []


def prepare_metadata_for_build_wheel(metadata_directory, config_settings=None):
    folder = os.path.join(metadata_directory, _DIST_INFO)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "METADATA"), "w") as f:
        f.write(_METADATA)
    return _DIST_INFO


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    filename = f"{NAME}-{VERSION}-py3-none-any.whl"
    records = []
    with zipfile.ZipFile(os.path.join(wheel_directory, filename), "w", zipfile.ZIP_DEFLATED) as wheel:
        def add(arcname, data):
            wheel.writestr(arcname, data)
            records.append(_record_line(arcname, data))
        for path, arcname in _package_files():
            with open(path, "rb") as f:
                add(arcname, f.read())
        add(f"{_DIST_INFO}/METADATA", _METADATA.encode())
        add(f"{_DIST_INFO}/WHEEL", _WHEEL.encode())
        records.append(f"{_DIST_INFO}/RECORD,,")
        wheel.writestr(f"{_DIST_INFO}/RECORD", "\n".join(records) + "\n")
    return filename


def build_sdist(sdist_directory, config_settings=None):
    base = f"{NAME}-{VERSION}"
    filename = f"{base}.tar.gz"
    with tarfile.open(os.path.join(sdist_directory, filename), "w:gz") as sdist:
        for path, arcname in _package_files():
            sdist.add(path, f"{base}/{arcname}")
        for extra in ("pyproject.toml", "build_backend/wheel_backend.py"):
            sdist.add(os.path.join(_HERE, extra), f"{base}/{extra}")
        info = tarfile.TarInfo(f"{base}/PKG-INFO")
        data = _METADATA.encode()
        info.size = len(data)
        import io
        sdist.addfile(info, io.BytesIO(data))
    return filename
