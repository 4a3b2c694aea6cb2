#!/usr/bin/env bash
# Packs the already built tree with CPack's DEB generator, unpacks the package
# into a scratch root and checks what an installation would get: the three
# programs (zelvadmin must run), the desktop entry, the metainfo, the icon,
# the manual pages and the computed dependencies; then lintian must find no
# error. Everything happens in a temporary folder that is removed at the end.
#   $1  build folder (holds CPackConfig.cmake)   $2  project version
set -euo pipefail
build=$1
version=$2

if ! command -v dpkg-deb >/dev/null; then
    echo "SKIP: dpkg-deb is not installed, so no Debian package can be built or read"
    exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Fast compression: the package is unpacked a moment later and thrown away.
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" \
    -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip > "$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack could not build the package"; }

arch=$(dpkg --print-architecture)
deb="$work/out/kelmar-lite_${version}_${arch}.deb"
[ -f "$deb" ] || { ls "$work/out"; fail "no package named $(basename "$deb")"; }

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libqt6core6 libqt6widgets6 libcurl4 libpugixml1v5 libsodium23 libqt6sql6-sqlite; do
    [[ "$depends" == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done
[ "$(dpkg-deb -f "$deb" Package)" = kelmar-lite ] || fail "wrong package name"

root="$work/root"
dpkg-deb -x "$deb" "$root"
for program in ZELVDesk ZELVRenew ZELVExcelImport ZELVGUI_SCSI zelvadmin; do
    [ -x "$root/usr/bin/$program" ] || fail "/usr/bin/$program missing or not executable"
done
for file in \
    usr/share/applications/com.brollyn.KelmarLite.desktop \
    usr/share/metainfo/com.brollyn.KelmarLite.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/com.brollyn.KelmarLite.svg \
    usr/share/man/man1/zelvadmin.1.gz \
    usr/share/man/man1/ZELVGUI_SCSI.1.gz \
    usr/share/doc/kelmar-lite/copyright \
    usr/share/doc/kelmar-lite/changelog.gz \
    usr/share/doc/kelmar-lite/ZELVDesk.cfg.example \
    usr/share/kelmar-lite/sounds/108.wav; do
    [ -s "$root/$file" ] || fail "/$file missing or empty"
done

# The unpacked program runs with the system's libraries.
"$root/usr/bin/zelvadmin" --help > "$work/help.txt" 2>&1 || { cat "$work/help.txt"; fail "zelvadmin --help failed"; }
grep -q "init" "$work/help.txt" || fail "zelvadmin --help does not list its commands"

desktop="$root/usr/share/applications/com.brollyn.KelmarLite.desktop"
grep -qx "Exec=ZELVDesk" "$desktop" || fail "desktop entry does not start ZELVDesk"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate refused the desktop entry"
else
    echo "note: desktop-file-validate not installed, desktop entry checked by content only"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$root/usr/share/metainfo/com.brollyn.KelmarLite.metainfo.xml" ||
        fail "appstreamcli refused the metainfo file"
fi

page=$(MANWIDTH=80 man -l "$root/usr/share/man/man1/zelvadmin.1.gz" 2> "$work/man.err")
[ ! -s "$work/man.err" ] || { cat "$work/man.err"; fail "man reported problems in zelvadmin.1"; }
[[ "$page" == *"zelvadmin - create, fill and inspect a Kelmar Server database"* ]] ||
    fail "man -l does not show the zelvadmin page"

# "man zelvadmin" finds it where the package puts it.
MANPATH="$root/usr/share/man" man -w zelvadmin > /dev/null 2>&1 ||
    fail "man does not find zelvadmin under /usr/share/man"

command -v lintian >/dev/null || fail "lintian is not installed (scripts/install-deps.sh installs it)"
lintian --fail-on error --allow-root --no-tag-display-limit "$deb" > "$work/lintian.txt" 2>&1 ||
    { cat "$work/lintian.txt"; fail "lintian found errors"; }
grep '^E:' "$work/lintian.txt" && fail "lintian found errors"
grep "^W:" "$work/lintian.txt" || true
echo "package: $(basename "$deb") checked ($(grep -c "^W:" "$work/lintian.txt" || true) lintian warnings)"
