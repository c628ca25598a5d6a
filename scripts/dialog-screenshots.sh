#!/usr/bin/env bash
# Writes the screenshots of the property dialogs (English and Japanese, over the live preview)
# into docs/dialogs/ from a Release build: runs the GTK dialog tests on a virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
cmake --build "$build" --target presenters_gtk_tests rezive_presenter_gtk rezive_presenter_x11
mkdir -p docs/dialogs
REZIVE_SCREENSHOT_DIR="$PWD/docs/dialogs" REZIVE_PRESENTER_DIR="$PWD/$build" NO_AT_BRIDGE=1 \
  tests/presenters/run_under_xvfb.sh "$build/tests/presenters/presenters_gtk_tests" \
  --gtest_filter='GtkDialogsTest.*'
ls -l docs/dialogs
