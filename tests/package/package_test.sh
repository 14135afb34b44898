#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package as a user gets it: built by scripts/package.sh, checked
# by lintian (neither an error nor a warning), unpacked with dpkg-deb, its
# galvetta run for --version, its desktop entry and AppStream data validated,
# each man page rendered by man without a warning, xboard's engine list entries
# in place, and the copyright file in Debian's machine-readable form with the
# GPL version 3 or later.
set -euo pipefail
cd "$(dirname "$0")/../.."
deb=$(scripts/package.sh | tail -1)
version=$(sed -n 's/^project(Galvetta VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ "$(basename "$deb")" = "galvetta_${version}_$(dpkg --print-architecture).deb" ] ||
    { echo "package_test: unexpected package name $deb"; exit 1; }
echo "package: $deb"
dpkg-deb --field "$deb" Package Version Depends Recommends

lintian_log=$(mktemp)
lintian --tag-display-limit 0 "$deb" >"$lintian_log" 2>&1 || true
echo "lintian:"
sed 's/^/  /' "$lintian_log"
if grep -q '^[EW]:' "$lintian_log"; then
    echo "package_test: lintian reports errors or warnings"
    exit 1
fi
rm -f "$lintian_log"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
shown=$("$root/usr/games/galvetta" --version)
[ "$shown" = "Galvetta $version" ] || { echo "package_test: --version says '$shown'"; exit 1; }
echo "galvetta --version: $shown"
"$root/usr/games/galvetta-tool" perft "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1" 3 | tail -1 |
    grep -qx 8902 || { echo "package_test: galvetta-tool perft is wrong"; exit 1; }
for size in 48x48 64x64 128x128 256x256; do
    identify -format '%wx%h' "$root/usr/share/icons/hicolor/$size/apps/galvetta.png" | grep -qx "$size" ||
        { echo "package_test: the $size icon is missing or of another size"; exit 1; }
done
desktop-file-validate "$root"/usr/share/applications/*.desktop
appstream-util validate-relax --nonet "$root"/usr/share/metainfo/*.metainfo.xml
for page in "$root"/usr/share/man/man6/*.6.gz; do
    warnings=$(MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || { echo "package_test: $(basename "$page"): $warnings"; exit 1; }
    echo "man page $(basename "$page"): rendered without warnings"
done
for protocol in xboard uci; do
    eng="$root/usr/share/games/plugins/$protocol/galvetta.eng"
    [ "$(sed -n 1p "$eng")" = "plugin spec 0.0" ] && sed -n 2p "$eng" | grep -q -- '--no-window' ||
        { echo "package_test: $protocol/galvetta.eng is missing or does not name --no-window"; exit 1; }
done
echo "xboard's engine lists: $(sed -n 2p "$root/usr/share/games/plugins/xboard/galvetta.eng"), $(sed -n 2p "$root/usr/share/games/plugins/uci/galvetta.eng")"
# xboard lists the engine files only when they are newer than its settings.
control=$(mktemp -d)
dpkg-deb -e "$deb" "$control"
grep -q 'touch /usr/share/games/plugins/xboard/galvetta.eng /usr/share/games/plugins/uci/galvetta.eng' \
    "$control/postinst" || { echo "package_test: postinst does not date the engine files"; exit 1; }
rm -rf "$control"
copyright="$root/usr/share/doc/galvetta/copyright"
head -1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' &&
    grep -qx 'License: GPL-3+' "$copyright" ||
    { echo "package_test: the copyright file is not machine-readable GPL-3+"; exit 1; }
dpkg-deb --field "$deb" Suggests | grep -q gnuchess-book || { echo "package_test: no Suggests: gnuchess-book"; exit 1; }
echo "package checks passed"
