#!/usr/bin/env bash
# Builds the header's HTML reference (a Doxygen warning fails it), then builds and runs every
# test: the Release build and the ASan+UBSan build run the whole suite, the ThreadSanitizer build
# runs the threaded, stress, display and USB tests (and builds only their executables), the
# Release build runs the kernel and end-to-end tests again on the baseline kernels; then the
# clang build (which checks the locking annotations of the library and the presenter modules)
# runs every fuzz target for REZIVE_FUZZ_SECONDS each (scripts/fuzz.sh), and the arm64 cross
# build runs its tests under qemu-user (scripts/arm64.sh). Each stage's time is printed as it
# ends and again at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS=0
timings=()
stage_name=""
stage_start=0
# stage "<name>" ends the running stage and starts the next; stage "" ends the last one.
stage() {
  if [ -n "$stage_name" ]; then
    timings+=("$(printf '%5d s  %s' $((SECONDS - stage_start)) "$stage_name")")
    echo "--- ${stage_name}: $((SECONDS - stage_start)) s"
  fi
  stage_name="$1"
  stage_start=$SECONDS
  if [ -n "$stage_name" ]; then echo "=== ${stage_name} ($(date -u +%H:%M:%S) UTC)"; fi
}
report() {
  stage ""
  echo "=== stage times"
  printf '%s\n' "${timings[@]}"
  printf '%5d s  in all\n' "$SECONDS"
}
trap report EXIT

stage "install the packages"
scripts/install-deps.sh
jobs=$(nproc)
# The HTML reference of the public header comes first: seconds, and any Doxygen warning fails it.
stage "release: HTML reference of the header"
cmake --preset release >/dev/null
cmake --build --preset release --target doc
for preset in release asan tsan; do
  stage "${preset}: configure and build"
  cmake --preset "$preset" >/dev/null
  if [ "$preset" = tsan ]; then
    # Only the executables of the labels its test preset runs (the configure step lists them).
    mapfile -t targets < <(cat build/tsan/test-targets/{threaded,stress,display,usb}.txt | sort -u)
    ((${#targets[@]})) || { echo "no test executables listed for the tsan labels" >&2; exit 1; }
    cmake --build --preset "$preset" -j "$jobs" --target "${targets[@]}"
  else
    cmake --build --preset "$preset" -j "$jobs"
  fi
done
for preset in release asan tsan; do
  stage "${preset}: tests"
  ctest --preset "$preset"
done
# The recording past 4 GiB (label long: about 20 s and 4.5 GB of scratch disk) in Release only.
stage "release: the recording past 4 GiB"
ctest --preset long
# The runs above take the wide-vector kernels where the CPU has them; the kernel and end-to-end
# tests run once more on the baseline kernels, which every other CPU gets.
stage "release: kernel and end-to-end tests on the baseline kernels"
REZIVE_FORCE_BASELINE=1 ctest --preset release -L '^(imaging|api)$' -LE '^(threaded|stress|long)$'
stage "clang: fuzz targets"
scripts/fuzz.sh
stage "arm64: cross build and tests under qemu-user"
scripts/arm64.sh
