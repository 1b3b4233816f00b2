#!/usr/bin/env bash
# Sets up, builds and runs every test: the normal build, the same tests built with
# AddressSanitizer and UndefinedBehaviorSanitizer, the Windows cross build under Wine, and the
# Debian package installed and run.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh

for preset in release sanitize; do
  echo "=== $preset build"
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

echo "=== Fuzzing the .DST decoder and the container readers (bounded, 16 s each)"
bash scripts/fuzz.sh 16

echo "=== Windows cross build"
bash scripts/windows-cross.sh

echo "=== Debian package"
bash scripts/package-check.sh
