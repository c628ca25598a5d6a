#!/usr/bin/env bash
# Builds and runs every test: the Release build and the ASan+UBSan build run the whole suite,
# the ThreadSanitizer build runs the threaded and stress tests, the Release build runs the kernel
# and end-to-end tests again on the baseline kernels; then the clang build (which checks
# the locking annotations) runs every fuzz target for REZIVE_FUZZ_SECONDS each (scripts/fuzz.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)
for preset in release asan tsan; do
  echo "=== ${preset}: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done
for preset in release asan tsan; do
  echo "=== ${preset}: tests"
  ctest --preset "$preset"
done
# The recording past 4 GiB (label long: about 20 s and 4.5 GB of scratch disk) in Release only.
echo "=== release: the recording past 4 GiB"
ctest --preset long
# The runs above take the wide-vector kernels where the CPU has them; the kernel and end-to-end
# tests run once more on the baseline kernels, which every other CPU gets.
echo "=== release: kernel and end-to-end tests on the baseline kernels"
REZIVE_FORCE_BASELINE=1 ctest --preset release -L '^(imaging|api)$' -LE '^(threaded|stress|long)$'
scripts/fuzz.sh
