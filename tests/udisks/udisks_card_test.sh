#!/usr/bin/env bash
# A card through the desktop's disk service: the system bus, udevd and udisksd started here
# (where they do not run yet), a FAT image attached as a loop device, seen by the service, then
# mounted, listed by `slotkit drives` and ejected by `slotkit eject` where the kernel can mount
# FAT, and detached again. Exit 77 (skipped) where the machine cannot run it.
set -uo pipefail
slotkit=$1
skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*" >&2; exit 1; }

[ "$(id -u)" -eq 0 ] || skip "needs root to start the system's services and attach a loop device"
for tool in dbus-daemon udisksctl gdbus mkfs.fat /usr/libexec/udisks2/udisksd; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/setup-debian.sh)"
done

started=()
cleanup() {
  [ -n "${loop:-}" ] && udisksctl loop-delete --no-user-interaction -b "$loop" >/dev/null 2>&1
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null; done
  rm -rf "$work"
}
work=$(mktemp -d)
trap cleanup EXIT

on_bus() {
  gdbus call --system --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner "$1" 2>/dev/null | grep -q true
}
if ! gdbus call --system --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.GetId >/dev/null 2>&1; then
  mkdir -p /run/dbus
  # A bus stopped before leaves its pid file, which would keep a new one from starting.
  if [ -f /run/dbus/pid ] && ! kill -0 "$(cat /run/dbus/pid)" 2>/dev/null; then
    rm -f /run/dbus/pid
  fi
  dbus-daemon --system --fork --print-pid >"$work/dbus.pid" 2>"$work/dbus.err" ||
    skip "the system bus does not start: $(cat "$work/dbus.err")"
  started+=("$(cat "$work/dbus.pid")")
fi
if ! pgrep -x systemd-udevd >/dev/null && [ -x /lib/systemd/systemd-udevd ]; then
  /lib/systemd/systemd-udevd >"$work/udevd.log" 2>&1 &
  started+=("$!")
fi
if ! on_bus org.freedesktop.UDisks2; then
  /usr/libexec/udisks2/udisksd --no-debug >"$work/udisksd.log" 2>&1 &
  started+=("$!")
  for _ in $(seq 50); do on_bus org.freedesktop.UDisks2 && break; sleep 0.2; done
  on_bus org.freedesktop.UDisks2 || skip "udisksd does not start: $(tail -3 "$work/udisksd.log")"
fi

objects() {
  gdbus call --system --dest org.freedesktop.UDisks2 --object-path /org/freedesktop/UDisks2 \
    --method org.freedesktop.DBus.ObjectManager.GetManagedObjects
}

truncate -s 16M "$work/card.img"
mkfs.fat -n SLOTCARD "$work/card.img" >/dev/null
said=$(udisksctl loop-setup --no-user-interaction -f "$work/card.img" 2>&1) ||
  skip "no loop device: $said"
loop=$(sed -n 's/.* as \(\/dev\/loop[0-9]*\)\.$/\1/p' <<<"$said")
[ -n "$loop" ] || fail "loop-setup said: $said"
name=${loop#/dev/}
seen=""
for _ in $(seq 50); do
  objects | grep -q "block_devices/$name'.*'IdLabel': <'SLOTCARD'>" && { seen=1; break; }
  sleep 0.2
done
[ -n "$seen" ] || fail "udisks did not see the FAT card on $loop"
echo "seen: $loop with the FAT file system SLOTCARD"

if mounted=$(udisksctl mount --no-user-interaction -b "$loop" 2>&1); then
  folder=$(sed -n 's/^Mounted .* at \(.*\)$/\1/p' <<<"$mounted" | sed 's/\.$//')
  "$slotkit" drives | grep -qx "$folder/" || fail "slotkit drives does not offer $folder/"
  out=$("$slotkit" eject --card "$folder" 2>&1) || fail "eject: $out"
  [ "$out" = "Eject the card: The card can be taken out." ] || fail "eject said: $out"
  grep -q " $folder " /proc/self/mounts && fail "$folder is still mounted after the eject"
  echo "mounted at $folder, offered and ejected"
else
  echo "not run: mounting the card ($mounted)"
fi

udisksctl loop-delete --no-user-interaction -b "$loop" >/dev/null 2>&1 || fail "loop-delete"
loop=""
gone=""
for _ in $(seq 50); do
  objects | grep -q "block_devices/$name'.*'IdLabel': <'SLOTCARD'>" || { gone=1; break; }
  sleep 0.2
done
[ -n "$gone" ] || fail "udisks still sees the card after it was detached"
echo "seen: the card detached"
