#!/bin/sh
# Builds the .DST decoder's fuzz target with the `fuzz` preset (clang, libFuzzer, ASan, UBSan)
# and runs it for a bounded time on a copy of the committed corpus, so the run never adds files
# to the source tree.
#
#   scripts/fuzz-dst.sh [SECONDS]     (default 60)
set -eu

seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

cmake --preset fuzz
cmake --build --preset fuzz --target dst_decoder_fuzz -j2

work=$(mktemp -d "${TMPDIR:-/tmp}/slotkit-fuzz-dst.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
mkdir "$work/corpus" "$work/artifacts"
cp fuzz/corpus/dst/* "$work/corpus/"

# Coded data of 16 KiB is enough to run past the decoder's buffer with runs.
if ! build/fuzz/fuzz/dst_decoder_fuzz -max_total_time="$seconds" -max_len=16384 \
        -artifact_prefix="$work/artifacts/" -print_final_stats=1 "$work/corpus"; then
    echo "fuzz-dst: the decoder failed; the input that did it:" >&2
    mkdir -p build/fuzz/artifacts
    cp "$work"/artifacts/* build/fuzz/artifacts/ 2>/dev/null || true
    ls -l build/fuzz/artifacts >&2 || true
    exit 1
fi
