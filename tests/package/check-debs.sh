#!/usr/bin/env bash
# Checks the two Debian packages as a school's IT would before deploying them: lintian,
# the desktop entry and AppStream validators, the control fields and the file lists.
# Usage: check-debs.sh <folder with the .deb files>
set -euo pipefail
DEBS=$1
. "$(dirname "$0")/lib.sh"
for tool in lintian desktop-file-validate appstreamcli; do
    command -v "$tool" >/dev/null || { echo "Suite skipped: $tool is not installed"; exit 0; }
done
shell=$(ls "$DEBS"/qumo-shell_*.deb)
demo=$(ls "$DEBS"/qumo-shell-demo_*.deb)
ls -l "$shell" "$demo"

# lintian: no error (warnings and infos are listed; the overrides carry their reasons;
# with --show-overrides this lintian exits 2 for an overridden error, so they are not shown).
# It takes most of the time and runs while the other checks go on; its verdict is read last.
work=$(mktemp -d)
lintian_pid=
trap '[ -z "$lintian_pid" ] || kill "$lintian_pid" 2>/dev/null; wait; rm -rf "$work"' EXIT
# lintian's own temporary files (it leaves some behind) go into the folder removed at exit.
mkdir "$work/tmp"
TMPDIR="$work/tmp" LANG=C.UTF-8 lintian --fail-on error --display-info "$shell" "$demo" \
    >"$work/lintian.log" 2>&1 &
lintian_pid=$!

dpkg-deb -x "$shell" "$work/shell"
dpkg-deb -x "$demo" "$work/demo"
entry="$work/shell/usr/share/applications/jp.qumo.shell.desktop"
desktop-file-validate "$entry" || fail "desktop-file-validate"
appstreamcli validate --no-net "$work/shell/usr/share/metainfo/jp.qumo.shell.metainfo.xml" \
    || fail "appstreamcli validate"

# The desktop entry starts the program in its own folder, where the probe looks.
[ "$(desktop_key "$entry" Exec)" = /opt/qumo-shell/QUMOG.x86_64 ] || fail "Exec"
[ "$(desktop_key "$entry" Path)" = /opt/qumo-shell ] || fail "Path"
for key in 'Name' 'Name\[ja\]' 'Comment\[ja\]'; do
    [ -n "$(desktop_key "$entry" "$key")" ] || fail "no $key in the desktop entry"
done
desktop_key "$entry" Categories | grep -q '^Education;' || fail "Categories"
icon=$(desktop_key "$entry" Icon)
[ -f "$work/shell/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no SVG icon $icon"
for size in 16 24 32 48 64 128 256; do
    png="$work/shell/usr/share/icons/hicolor/${size}x$size/apps/$icon.png"
    file "$png" | grep -q "PNG image data, $size x $size" || fail "no $size-pixel icon"
done
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
    "$work/shell/usr/share/doc/qumo-shell/copyright" || fail "copyright is not machine-readable"
for p in shell demo; do
    pkg=qumo-shell; [ $p = shell ] || pkg=qumo-shell-demo
    zcat "$work/$p/usr/share/doc/$pkg/changelog.gz" | head -n 1 | grep -q "^qumo-shell (" \
        || fail "$pkg has no changelog"
done

# Control fields: the shared libraries found by dpkg-shlibdeps and the tools the program
# calls; the demo goes with its own program's version.
field() { dpkg-deb -f "$1" "$2"; }
depends=$(field "$shell" Depends)
for need in xdg-utils fonts-noto-cjk qt6-translations-l10n libqt6webenginecore6 libqt6widgets6 libjpeg62-turbo; do
    echo "$depends" | grep -q "$need" || fail "qumo-shell does not depend on $need"
done
[ "$(field "$shell" Recommends)" = wine ] || fail "qumo-shell does not recommend wine"
field "$demo" Depends | grep -q "qumo-shell (= $(field "$shell" Version))" || fail "demo Depends"

# No maintainer scripts: installing and removing touch nothing but the packages' files.
for deb in "$shell" "$demo"; do
    scripts=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -Ev '^\./$|^\./(control|md5sums)$' || true)
    [ -z "$scripts" ] || fail "$(basename "$deb") has maintainer scripts: $scripts"
done

# File lists: qumo-shell owns only the program in /opt/qumo-shell (the school's MWEX folder
# and pages beside it belong to no package); the demo owns only its companion folder.
files() { dpkg-deb --fsys-tarfile "$1" | tar -t | sed 's|^\./||' | grep -v '/$'; }
files "$shell" | grep '^opt/' | grep -vx 'opt/qumo-shell/QUMOG.x86_64' \
    && fail "qumo-shell has other files in /opt/qumo-shell"
files "$demo" | grep -Ev '^(opt/qumo-shell/QUMOG/|usr/share/doc/qumo-shell-demo/|usr/share/lintian/overrides/qumo-shell-demo$)' \
    && fail "qumo-shell-demo has files outside its companion folder"
for f in MWEX/mwex.exe 'MWEX/QUMOの設定.txt' MWEX/MWEx.ini index.html; do
    [ -f "$work/demo/opt/qumo-shell/QUMOG/$f" ] || fail "the demo has no $f"
done
[ -x "$work/demo/opt/qumo-shell/QUMOG/MWEX/mwex.exe" ] || fail "the stand-in cannot be run"
status=0
wait "$lintian_pid" || status=$?
lintian_pid=
grep -v -e 'running with root privileges' -e '^N:' "$work/lintian.log" || true
[ "$status" -eq 0 ] || fail "lintian reports errors"
echo "PASS: packages checked: $(basename "$shell") $(stat -c %s "$shell") bytes, $(basename "$demo") $(stat -c %s "$demo") bytes"
