#!/bin/sh
# Runs one test program the way a classroom desktop runs the shell: under openbox, with a
# Japanese locale. Starts openbox on $DISPLAY unless a window manager already runs there,
# and ends it afterwards.
set -u
LANG=ja_JP.UTF-8
LC_ALL=ja_JP.UTF-8
export LANG LC_ALL

wm_runs() {
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

wm=
stop_wm() {
    if [ -n "$wm" ]; then
        kill "$wm" 2>/dev/null
        wait "$wm" 2>/dev/null
        wm=
    fi
}
trap stop_wm EXIT
trap 'stop_wm; exit 130' INT TERM

if ! wm_runs; then
    # --replace: an instance that a test before this one ended may still be leaving.
    openbox --sm-disable --replace >/dev/null 2>&1 &
    wm=$!
    tries=0
    until wm_runs; do
        tries=$((tries + 1))
        if [ "$tries" -gt 300 ] || ! kill -0 "$wm" 2>/dev/null; then
            echo "openbox did not start on $DISPLAY" >&2
            exit 1
        fi
        sleep 0.1
    done
fi

"$@"
rc=$?
stop_wm
exit $rc
