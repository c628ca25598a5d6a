#!/usr/bin/env bash
# The main job: builds the SDK and rezive-cam, then runs a short demo against the virtual camera
# (the emulated 417DIR that needs no hardware): lists the camera, saves a PNG and a JPEG,
# records a 2 s AVI and prints where the files are. Installs the Debian packages it needs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target rezive-cam
cam=build/release/tools/rezive-cam/rezive-cam
out="${REZIVE_DEMO_DIR:-$PWD/demo-output}"
mkdir -p "$out"

# --virtual: the demo always uses the virtual camera, even where a camera is attached.
echo "== cameras"
"$cam" --virtual list
echo "== camera information"
"$cam" --virtual info
echo "== a PNG and a JPEG"
"$cam" --virtual snapshot -o "$out/rezive-demo.png"
"$cam" --virtual snapshot -o "$out/rezive-demo.jpg" --format jpeg
echo "== a 2 s recording"
"$cam" --virtual record -o "$out/rezive-demo.avi" --duration 2s
echo
echo "Demo files are in $out:"
ls -l "$out"/rezive-demo.png "$out"/rezive-demo.jpg "$out"/rezive-demo.avi
