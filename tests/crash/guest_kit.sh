#!/usr/bin/env bash
# Makes the crash replay's guest: Debian's own kernel, unpacked (not installed) into a cache that
# later runs reuse, and an initramfs with busybox, the FAT and virtio modules of that kernel and
# the slotkit binary with the libraries it loads. The harness appends a second archive with the
# boot's /init, its cards' mount points and the PC files the commands read.
#
#   guest_kit.sh CACHE SLOTKIT_BINARY OUT_DIR
#
# OUT_DIR receives `kernel` and `base.cpio`. Every failure says why and exits non-zero: the
# harness fails loudly rather than pass without a guest.
set -euo pipefail

cache=$1 slotkit=$2 out=$3
fail() { echo "guest_kit: $*" >&2; exit 1; }

for tool in qemu-system-x86_64 busybox xz dpkg ldd; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup-debian.sh installs it)"
done
[ -x "$slotkit" ] || fail "no slotkit binary at $slotkit"
mkdir -p "$cache" "$out"

# The kernel that linux-image-amd64 names today; a cache from an earlier run is used as it is.
unpacked=$cache/root
if ! ls "$unpacked"/boot/vmlinuz-* >/dev/null 2>&1; then
  package=$(apt-cache depends linux-image-amd64 2>/dev/null |
            awk '/Depends: linux-image-[0-9]/ {print $2; exit}')
  [ -n "$package" ] || fail "apt-cache names no kernel for linux-image-amd64 (run apt-get update)"
  (cd "$cache" && rm -f ./*.deb && apt-get download "$package" >/dev/null 2>&1) ||
    fail "apt-get download $package failed"
  rm -rf "$unpacked.part"
  dpkg -x "$cache"/"$package"_*.deb "$unpacked.part" || fail "dpkg -x failed"
  mv "$unpacked.part" "$unpacked"
fi
kernel=$(ls "$unpacked"/boot/vmlinuz-* | head -n 1)
modules=$(dirname "$(ls -d "$unpacked"/lib/modules/*/kernel)")
# The bzImage decompresses itself, which takes seconds under TCG. Its payload is an ELF kernel
# that QEMU starts directly (PVH entry): the xz stream inside, unpacked once into the cache.
vmlinux=$cache/vmlinux-$(basename "$kernel" | sed 's/^vmlinuz-//')
if [ ! -s "$vmlinux" ]; then
  offset=$(LC_ALL=C grep -obUaP '\xfd7zXZ\x00' "$kernel" | awk -F: 'NR == 1 {print $1}')
  # xz stops at the padding after the stream and says so; the ELF header decides.
  [ -n "$offset" ] && { tail -c +$((offset + 1)) "$kernel" | xz -dc >"$vmlinux.part" 2>/dev/null || true; }
  if [ -s "$vmlinux.part" ] && [ "$(head -c 4 "$vmlinux.part" | od -An -c | tr -d ' ')" = '177ELF' ]; then
    mv "$vmlinux.part" "$vmlinux"
  else
    rm -f "$vmlinux.part"
    vmlinux=$kernel  # the bzImage boots too, only slower
  fi
fi
ln -sf "$vmlinux" "$out/kernel"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage"/{bin,dev,proc,sys,mnt,tmp,modules}
cp "$(command -v busybox)" "$stage/bin/busybox"
file "$stage/bin/busybox" 2>/dev/null | grep -q 'statically linked' ||
  ldd "$stage/bin/busybox" 2>&1 | grep -q 'not a dynamic' || fail "busybox is not static (busybox-static)"

# Load order: each module after the ones it needs.
n=0
for name in virtio_ring virtio virtio_pci_legacy_dev virtio_pci_modern_dev virtio_pci virtio_blk \
            fat vfat nls_cp437 nls_ascii nls_iso8859-1 nls_utf8; do
  found=$(find "$modules" -name "$name.ko" -o -name "$name.ko.xz" | head -n 1)
  if [ -z "$found" ]; then
    # Some kernels build a module in; the guest then has it without loading it.
    grep -q "/$name.ko" "$modules/modules.builtin" 2>/dev/null && continue
    fail "module $name is neither in $modules nor built in"
  fi
  n=$((n + 1))
  target=$(printf '%s/modules/%02d-%s.ko' "$stage" "$n" "$name")
  case $found in
    *.xz) xz -dc "$found" >"$target" ;;
    *) cp "$found" "$target" ;;
  esac
done

mkdir -p "$stage/usr/bin"
# Without its debug information the binary is a fifth of the size the guest unpacks.
strip -o "$stage/usr/bin/slotkit" "$slotkit" 2>/dev/null || cp "$slotkit" "$stage/usr/bin/slotkit"
ldd "$slotkit" | awk '$2 == "=>" && $3 ~ /^\// {print $3} $1 ~ /^\// {print $1}' | while read -r lib; do
  mkdir -p "$stage$(dirname "$lib")"
  cp -L "$lib" "$stage$lib"
done

(cd "$stage" && find . | busybox cpio -o -H newc 2>/dev/null) >"$out/base.cpio" ||
  fail "cpio failed"
