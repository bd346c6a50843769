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

# QUMO_XVFB_DISPLAYS=FIRST-LAST keeps the numbers within that range (for machines where
# several people run the suites, each in a range of their own).
start_own_xvfb() {
    size=$1
    shift
    case ${QUMO_XVFB_DISPLAYS:-} in
    *-*)
        n=${QUMO_XVFB_DISPLAYS%-*}
        last=${QUMO_XVFB_DISPLAYS#*-}
        while [ "$n" -le "$last" ]; do
            if [ ! -e "/tmp/.X$n-lock" ] && try_xvfb ":$n" "$size" "$@"; then
                return 0
            fi
            n=$((n + 1))
        done
        echo "FAIL: no free display in $QUMO_XVFB_DISPLAYS"
        exit 1 ;;
    esac
    try_xvfb "" "$size" "$@" && return 0
    echo "FAIL: Xvfb did not start"
    cat "$dir/log"
    exit 1
}

# try_xvfb DISPLAY-or-empty SIZE [options...]: an empty display lets Xvfb pick a free one.
# Without GLX: the program composes its windows without OpenGL, and a server that loads no
# Mesa is ready in less than half the time (a dependence on GL would fail here).
try_xvfb() {
    name=$1
    size=$2
    shift 2
    : >"$dir/display"
    Xvfb $name -displayfd 3 -extension GLX "$@" -screen 0 "$size" -nolisten tcp 3>"$dir/display" >"$dir/log" 2>&1 &
    xvfb=$!
    tries=0
    until [ -s "$dir/display" ]; do
        tries=$((tries + 1))
        if [ "$tries" -gt 300 ] || ! kill -0 "$xvfb" 2>/dev/null; then
            kill "$xvfb" 2>/dev/null
            wait "$xvfb" 2>/dev/null
            xvfb=
            return 1
        fi
        sleep 0.1
    done
    DISPLAY=":$(head -n 1 "$dir/display")"
    export DISPLAY
}
