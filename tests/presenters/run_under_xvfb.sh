#!/bin/sh
# Runs a test program on a private virtual X server with a 1600 x 900 screen (kept from resetting
# when the last client leaves, as it would between two tests); exit 77 (skipped)
# where no virtual X server is installed.
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "xvfb-run not found: display tests skipped" >&2
  exit 77
fi
exec xvfb-run -a -s "-screen 0 1600x900x24 -nolisten tcp -noreset" "$@"
