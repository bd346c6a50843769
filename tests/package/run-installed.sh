#!/usr/bin/env bash
# Extracts qumo-shell and qumo-shell-demo into a temporary root (as dpkg would lay them
# out) and starts the installed program there as ordinary pupils, from its desktop entry's
# Exec and Path: the folder they cannot write behaves like a read-only medium.
# Usage: run-installed.sh <folder with the .deb files> <pixelprobe> [read-only|writable]
# read-only: two pupils in the installed tree; writable: one in a copy they own; both when
# none is given. Both parts use the first pupil's account (the suite runs them side by side,
# each on a display of its own).
set -euo pipefail
DEBS=$1
PIXELPROBE=$2
PART=${3:-both}
. "$(dirname "$0")/lib.sh"

[ "$(id -u)" -eq 0 ] || { echo "Suite skipped: creating pupils' accounts needs root"; exit 0; }
command -v xdotool >/dev/null || { echo "Suite skipped: xdotool is not installed"; exit 0; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
root="$work/root"
mkdir "$root"
for deb in "$DEBS"/qumo-shell_*.deb "$DEBS"/qumo-shell-demo_*.deb; do
    [ -f "$deb" ] || fail "no package $deb"
    dpkg-deb -x "$deb" "$root"
done
entry="$root/usr/share/applications/jp.qumo.shell.desktop"
dir="$root$(desktop_key "$entry" Path)"
exec_line="$root$(desktop_key "$entry" Exec)"
[ -x "$exec_line" ] || fail "Exec of the desktop entry is not a program: $exec_line"
xdotool mousemove 1270 1010 # away from the window: no tooltip beside it
before=$(tree_state "$root")

first_start() { # pupil number, home
    local user home=$2
    user=$(pupil_account "$1")
    pupil_home "$user" "$home"
    start_as_pupil "$user" "$home" "$dir" "$exec_line" "$home.log"
    watch_start "$(windows_folder "$home/Desktop/さくひん")" disabled "$home.log"
    [ -s "$home/home-page.png" ] || fail "the home page was not shown"
    rm -f "$home/home-page.png"
    # The save folder on the pupil's desktop with the starting works; no usage log.
    for n in 1 2 3; do
        [ -f "$home/Desktop/さくひん/はじめ$n.mwx" ] || fail "$user: no starting work はじめ$n.mwx on the desktop"
    done
    [ "$(stat -c %U "$home/Desktop/さくひん")" = "$user" ] || fail "the save folder is not $user's"
    [ ! -e "$home/Desktop/さくひん/QUMODATE.csv" ] || fail "a usage log was written on a read-only install"
    note "$user: save folder $home/Desktop/さくひん"
}

if [ "$PART" != writable ]; then
    first_start 1 "$work/home1"
    # The first pupil's work, which the second must neither see in their folder nor touch.
    echo "まる" > "$work/home1/Desktop/さくひん/たろう.mwx"
    chown "$(pupil_account 1):" "$work/home1/Desktop/さくひん/たろう.mwx"
    home1_state=$(tree_state "$work/home1/Desktop")
    first_start 2 "$work/home2"
    [ ! -e "$work/home2/Desktop/さくひん/たろう.mwx" ] || fail "the second pupil got the first pupil's work"
    [ "$(tree_state "$work/home1/Desktop")" = "$home1_state" ] || fail "the second start changed the first pupil's folder"

    # Nothing was written under the installed tree, by either pupil.
    after=$(tree_state "$root")
    [ "$after" = "$before" ] || { diff <(echo "$before") <(echo "$after") | head -20; fail "the installed tree changed"; }
    echo "PASS: installed program as two pupils: save folders on their desktops, language buttons disabled, installed tree unchanged"
fi
[ "$PART" != read-only ] || exit 0

# The same tree where the pupil may write: the language buttons work there (the read-only
# check would miss buttons that are never enabled).
cp -a "$root/opt/qumo-shell" "$work/own"
user=$(pupil_account 1)
chown -R "$user:" "$work/own"
pupil_home "$user" "$work/home3"
start_as_pupil "$user" "$work/home3" "$work/own" "$work/own/QUMOG.x86_64" "$work/home3.log"
watch_start "$(windows_folder "$work/own/QUMOG/ほぞん/さくひん")" enabled "$work/home3.log"
echo "PASS: the same tree where the pupil may write: language buttons enabled"
