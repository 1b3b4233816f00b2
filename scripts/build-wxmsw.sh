#!/usr/bin/env bash
# Builds a static wxWidgets 3.2 for 64-bit Windows (wxMSW, MinGW-w64 with POSIX threads) from
# Debian's own source package, with only what the slotkit window uses, and installs it into a
# cache keyed by version:
#
#   /var/cache/slotkit/wxmsw-<version>-x86_64-w64-mingw32   (SLOTKIT_WXMSW_CACHE overrides the
#                                                            parent folder)
#
# A complete cache (it holds a .complete stamp, written last) makes this script a no-op. Anything
# else is built again from scratch in a temporary folder beside the cache and moved into place only
# when the build and install both succeeded, so a broken or half-built cache is never used.
#
# The source comes from Debian's archive only, through a private apt configuration (its own
# sources list with deb-src entries, its own lists and cache folders under the cache folder); the
# machine's apt sources are not touched. Every file is checked against the checksums of the .dsc
# before it is unpacked, and a mismatch stops the script.
#
# Prints the install folder on its last line. Needs: apt, dpkg-dev, g++-mingw-w64-x86-64, make.
set -euo pipefail

target=x86_64-w64-mingw32
cache_root=${SLOTKIT_WXMSW_CACHE:-/var/cache/slotkit}
# The version we build; Debian 12 carries 3.2.2. Another version of the source package can be
# asked for with SLOTKIT_WXMSW_VERSION (a Debian version, such as 3.2.2+dfsg-2).
debian_version=${SLOTKIT_WXMSW_VERSION:-3.2.2+dfsg-2}
upstream_version=${debian_version%%+*}
upstream_version=${upstream_version%%-*}
prefix=$cache_root/wxmsw-$upstream_version-$target
jobs=${SLOTKIT_JOBS:-2}

say() { echo "build-wxmsw: $*" >&2; }
die() {
    say "$*"
    exit 1
}

complete() {
    [[ -f $prefix/.complete && -x $prefix/bin/wx-config && -d $prefix/include/wx-3.2 ]] &&
        "$prefix/bin/wx-config" --prefix="$prefix" --version >/dev/null 2>&1
}

if complete; then
    say "using the cached wxMSW in $prefix"
    echo "$prefix"
    exit 0
fi

for tool in apt-get dpkg-source $target-gcc-posix $target-g++-posix $target-windres make sha256sum; do
    command -v "$tool" >/dev/null || die "$tool is missing (apt-get install dpkg-dev g++-mingw-w64-x86-64 make)"
done

mkdir -p "$cache_root"
# Only one build at a time for this cache folder.
exec 9>"$cache_root/.wxmsw-$upstream_version.lock"
flock 9
if complete; then
    echo "$prefix"
    exit 0
fi
if [[ -e $prefix ]]; then
    say "the cache in $prefix is incomplete: building it again"
    rm -rf "$prefix"
fi

work=$(mktemp -d "$cache_root/.wxmsw-build.XXXXXX")
trap 'rm -rf "$work"' EXIT

# --- the source, from Debian's archive through a private apt configuration ---------------------
apt_dir=$cache_root/apt
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/etc"
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
[[ -f $keyring ]] || die "$keyring is missing (apt-get install debian-archive-keyring)"
# The same suites the machine installs from (Debian 12), as source entries.
cat >"$apt_dir/etc/sources.list" <<EOF
deb-src [signed-by=$keyring] http://deb.debian.org/debian bookworm main
deb-src [signed-by=$keyring] http://deb.debian.org/debian bookworm-updates main
deb-src [signed-by=$keyring] http://deb.debian.org/debian-security bookworm-security main
EOF
apt_options=(
    -o "Dir::Etc::SourceList=$apt_dir/etc/sources.list"
    -o "Dir::Etc::SourceParts=$apt_dir/etc/sources.list.d"
    -o "Dir::State::Lists=$apt_dir/lists"
    -o "Dir::Cache=$apt_dir/cache"
    -o "Dir::Cache::pkgcache=" -o "Dir::Cache::srcpkgcache="
    -o "APT::Sandbox::User=root"
)
mkdir -p "$apt_dir/etc/sources.list.d"
say "fetching the source index of Debian 12"
apt-get "${apt_options[@]}" -qq update
say "fetching wxwidgets3.2 $debian_version"
(cd "$work" && apt-get "${apt_options[@]}" -qq --download-only source "wxwidgets3.2=$debian_version") ||
    die "apt-get source could not fetch wxwidgets3.2=$debian_version from Debian's archive"

