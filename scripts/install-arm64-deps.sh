#!/usr/bin/env bash
# Installs what the arm64 cross build and its tests need (run as root or with sudo): Debian's
# aarch64 cross compiler, the libraries of the Release build as :arm64 (multiarch) packages, and
# qemu-user, which runs the arm64 binaries here, and file, which checks what the stage built and
# recorded (it is not in a minimal image). The display presenters, the GStreamer element
# and the Python package are not built for arm64 here, so their packages stay x86-64 only, and
# neither is umockdev: its -dev package is one architecture at a time, and its :arm64 build would
# replace the x86-64 one the USB tests of the native builds need.
set -euo pipefail
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
packages=(
  g++-aarch64-linux-gnu qemu-user
  file
  libc6:arm64 libstdc++6:arm64
  libgtest-dev:arm64 libgmock-dev:arm64
  libjpeg-dev:arm64 libpng-dev:arm64 libtiff-dev:arm64 zlib1g-dev:arm64
  libusb-1.0-0-dev:arm64
)
dpkg --print-foreign-architectures | grep -qx arm64 || $sudo dpkg --add-architecture arm64
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  # Another apt run on the machine holds the lock for a while: wait for it rather than fail.
  apt=(-o DPkg::Lock::Timeout=600)
  $sudo apt-get "${apt[@]}" update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get "${apt[@]}" install -y -qq --no-install-recommends \
    "${missing[@]}"
fi
