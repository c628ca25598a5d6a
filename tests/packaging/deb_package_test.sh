#!/usr/bin/env bash
# Builds the Debian package from the build tree, checks what it holds, unpacks it with dpkg into
# an empty root and runs what it installed from there: rezive-cam, the GStreamer element and the
# Python package, each against a virtual camera of its own.
# Arguments: <build folder> <work folder>
set -euo pipefail
build=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/*.deb)
dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents"
for path in \
  ./usr/lib/udev/rules.d/60-rezive-417dir-kernel-driver.rules \
  ./usr/include/ReziveSdk.h \
  ./usr/bin/rezive-cam \
  ./usr/lib/cmake/ReziveSdk/ReziveSdkConfig.cmake \
  ./usr/lib/python3/dist-packages/rezive/camera.py; do
  grep -qx "$path" "$work/contents" || fail "$path is not in the package"
done
for pattern in '/libReziveSdk_417DIR_DEZ\.so\.1$' '/pkgconfig/ReziveSdk\.pc$' \
  '/lib/[a-z0-9_]+-linux-gnu/gstreamer-1\.0/libgstrezive\.so$'; do
  grep -Eq "$pattern" "$work/contents" || fail "nothing matching $pattern in the package"
done
dpkg-deb -I "$deb" >"$work/info"
grep -q 'postinst' "$work/info" || fail "no postinst"
grep -Eq '^ Depends:.*libgstreamer1\.0-0' "$work/info" || fail "the plugin's libraries are not depended on"
dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./postinst | sh -n || fail "postinst does not parse"
rule=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/lib/udev/rules.d/60-rezive-417dir-kernel-driver.rules)
grep -Eq '^KERNEL=="Daro417DIRVUD-\*".*GROUP="video".*MODE="0660"' <<<"$rule" ||
  fail "the udev rule does not give group video the device nodes"

# dpkg into a root of its own: unpacking places every file and records the package.
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
: >"$root/var/lib/dpkg/status"
dpkg --root="$root" --force-not-root --force-depends --log=/dev/null --unpack "$deb" \
  >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg --unpack"; }
dpkg --root="$root" -L rezive-sdk | grep -q '/usr/bin/rezive-cam' || fail "dpkg does not list the files"

export REZIVE_VIRTUAL_CAMERAS=1 REZIVE_SETTINGS_FILE=$work/settings.reg
export REZIVE_SHARED_NAME=/rezive-deb-test-$$ LD_LIBRARY_PATH=$root/usr/lib
trap 'rm -f /dev/shm/rezive-deb-test-$$' EXIT
"$root/usr/bin/rezive-cam" -q list | grep -q Rezive417DIR || fail "the installed rezive-cam"
plugins=$(dirname "$(grep -E 'gstreamer-1\.0/libgstrezive\.so$' "$work/contents")")
GST_PLUGIN_PATH=$root/$plugins GST_REGISTRY=$work/registry.bin GST_REGISTRY_FORK=no \
  gst-launch-1.0 -q rezivesrc num-buffers=3 ! fakesink || fail "the installed GStreamer element"
if python3 -c 'import numpy' 2>/dev/null; then
  PYTHONPATH=$root/usr/lib/python3/dist-packages python3 -c '
import rezive, sys
assert rezive.__file__.startswith(sys.argv[1]), rezive.__file__
with rezive.Camera() as camera:
    assert camera.snapshot().shape == (720, 1280, 3)' "$root" || fail "the installed Python package"
fi
echo "package $(basename "$deb") checked"
