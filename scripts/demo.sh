#!/usr/bin/env bash
# The main job: builds the SDK and runs rezive-cam against the camera (the virtual camera when no
# hardware is attached).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target rezive-cam
out="${REZIVE_DEMO_DIR:-$PWD/demo-output}"
mkdir -p "$out"
build/release/tools/rezive-cam/rezive-cam --version
build/release/tools/rezive-cam/rezive-cam
echo "output folder: $out"
