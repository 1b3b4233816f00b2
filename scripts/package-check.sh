#!/usr/bin/env bash
# Builds the Debian package from the release preset, installs it with apt, checks that the
# installed slotkit runs and lists a made-up card, then removes the package again.
# Needs root (apt-get install/remove) and dpkg-dev (dpkg-shlibdeps). Exits non-zero on failure.
set -euo pipefail

cd "$(dirname "$0")/.."

fail() {
    echo "package-check: $*" >&2
    exit 1
}

# A run that was cut short may have left its package behind.
if dpkg-query -W -f='${Status}' slotkit 2>/dev/null | grep -q 'install ok installed'; then
    echo "package-check: removing the slotkit package left by an earlier run"
    apt-get remove -y slotkit
fi

echo "== build the package (build/release)"
cmake --preset release
cmake --build --preset release -j2
packages=build/release/packages
rm -f "$packages"/slotkit_*.deb
cmake --build --preset release --target package
debs=("$packages"/slotkit_*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || fail "expected one slotkit_*.deb in $packages"
deb=${debs[0]}
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb"

work=$(mktemp -d /tmp/slotkit-package.XXXXXX)
installed=no
cleanup() {
    if [[ $installed == yes ]]; then
        apt-get remove -y slotkit >/dev/null || echo "package-check: could not remove slotkit" >&2
    fi
    rm -rf "$work"
}
trap cleanup EXIT

echo "== install $deb"
installed=yes
(cd "$packages" && DEBIAN_FRONTEND=noninteractive apt-get install -y "./$(basename "$deb")")

[[ $(command -v slotkit) == /usr/bin/slotkit ]] || fail "slotkit is not /usr/bin/slotkit"
[[ -f /usr/share/man/man1/slotkit.1.gz ]] || fail "the manual page is not installed"
if dpkg-deb --contents "$deb" | grep -q './usr/bin/slotkit-gui$'; then
    for file in /usr/share/applications/slotkit.desktop \
        /usr/share/icons/hicolor/48x48/apps/slotkit.png \
        /usr/share/icons/hicolor/scalable/apps/slotkit.svg; do
        [[ -f $file ]] || fail "$file is not installed"
    done
    dpkg-deb --field "$deb" Depends | grep -q 'libwx' || fail "the package does not depend on wx"
fi

version=$(slotkit --version | sed -n 1p)
[[ $version == "slotkit $(sed -n 's/^project(slotkit VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)" ]] ||
    fail "slotkit --version printed '$version'"
[[ $(slotkit --version) == *GPL-3.0-or-later* ]] || fail "slotkit --version does not name its licence"
[[ -f /usr/share/doc/slotkit/copyright ]] || fail "the package has no copyright file"

mkdir -p "$work/card/NDSSAVE"
head -c 263168 /dev/zero >"$work/card/NDSSAVE/ZERO.DAT"
listing=$(slotkit -c "$work/card" list </dev/null)
[[ $(wc -l <<<"$listing") -eq 100 ]] || fail "list did not print 100 rows"
[[ $(head -n1 <<<"$listing") == $'00\tZERO.DAT\tNot used\t'* ]] ||
    fail "first row: $(head -n1 <<<"$listing")"
[[ $(tail -n1 <<<"$listing") == $'99\t\tFile not found.\t' ]] ||
    fail "last row: $(tail -n1 <<<"$listing")"

echo "== remove the package"
apt-get remove -y slotkit
installed=no
[[ ! -e /usr/bin/slotkit ]] || fail "/usr/bin/slotkit is still there after the removal"

echo "package-check: the package built, installed, ran and was removed"
