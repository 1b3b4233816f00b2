#!/usr/bin/env bash
# Cross-builds slotkit for 64-bit Windows (preset "windows"), runs the core tests under Wine and
# drives slotkit.exe over a made-up card. Installs nothing: it needs the Debian packages
# g++-mingw-w64-x86-64, wine and wine64 (and googletest, cmake, ninja-build, libcli11-dev).
# Exits non-zero on the first failure.
set -euo pipefail

cd "$(dirname "$0")/.."
source_dir=$PWD

for tool in x86_64-w64-mingw32-g++-posix wine winepath wineserver cmake ninja; do
    if ! command -v "$tool" >/dev/null; then
        echo "windows-cross: $tool is missing (apt-get install g++-mingw-w64-x86-64 wine wine64)" >&2
        exit 1
    fi
done

work=$(mktemp -d /tmp/slotkit-windows.XXXXXX)
export WINEPREFIX=$work/wine-prefix
export WINEDEBUG=-all
# Console programs need no display; never let Wine open a window on one that happens to be set.
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

echo "== configure and build (build/windows)"
cmake --preset windows
cmake --build --preset windows -j2

echo "== core tests under Wine"
ctest --preset windows -j2

echo "== slotkit.exe over a made-up card"
exe=$source_dir/build/windows/slotkit.exe
run() { wine "$exe" "$@"; }
fail() {
    echo "windows-cross: $*" >&2
    exit 1
}

card=$work/card
pc=$work/pc
mkdir -p "$card/NDSSAVE" "$pc"
head -c 263168 /dev/zero >"$card/NDSSAVE/ZERO.DAT"
wcard=$(winepath -w "$card")
wpc=$(winepath -w "$pc")

version=$(run --version | tr -d '\r')
[[ $version == "slotkit "* ]] || fail "--version printed '$version'"

listing=$(run -c "$wcard" list | tr -d '\r')
[[ $(wc -l <<<"$listing") -eq 100 ]] || fail "list did not print 100 rows"
[[ $(head -n1 <<<"$listing") == $'00\tZERO.DAT\tNot used\t'* ]] ||
    fail "first row: $(head -n1 <<<"$listing")"
[[ $(sed -n 2p <<<"$listing") == $'01\t\tFile not found.\t' ]] ||
    fail "second row: $(sed -n 2p <<<"$listing")"

status=0
run list >/dev/null 2>&1 || status=$?
[[ $status -eq 2 ]] || fail "list without --card exited with $status, not 2"

run drives >/dev/null || fail "drives failed"

# Back the slot up, change the copy, restore it, and find the card holding the new bytes.
run -c "$wcard" backup 0 "$wpc\\ZERO.DAT" || fail "backup failed"
cmp "$card/NDSSAVE/ZERO.DAT" "$pc/ZERO.DAT" || fail "the backup differs from the slot"
printf 'SLOTKIT' | dd of="$pc/ZERO.DAT" conv=notrunc status=none
run -c "$wcard" restore ZERO.DAT "$wpc\\ZERO.DAT" || fail "restore failed"
cmp "$card/NDSSAVE/ZERO.DAT" "$pc/ZERO.DAT" || fail "the restored slot differs from its source"

run -c "$wcard" rename 0 renamed || fail "rename failed"
[[ -f $card/NDSSAVE/renamed.DAT ]] || fail "rename did not give renamed.DAT"
run -c "$wcard" --yes delete renamed.DAT || fail "delete failed"
[[ -z $(ls -A "$card/NDSSAVE") ]] || fail "files left in NDSSAVE: $(ls -A "$card/NDSSAVE")"

echo "windows-cross: the cross build, its tests and slotkit.exe passed under Wine"
