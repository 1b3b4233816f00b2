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

echo "=== Fuzzing the .DST decoder (bounded)"
bash scripts/fuzz-dst.sh 60

echo "=== Windows cross build"
bash scripts/windows-cross.sh

echo "=== Debian package"
bash scripts/package-check.sh
