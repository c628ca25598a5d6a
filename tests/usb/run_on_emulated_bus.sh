#!/bin/sh
# Runs a test program with umockdev's preload library, which redirects /sys and /dev/bus/usb to
# the test bed the program makes. A sanitizer runtime then no longer comes first among the
# loaded libraries; that order does not matter here, so its check is turned off. Under
# ThreadSanitizer the libraries of the bus itself (udev, umockdev, GLib) are not checked.
here=$(dirname "$0")
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
export TSAN_OPTIONS="${TSAN_OPTIONS:+$TSAN_OPTIONS:}suppressions=$here/usb_races.supp"
exec umockdev-wrapper "$@"
