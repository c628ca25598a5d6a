#!/usr/bin/env bash
# Builds and runs every test: the Release build and the ASan+UBSan build run the whole suite,
# the ThreadSanitizer build runs the threaded and stress tests; then the clang build (which checks
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
scripts/fuzz.sh
