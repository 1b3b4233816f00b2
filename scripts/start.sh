#!/usr/bin/env bash
# Sets up, builds and starts the slotkit window.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh
cmake --preset release
cmake --build --preset release --target slotkit slotkit-gui

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "There is no display here to open the window on."
  echo "The command line works without one: $(pwd)/build/release/slotkit --help"
  exit 1
fi
exec build/release/slotkit-gui
