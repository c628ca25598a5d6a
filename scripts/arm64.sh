#!/usr/bin/env bash
# The arm64 stage of CI, runnable alone: cross-builds the Release tree for aarch64 (preset arm64,
# cmake/toolchain-aarch64.cmake) and runs under qemu-user the imaging, device and acquisition
# tests, the acquisition end-to-end tests and the tests' thread accounting, then a
# `rezive-cam snapshot` and a 2 s `record` on the virtual camera, whose files are checked.
# Only the targets these need are built. Every run has a fixed budget:
#
#   REZIVE_ARM64_TEST_SECONDS=300   ctest's limit per test (the emulator is 5-20x slower)
#   REZIVE_ARM64_BUDGET=900         the limit of each ctest run and of the tool runs in all
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/install-arm64-deps.sh
build="$root/build/arm64"
per_test="${REZIVE_ARM64_TEST_SECONDS:-300}"
budget="${REZIVE_ARM64_BUDGET:-900}"
SECONDS=0

echo "=== arm64: configure and cross-build"
cmake --preset arm64 >/dev/null
# The executables of the labels run here (written by the configure step), the acquisition
# end-to-end tests (api_tests), the thread accounting's own test and the tool.
labels=(imaging device acquisition)
targets=(ReziveSdk rezive-cam api_tests platform_threaded_tests)
for label in "${labels[@]}"; do mapfile -t -O "${#targets[@]}" targets <"$build/test-targets/$label.txt"; done
cmake --build --preset arm64 -j "$(nproc)" --target "${targets[@]}"
echo "--- arm64: built in ${SECONDS} s"

echo "=== arm64: tests under qemu-user"
tests_start=$SECONDS
ctest_args=(--test-dir "$build" --output-on-failure -j "$(nproc)" --timeout "$per_test"
  --stop-time "$(date -d "+${budget} seconds" +%H:%M:%S)")
timeout "$budget" ctest "${ctest_args[@]}" -L "^($(IFS='|'; echo "${labels[*]}"))\$"
timeout "$budget" ctest "${ctest_args[@]}" -R '^(AcquisitionTest|ThreadCountTest)\.'
echo "--- arm64: tests ran in $((SECONDS - tests_start)) s"

echo "=== arm64: rezive-cam snapshot and record on the virtual camera"
tools_start=$SECONDS
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export REZIVE_VIRTUAL_CAMERAS=1 REZIVE_SETTINGS_FILE="$scratch/settings.ini"
export REZIVE_SHARED_NAME="rezive-arm64-$$"
emulator=(qemu-aarch64 -L /)
cam="$build/tools/rezive-cam/rezive-cam"
file -b "$cam" | grep -q 'ARM aarch64' || { echo "$cam is not an arm64 program" >&2; exit 1; }
timeout 120 "${emulator[@]}" "$cam" -q snapshot -o "$scratch/shot.png"
timeout 120 "${emulator[@]}" "$cam" -q record -o "$scratch/clip.avi" --duration 2s
# The still decodes to the camera's full frame; the clip is an AVI with frames in it.
size=$(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0:s=x \
  "$scratch/shot.png")
[ "$size" = 1280x720 ] || { echo "snapshot.png does not decode to 1280 x 720 (${size})" >&2; exit 1; }
frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
  -of csv=p=0 "$scratch/clip.avi")
file -b "$scratch/clip.avi" | grep -q 'AVI' || { echo "clip.avi is not an AVI file" >&2; exit 1; }
[ "${frames:-0}" -gt 0 ] || { echo "clip.avi holds no frame" >&2; exit 1; }
echo "snapshot 1280 x 720 PNG, record ${frames} frames in 2 s (emulated)"
echo "--- arm64: tools ran in $((SECONDS - tools_start)) s; stage ${SECONDS} s"
