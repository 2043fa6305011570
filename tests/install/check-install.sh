#!/bin/sh
# Installs the build into a temporary prefix and checks that the program, its
# menu entry, its software centre entry, its icons and its help page are where
# the desktop and the program look for them; then builds the Debian package and
# checks it with lintian.
set -eu
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cmake --install "$build" --prefix "$prefix" >/dev/null
[ -x "$prefix/bin/zumi" ] || fail "the program is not in bin/"

entry=$prefix/share/applications/zumi.desktop
desktop-file-validate "$entry" || fail "the menu entry is not valid"
for line in 'Name=Zumi' 'Exec=zumi' 'Icon=zumi' 'Categories=Graphics;Utility;'; do
    grep -qxF "$line" "$entry" || fail "the menu entry lacks $line"
done
# The default strings are English, each with its Japanese translation.
for key in GenericName Comment Keywords; do
    grep -q "^$key=" "$entry" || fail "the menu entry lacks $key"
    ! grep "^$key=" "$entry" | LC_ALL=C grep -q '[^ -~]' || fail "the menu entry's default $key is not English"
    grep "^$key\[ja\]=" "$entry" | LC_ALL=C grep -q '[^ -~]' || fail "the menu entry's $key lacks its Japanese"
done

# Software centres read the metainfo file and find the program by the menu entry it names.
info=$prefix/share/metainfo/org.example.zumi.metainfo.xml
appstreamcli validate --no-net "$info" || fail "the software centre entry is not valid"
grep -q '<launchable type="desktop-id">zumi.desktop</launchable>' "$info" || fail "the metainfo names no menu entry"
grep -q '<summary xml:lang="ja">' "$info" || fail "the metainfo lacks its Japanese summary"
releases=$(grep -c '<release ' "$info")
noted=$(tr -d '\n' <"$info" | grep -o '<release [^>]*>[[:space:]]*<description>' | wc -l)
[ "$releases" -gt 0 ] && [ "$releases" -eq "$noted" ] || fail "a release in the metainfo has no notes"

# Each size in its own folder, so that a mix-up of the files shows.
for size in 16 24 32 48 64 96 256; do
    icon=$prefix/share/icons/hicolor/${size}x$size/apps/zumi.png
    [ -f "$icon" ] || fail "no icon at $icon"
    [ "$(identify -format '%wx%h' "$icon")" = "${size}x$size" ] || fail "$icon is not $size pixels"
done
grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/zumi.svg" || fail "no scalable icon"

# The program looks for its help in <prefix>/share/doc/zumi when it is in <prefix>/bin.
grep -q '<html lang="ja">' "$prefix/share/doc/zumi/zumi.html" || fail "no help page"
[ -f "$prefix/share/doc/zumi/copyright" ] || fail "no copyright file"

# The package as Debian's checker sees it: no error, no warning, not even a remark.
root=$(cd "$(dirname "$0")/../.." && pwd)
"$root/scripts/package.sh" >/dev/null
package=$(ls -t "$root"/build/package/zumi_*.deb | head -n 1)
lintian --display-info --fail-on error,warning,info "$package" || fail "lintian finds faults in $package"
echo "install tree complete under $prefix; $package passes lintian"
