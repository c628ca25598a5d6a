#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the tools need (run as root or with sudo).
# clang and its runtime (libclang-rt-14-dev: the sanitizers and libFuzzer) serve the clang preset.
# XCB builds the X11 preview presenter; Xvfb (xvfb-run needs xauth) runs its tests, x11-apps has
# xwd for screenshots. GTK builds the dialog presenter; a Japanese font lets its tests (and users)
# see the Japanese dialogs. libusb drives the camera over USB; umockdev emulates the USB bus for
# its tests.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg-dev libpng-dev libtiff-dev zlib1g-dev
  libcli11-dev
  ffmpeg
  clang libclang-rt-14-dev
  libusb-1.0-0-dev umockdev libumockdev-dev
  libxcb1-dev libxcb-shm0-dev xvfb xauth x11-apps libgtk-3-dev fonts-ipafont-gothic
)
# The rezivesrc GStreamer element and its tests (videoconvert, pngenc from -base; jpegenc,
# matroskamux, and the README's vp8enc and webmmux from -good; gst-device-monitor-1.0 from
# -base-apps for the device provider's), the rezive Python package and its tests, the Debian
# package (dpkg-dev gives dpkg-shlibdeps, which works out the package's dependencies).
packages+=(
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-tools
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-base-apps
  python3 python3-numpy python3-pytest python3-pip
  dpkg-dev
)
# OpenCV reading the camera through rezivesrc: the Python example and its test (Debian's OpenCV
# is built with GStreamer), and the C++ example (core and videoio only).
packages+=(python3-opencv libopencv-core-dev libopencv-videoio-dev)
# The HTML reference of the header (target `doc`), which CI builds with warnings as errors.
packages+=(doxygen)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