dsc=$(find "$work" -maxdepth 1 -name 'wxwidgets3.2_*.dsc' | head -n1)
[[ -n $dsc ]] || die "no .dsc was downloaded"
# Every file the .dsc names must be present and have the SHA-256 it states.
checked=0
while read -r sum _ name; do
    [[ -f $work/$name ]] || die "$name, named in $(basename "$dsc"), was not downloaded"
    actual=$(sha256sum "$work/$name" | cut -d' ' -f1)
    [[ $actual == "$sum" ]] ||
        die "checksum mismatch for $name: the .dsc says $sum, the file has $actual. Stopping."
    checked=$((checked + 1))
done < <(sed -n '/^Checksums-Sha256:/,/^[^ ]/{/^ /p}' "$dsc")
((checked > 0)) || die "$(basename "$dsc") lists no SHA-256 checksums"
say "$checked source files match $(basename "$dsc")"
# dpkg-source checks the same sums again while it unpacks (and the signature, when it can).
(cd "$work" && dpkg-source -x "$(basename "$dsc")" src >/dev/null) ||
    die "dpkg-source could not unpack $(basename "$dsc")"

# --- configure and build ------------------------------------------------------------------------
staging=$work/install
mkdir -p "$work/build"
cd "$work/build"
say "configuring (log: $work/build/config.log)"
# Only the base and core libraries: the window uses dialogs, buttons, static texts and boxes,
# radio buttons, a list control, an owner-drawn combo box, a menu, and file and folder dialogs.
# Icons are XPM and ICO, so no image library; nothing that reads XML, HTML or network protocols.
../src/configure \
    --host=$target --build="$(gcc -dumpmachine)" --prefix="$staging" \
    CC=$target-gcc-posix CXX=$target-g++-posix RANLIB=$target-ranlib AR=$target-ar \
    WINDRES=$target-windres CFLAGS="-O2" CXXFLAGS="-O2" \
    --with-msw --disable-shared --enable-unicode --disable-debug_info \
    --disable-precomp-headers --disable-dependency-tracking \
    --without-libpng --without-libjpeg --without-libtiff --without-liblzma \
    --without-zlib --without-expat --without-regex --without-nanosvg --without-opengl \
    --without-libcurl --without-libiconv --without-sdl \
    --disable-xrc --disable-html --disable-webview --disable-mediactrl --disable-stc \
    --disable-aui --disable-ribbon --disable-propgrid --disable-richtext \
    --disable-webrequest --disable-sockets --disable-ipv6 --disable-protocols --disable-url \
    --disable-fs_inet --disable-fs_zip --disable-fs_archive --disable-zipstream \
    --disable-tarstream --disable-svg --disable-gif --disable-pcx \
    --disable-tga --disable-iff --disable-pnm --disable-debugreport --disable-help \
    --disable-mshtmlhelp --disable-htmlhelp --disable-joystick --disable-sound \
    --disable-printarch --disable-postscript --disable-webviewie --disable-webviewedge \
    --disable-calendar --disable-datepick --disable-timepick --disable-grid --disable-dataviewctrl \
    --disable-treelist --disable-richtooltip --disable-notifmsg --disable-taskbaricon \
    --disable-addremovectrl --disable-animatectrl \
    --disable-bannerwindow --disable-commandlinkbutton --disable-editablebox \
    --disable-rearrangectrl --disable-hyperlink --disable-sash --disable-splash \
    --disable-tipwindow --disable-wizarddlg \
    >"$work/configure.out" 2>&1 || {
    tail -n 30 "$work/configure.out" >&2
    die "configure failed"
}
say "building with $jobs jobs (the first run takes about 15 minutes on two cores)"
make -j"$jobs" >"$work/make.out" 2>&1 || {
    tail -n 40 "$work/make.out" >&2
    die "the build failed"
}
make install >"$work/install.out" 2>&1 || {
    tail -n 20 "$work/install.out" >&2
    die "make install failed"
}

# make install leaves bin/wx-config as an absolute link into the staging folder; make it relative
# so that wx-config works from wherever the folder is, and point its prefix at the final place.
config=$(basename "$(readlink "$staging/bin/wx-config")")
[[ -f $staging/lib/wx/config/$config ]] || die "make install left no wx-config"
ln -sfn "../lib/wx/config/$config" "$staging/bin/wx-config"
sed -i "s|$staging|$prefix|g" "$staging/lib/wx/config/$config"
cp "$work"/*.dsc "$staging/"
printf 'wxwidgets3.2 %s\n' "$debian_version" >"$staging/.complete"

rm -rf "$prefix"
mv "$staging" "$prefix"
complete || die "the installed wxMSW in $prefix does not answer wx-config"
say "wxMSW $upstream_version installed in $prefix"
echo "$prefix"
