#!/bin/sh
# Runs one test program on an X display of its own, set up as a classroom display may be:
# scaled (Xft.dpi given through xrdb before the program starts), split into two monitors
# (xrandr --setmonitor, as a projector beside the PC shows to programs) with the primary
# on the left or on the right, under openbox or without any window manager.
#   display-run.sh [--dpi N] [--primary left|right] [--wm openbox|none] [--size WxH]
#                  program args...
# A display of its own lets these runs go beside the other suites.
set -u
dpi=
primary=
wm=openbox
asked_size=
while [ $# -gt 0 ]; do
    case $1 in
    --dpi) dpi=$2; shift 2 ;;
    --primary) primary=$2; shift 2 ;;
    --wm) wm=$2; shift 2 ;;
    --size) asked_size=$2; shift 2 ;;
    *) break ;;
    esac
done
here=$(cd "$(dirname "$0")" && pwd)

need() {
    if ! command -v "$1" >/dev/null 2>&1; then
        echo "Suite skipped: $1 is not installed"
        exit 0
    fi
}
need Xvfb
[ -n "$dpi" ] && need xrdb
[ -n "$primary" ] && need xrandr
[ "$wm" = openbox ] && need openbox

# One monitor of 1440 x 900 (960 x 600 at 150 %), or two of 1024 x 768 side by side.
size=1440x900x24
monitor=1024/270x768/203
[ -n "$primary" ] && size=2048x768x24
# Another size of one monitor (a classroom's 1920x1080), for measurements.
[ -n "$asked_size" ] && [ -z "$primary" ] && size=${asked_size}x24

. "$here/xvfb-own.sh"
# -noreset: the resources and monitors set below outlive the clients that set them.
start_own_xvfb "$size" -noreset

if [ -n "$dpi" ]; then
    echo "Xft.dpi: $dpi" | xrdb -merge || exit 1
fi
case $primary in
left)
    xrandr --setmonitor '*Primary' "$monitor+0+0" screen >/dev/null &&
        xrandr --setmonitor Projector "$monitor+1024+0" none >/dev/null || exit 1 ;;
right)
    xrandr --setmonitor '*Primary' "$monitor+1024+0" screen >/dev/null &&
        xrandr --setmonitor Projector "$monitor+0+0" none >/dev/null || exit 1 ;;
esac

if [ "$wm" = openbox ]; then
    sh "$here/openbox-run.sh" "$@"
else
    LANG=ja_JP.UTF-8
    LC_ALL=ja_JP.UTF-8
    export LANG LC_ALL
    "$@"
fi
