"""The README's GStreamer and Python examples run as printed: every code block marked
<!-- runs-in-test ... --> is taken from the README and run against the build tree.

The commands run in a scratch folder laid out like the repository (build/release, python and
examples are links to the real ones), so the paths they print work as they stand. The
environment is the one a fresh machine has, with the element found where the README installs
it (GST_PLUGIN_PATH), a private settings file, shared-memory name and GStreamer registry, and
no REZIVE_VIRTUAL_CAMERAS: a command meant to run without a camera has to say so itself.
Two things are changed, because a test has no display and must end: autovideosink becomes
fakesink, and a pipeline that would run until Ctrl-C gets num-buffers=30.
"""

import os
import re
import shutil
import subprocess
import sys

import pytest

SOURCE = os.path.normpath(os.path.join(os.path.dirname(__file__), "..", ".."))
README = os.path.join(SOURCE, "README.md")
SECTIONS = ("## GStreamer: rezivesrc", "## Python: import rezive")
MARK = re.compile(r"<!-- runs-in-test(?::\s*(.*?))?\s*-->\s*```(\w+)\n(.*?)```", re.S)


def section(text, heading):
    start = text.index(heading + "\n")
    end = text.find("\n## ", start + len(heading))
    return text[start:end if end >= 0 else len(text)]


def marked_blocks():
    """(section, language, note, code) of every marked block of the two sections."""
    with open(README) as f:
        text = f.read()
    blocks = []
    for heading in SECTIONS:
        for note, language, code in MARK.findall(section(text, heading)):
            blocks.append((heading, language, " ".join((note or "").split()), code))
    return blocks


def commands(code):
    """The shell commands of a block: continued lines joined, comments and blank lines gone."""
    joined = re.sub(r"\\\n\s*", " ", code)
    return [line for line in (l.strip() for l in joined.splitlines())
            if line and not line.startswith("#")]


def runnable(command):
    """The command as the test runs it: no display sink, and an end to an endless pipeline."""
    command = command.replace("autovideosink", "fakesink")
    if "gst-launch-1.0" in command and "num-buffers=" not in command:
        command = re.sub(r"\brezivesrc\b", "rezivesrc num-buffers=30", command, count=1)
    return command


def written_files(code):
    """Files the block says it writes: a filesink's location, a save or record call's path."""
    return (re.findall(r"location=(\S+)", code) +
            re.findall(r"\.(?:save|record)\(\s*\"([^\"]+)\"", code))


def test_the_sections_have_marked_blocks_of_every_kind():
    found = {(heading, language) for heading, language, _, _ in marked_blocks()}
    assert found == {(SECTIONS[0], "sh"), (SECTIONS[1], "python"), (SECTIONS[1], "sh")}


@pytest.fixture
def scratch(tmp_path):
    library = os.environ.get("REZIVE_LIBRARY")
    plugins = os.environ.get("REZIVE_GST_PLUGIN_DIR")
    if not library or not plugins or shutil.which("gst-launch-1.0") is None:
        pytest.skip("the library, the element or GStreamer's tools are not here")
    build = os.path.dirname(library)
    folder = tmp_path / "checkout"
    (folder / "build").mkdir(parents=True)
    os.symlink(build, folder / "build" / "release")
    os.symlink(os.path.join(SOURCE, "python"), folder / "python")
    os.symlink(os.path.join(SOURCE, "examples"), folder / "examples")
    # "python3" is the interpreter under test (the one with NumPy and OpenCV).
    bin_folder = tmp_path / "bin"
    bin_folder.mkdir()
    os.symlink(sys.executable, bin_folder / "python3")
    env = {name: value for name, value in os.environ.items()
           if not name.startswith(("REZIVE_", "GST_", "PYTHON"))}
    env.update(PATH=f"{bin_folder}{os.pathsep}{os.environ.get('PATH', '/usr/bin:/bin')}",
               GST_PLUGIN_PATH=plugins, GST_REGISTRY=str(tmp_path / "registry.bin"),
               REZIVE_SETTINGS_FILE=str(tmp_path / "settings.reg"),
               REZIVE_SHARED_NAME=os.environ["REZIVE_SHARED_NAME"] + "-readme",
               PYTHONDONTWRITEBYTECODE="1")
    yield folder, env
    try:
        os.unlink("/dev/shm" + env["REZIVE_SHARED_NAME"])
    except OSError:
        pass


def test_every_marked_block_runs_as_printed(scratch):
    folder, env = scratch
    blocks = marked_blocks()
    ran = 0
    for heading, language, note, code in blocks:
        if language == "python":
            saved = re.search(r"saved as (\S+)", note)
            assert saved, f"{heading}: a Python block says the file it is saved as"
            (folder / saved.group(1).rstrip(",")).write_text(code)
            continue
        for command in commands(code):
            run = runnable(command)
            result = subprocess.run(["bash", "-c", run], cwd=folder, env=env,
                                    capture_output=True, text=True, timeout=240)
            assert result.returncode == 0, (
                f"{heading}: {run}\nexit {result.returncode}\n{result.stdout[-2000:]}\n"
                f"{result.stderr[-2000:]}")
            ran += 1
    for _, _, _, code in blocks:
        for name in written_files(code):
            path = folder / name
            assert path.exists() and path.stat().st_size > 0, f"{name} was not written"
    assert ran >= 5
