#!/bin/sh
# Builds every libFuzzer target with the `fuzz` preset (clang, libFuzzer, ASan, UBSan) and runs
# each for a bounded time on a copy of its committed corpus, so the run never adds files to the
# source tree. No allocation may be larger than 64 MB: a size read from a file must never decide
# how much is allocated.
#
#   scripts/fuzz.sh [SECONDS PER TARGET] [TARGET...]   (default 16; all targets)
set -eu

seconds=${1:-16}
[ $# -gt 0 ] && shift
targets=${*:-"dst_decoder nocash desmume action_replay sharkport gameshark_sp foreign_save
    ds_header ds_banner gba_header gba_save_type"}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

cmake --preset fuzz
for target in $targets; do
    cmake --build --preset fuzz --target "${target}_fuzz" -j2
done

work=$(mktemp -d "${TMPDIR:-/tmp}/slotkit-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
for target in $targets; do
    corpus=$target
    [ "$target" = dst_decoder ] && corpus=dst
    mkdir -p "$work/$target/corpus" "$work/$target/artifacts"
    cp fuzz/corpus/"$corpus"/* "$work/$target/corpus/"
    echo "=== fuzz: $target, $seconds s"
    # 16 KiB of input is enough to run past the .DST decoder's buffer with runs, to reach
    # every field of the containers' headers and to hold a DS banner of any version.
    if ! build/fuzz/fuzz/"${target}_fuzz" -max_total_time="$seconds" -max_len=16384 \
            -malloc_limit_mb=64 -artifact_prefix="$work/$target/artifacts/" \
            -print_final_stats=1 "$work/$target/corpus"; then
        echo "fuzz: $target failed; the input that did it:" >&2
        mkdir -p build/fuzz/artifacts
        cp "$work/$target"/artifacts/* build/fuzz/artifacts/ 2>/dev/null || true
        ls -l build/fuzz/artifacts >&2 || true
        exit 1
    fi
done
