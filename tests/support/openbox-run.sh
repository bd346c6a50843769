#!/bin/sh
# Runs one test program the way a classroom desktop runs the shell: under openbox, with a
# Japanese locale. Starts openbox on $DISPLAY unless a window manager already runs there,
# and ends it afterwards.
set -u
LANG=ja_JP.UTF-8
LC_ALL=ja_JP.UTF-8
export LANG LC_ALL

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

# A window manager runs when the root window names a check window that still exists (a
# manager that has just ended may leave the name behind).
wm_runs() {
    id=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | sed -n 's/.*window id # //p')
    [ -n "$id" ] && xprop -id "$id" _NET_WM_NAME >/dev/null 2>&1
}

start_wm() {
    # --replace: an instance that a test before this one ended may still be leaving.
    openbox --sm-disable --replace >"$log" 2>&1 &
    wm=$!
    tries=0
    until wm_runs; do
        tries=$((tries + 1))
        if [ "$tries" -gt 300 ] || ! kill -0 "$wm" 2>/dev/null; then
            stop_wm
            return 1
        fi
        sleep 0.1
    done
}

if ! wm_runs; then
    # A machine without openbox cannot run this lane: ctest shows it as skipped.
    if ! command -v openbox >/dev/null 2>&1; then
        echo "Suite skipped: openbox is not installed"
        exit 0
    fi
    log=$(mktemp)
    # openbox now and then gives up at once while the display is still settling after the
    # last manager left: a few more tries before the test counts as failed.
    attempt=1
    until start_wm; do
        if [ "$attempt" -ge 5 ]; then
            echo "openbox did not start on $DISPLAY:" >&2
            cat "$log" >&2
            rm -f "$log"
            exit 1
        fi
        attempt=$((attempt + 1))
        sleep 0.5
    done
    rm -f "$log"
fi

"$@"
rc=$?
stop_wm
exit $rc
