#!/usr/bin/env bash
# Sets up, builds and runs every test: the normal build, the same tests built with
# AddressSanitizer and UndefinedBehaviorSanitizer, the Windows cross build under Wine, and the
# Debian package installed and run.
#
# The reliability suite spends most of its time waiting on the disk (every write it checks is
# flushed), so each build's suite runs in the background while the next build compiles; the two
# suites never run at the same time, as each clears the other's leftover mounts.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh

echo "=== The layers: includes point one way"
bash scripts/check-layers.sh

logs=$(mktemp -d "${TMPDIR:-/tmp}/slotkit-test.XXXXXX")
suite_pid=""
suite_name=""

start_suite() {  # PRESET: the preset's reliability suite, in the background
    suite_name=$1
    echo "=== $1 reliability suite (in the background; its log follows when it ends)"
    ctest --preset "$1" -R '^slotkit_reliability_tests$' >"$logs/$1.log" 2>&1 &
    suite_pid=$!
}

finish_suite() {
    [ -n "$suite_pid" ] || return 0
    local status=0
    wait "$suite_pid" || status=$?
    echo "=== $suite_name reliability suite"
    cat "$logs/$suite_name.log"
    suite_pid=""
    if [ "$status" -ne 0 ]; then
        echo "test: the $suite_name reliability suite failed" >&2
        exit "$status"
    fi
}

for preset in release sanitize; do
  echo "=== $preset build"
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  finish_suite
  ctest --preset "$preset" -E '^slotkit_reliability_tests$'
  start_suite "$preset"
done

echo "=== Fuzzing the .DST decoder and the container readers (bounded, 16 s each)"
bash scripts/fuzz.sh 16

echo "=== Windows cross build"
bash scripts/windows-cross.sh

finish_suite

echo "=== Debian package"
bash scripts/package-check.sh
rm -rf "$logs"
