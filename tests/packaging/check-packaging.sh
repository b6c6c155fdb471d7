#!/usr/bin/env bash
# Validates the desktop entry and the AppStream metainfo, builds the Debian
# package from the binaries already built, unpacks it and runs the tool from it.
# Usage: check-packaging.sh SOURCE_DIR BUILD_DIR BUILT_KELVRA_FLASH
set -euo pipefail

src=$1
build=$2
built_flash=$3

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
skip() {
    echo "SKIP: $*"
}

desktop="$src/packaging/kelvra.desktop"
metainfo="$src/packaging/example.tavrosk.kelvra.metainfo.xml"
icon="$src/packaging/kelvra.svg"

if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
    echo "ok: $desktop"
else
    skip "desktop-file-validate not found (package desktop-file-utils, see tools/deps.sh)"
fi

if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects $metainfo"
    echo "ok: $metainfo"
else
    skip "appstreamcli not found (package appstream, see tools/deps.sh)"
fi

grep -q 'viewBox="0 0 64 64"' "$icon" || fail "$icon: expected a 64x64 viewBox"

for tool in cpack dpkg-deb dpkg dpkg-shlibdeps; do
    if ! command -v "$tool" >/dev/null; then
        skip "$tool not found (packages cmake, dpkg-dev); no package built"
        exit 0
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out") >"$work/cpack.log" 2>&1 ||
    {
        cat "$work/cpack.log" >&2
        find "$work/out" -name '*Output.log' -exec tail -n 40 {} + >&2 2>/dev/null || true
        fail "cpack could not build the package"
    }
debs=("$work"/out/kelvra_*.deb)
[ -f "${debs[0]}" ] || { cat "$work/cpack.log" >&2; fail "cpack made no kelvra_*.deb"; }
deb=${debs[0]}
echo "ok: built $(basename "$deb")"

root="$work/root"
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb cannot unpack $deb"
for file in usr/bin/kelvra usr/bin/kelvra-flash usr/bin/kelvra-at usr/bin/kelvra-modsim \
    usr/share/applications/kelvra.desktop \
    usr/share/icons/hicolor/scalable/apps/kelvra.svg \
    usr/share/metainfo/example.tavrosk.kelvra.metainfo.xml; do
    [ -e "$root/$file" ] || fail "the package lacks /$file"
done
for file in usr/bin/kelvra usr/bin/kelvra-flash usr/bin/kelvra-at usr/bin/kelvra-modsim; do
    [ -x "$root/$file" ] || fail "/$file in the package is not executable"
done

# Qt comes from the system, so the unpacked program runs as it is.
expected=$("$built_flash" --version)
got=$("$root/usr/bin/kelvra-flash" --version) || fail "the packaged kelvra-flash does not run"
[ "$got" = "$expected" ] || fail "packaged kelvra-flash says '$got', the build says '$expected'"
echo "ok: packaged kelvra-flash --version: $got"

info=$(dpkg -I "$deb")
depends=$(printf '%s\n' "$info" | sed -n 's/^ Depends: //p')
[ -n "$depends" ] || fail "the package declares no Depends"
for lib in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 libqt6svg6; do
    printf '%s\n' "$depends" | grep -Eq "(^|[ ,])$lib([ ,(]|$)" ||
        fail "Depends lacks $lib: $depends"
done
printf '%s\n' "$info" | grep -q '^ Package: kelvra$' || fail "the package is not named kelvra"
echo "ok: Depends: $depends"
