#!/usr/bin/env bash
# Start-up of the Windows window under Wine: starts slotkit-gui.exe and the bare wxMSW frame
# with the same controls (slotkit_bare_frame.exe) alternately, and reports for each the time
# from the start to its window being shown on the display and the peak memory (resident set
# high-water mark) of the process when the window is up. Both run in one throw-away Wine prefix
# on one virtual X server, whose Wine server is started first and kept running, so neither
# program pays for it.
#
#   bench/windows_startup.sh [ROUNDS]      (default 10; needs build/windows from
#                                           scripts/windows-cross.sh, wine, xvfb, x11-utils)
set -euo pipefail
cd "$(dirname "$0")/.."

rounds=${1:-10}
build=$PWD/build/windows
for exe in slotkit-gui.exe slotkit_bare_frame.exe; do
    [[ -f $build/$exe ]] || {
        echo "windows_startup: $build/$exe is missing: run scripts/windows-cross.sh first" >&2
        exit 1
    }
done

if [[ -z ${SLOTKIT_BENCH_DISPLAY:-} ]]; then
    work=$(mktemp -d /tmp/slotkit-startup.XXXXXX)
    trap 'WINEPREFIX=$work/prefix wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
    # The programs as they are shipped: stripped, as the installer and the zip hold them. Wine
    # reads a MinGW program's whole file into memory, debug information included.
    mkdir "$work/programs"
    for exe in slotkit-gui.exe slotkit_bare_frame.exe; do
        x86_64-w64-mingw32-strip -o "$work/programs/$exe" "$build/$exe"
    done
    export SLOTKIT_BENCH_PROGRAMS=$work/programs
    export WINEPREFIX=$work/prefix WINEDEBUG=-all SLOTKIT_BENCH_DISPLAY=1
    unset DISPLAY
    wineboot -i >/dev/null 2>&1
    wineserver -w
    xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$rounds"
    exit
fi

build=$SLOTKIT_BENCH_PROGRAMS

# Starts one program, waits for its window and prints "milliseconds kibibytes".
measure() {
    local exe=$1 title=$2 start pid shown hwm
    start=$(date +%s%N)
    wine "$build/$exe" >/dev/null 2>&1 &
    pid=$!
    until xwininfo -name "$title" 2>/dev/null | grep -q 'Map State: IsViewable'; do
        sleep 0.01
        kill -0 "$pid" 2>/dev/null || {
            echo "windows_startup: $exe ended before its window showed" >&2
            exit 1
        }
    done
    shown=$(date +%s%N)
    sleep 0.5 # let it paint and settle
    hwm=$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status")
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    # The window must be gone before the next start.
    while xwininfo -name "$title" >/dev/null 2>&1; do sleep 0.05; done
    echo "$(((shown - start) / 1000000)) $hwm"
}

median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

wineserver -p # stays up between the runs
# One run each first: Wine loads its own libraries into the page cache once.
measure slotkit-gui.exe "Q9 Savedata manager <Q9-Slotkit2> - Ver1.40 english" >/dev/null
measure slotkit_bare_frame.exe "slotkit bare frame" >/dev/null

: >/tmp/slotkit-startup-window.$$
: >/tmp/slotkit-startup-bare.$$
for ((i = 0; i < rounds; ++i)); do
    measure slotkit-gui.exe "Q9 Savedata manager <Q9-Slotkit2> - Ver1.40 english" \
        >>/tmp/slotkit-startup-window.$$
    measure slotkit_bare_frame.exe "slotkit bare frame" >>/tmp/slotkit-startup-bare.$$
done

report() {
    local name=$1 file=$2
    local ms kib
    ms=$(cut -d' ' -f1 "$file" | median)
    kib=$(cut -d' ' -f2 "$file" | median)
    printf '%-22s %8s ms %10s KiB   (min %s ms, max %s ms)\n' "$name" "$ms" "$kib" \
        "$(cut -d' ' -f1 "$file" | sort -n | head -n1)" "$(cut -d' ' -f1 "$file" | sort -n | tail -n1)"
    echo "$ms $kib" >"$file.median"
}
echo "medians of $rounds runs each, alternating (time to a shown window, peak resident memory):"
report slotkit-gui.exe /tmp/slotkit-startup-window.$$
report slotkit_bare_frame.exe /tmp/slotkit-startup-bare.$$
read -r wms wkib </tmp/slotkit-startup-window.$$.median
read -r bms bkib </tmp/slotkit-startup-bare.$$.median
awk -v wms="$wms" -v bms="$bms" -v wkib="$wkib" -v bkib="$bkib" 'BEGIN {
    printf "window / bare frame:   time %.2fx, memory %.2fx (target: at most 1.10x each)\n",
        wms / bms, wkib / bkib }'
rm -f /tmp/slotkit-startup-*.$$ /tmp/slotkit-startup-*.$$.median
wineserver -k
