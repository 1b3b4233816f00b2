#!/usr/bin/env bash
# Installs what slotkit needs to build, run and test on Debian 12. Run as root.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  libwxgtk3.2-dev libcli11-dev
  # the drives, their mounts and ejects through GIO; the desktop's disk service for its test
  libglib2.0-dev udisks2 dbus udev
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth imagemagick fonts-dejavu-core
  # the Windows cross build, run under Wine, and the Debian package
  g++-mingw-w64-x86-64 wine wine64 dpkg-dev file
  # the Windows installer (makensis), and its check under Wine: the zip unpacked, the window
  # found on the virtual display (xwininfo)
  nsis unzip x11-utils
  # the fault suite: injected I/O errors, FAT images mounted through FUSE, dropped privileges
  libfiu-dev fiu-utils dosfstools mtools fusefat fuse util-linux
  # the crash replay: Debian's kernel booted under QEMU with busybox, the card behind QEMU's
  # write log (the kernel itself is fetched with apt-get download into /var/cache/slotkit)
  qemu-system-x86 busybox-static xz-utils
)

if [ "$(id -u)" -ne 0 ]; then
  echo "setup-debian.sh installs packages: run it as root (or with sudo)." >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends "${packages[@]}" "$@"
