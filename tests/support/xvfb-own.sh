# Sourced by the scripts that run a test program on an X display of its own: starts a fresh
# Xvfb, which picks a free display number itself and writes it once it accepts clients, and
# ends it (and removes its folder) when the script exits.
#   start_own_xvfb SIZE [Xvfb options...]   sets and exports DISPLAY
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

start_own_xvfb() {
    size=$1
    shift
    Xvfb -displayfd 3 "$@" -screen 0 "$size" -nolisten tcp 3>"$dir/display" >"$dir/log" 2>&1 &
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
}
