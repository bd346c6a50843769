#!/bin/sh
# Runs one test program on an X display of its own (a fresh Xvfb), for suites that need the
# active window and the pointer to stay theirs while other suites show windows in parallel.
set -u
if ! command -v Xvfb >/dev/null 2>&1; then
    echo "Suite skipped: Xvfb is not installed"
    exit 0
fi
dir=$(mktemp -d) || exit 1
xvfb=
stop_display() {
    if [ -n "$xvfb" ]; then
        kill "$xvfb" 2>/dev/null
        wait "$xvfb" 2>/dev/null
        xvfb=
    fi
    rm -rf "$dir"
}
trap stop_display EXIT
trap 'stop_display; exit 130' INT TERM

# Xvfb picks a free display number itself and writes it once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" >"$dir/log" 2>&1 &
xvfb=$!
tries=0
until [ -s "$dir/display" ]; do
    tries=$((tries + 1))
    if [ "$tries" -gt 300 ] || ! kill -0 "$xvfb" 2>/dev/null; then
        echo "FAIL: Xvfb did not start"
        cat "$dir/log"
        exit 1
    fi
    sleep 0.1
done
DISPLAY=":$(cat "$dir/display")"
export DISPLAY
"$@"
