#!/usr/bin/env bash
# Runs several test programs within one CTest entry side by side (a lane's suites, or the
# parts of one suite), a few at a time: most of their time is spent waiting on windows,
# timers and servers, so they share the machine well. Those that need a display to
# themselves start their own (own-display.sh, display-run.sh). Prints each suite's output whole, one after the
# other, and fails when any of them fails.
#   side-by-side.sh [-j N] NAME command args... [-- NAME command args...]...
# A suite skipped for a missing tool is shown as such; the entry counts as skipped only when
# every suite in it was.
# A suite still running after QUMO_SIDE_BY_SIDE_TIMEOUT seconds (default 540, within
# CTest's 600) is ended, and what every suite printed so far is shown.
set -u
jobs=3
if [ "${1:-}" = -j ]; then
    jobs=$2
    shift 2
fi
out=$(mktemp -d) || exit 1
pids=()
names=()
watchdog=
cleanup() {
    [ -z "$watchdog" ] || { kill -TERM -- "-$watchdog" "$watchdog"; } 2>/dev/null
    for p in "${pids[@]}"; do kill -TERM -- "-$p" 2>/dev/null || kill "$p" 2>/dev/null; done
    wait
    rm -rf "$out"
}
trap cleanup EXIT
timed_out() {
    echo "FAIL: still running after ${QUMO_SIDE_BY_SIDE_TIMEOUT:-540} s; the output so far:"
    for i in "${!names[@]}"; do
        echo "======== ${names[$i]}"
        cat "$out/$i.log"
    done
    exit 124
}
trap timed_out USR1
trap 'exit 130' INT TERM
setsid sh -c 'sleep "$1" && kill -USR1 "$2"' watchdog "${QUMO_SIDE_BY_SIDE_TIMEOUT:-540}" $$ \
    >/dev/null 2>&1 </dev/null &
watchdog=$!

n=0
running=0
start() { # name command...
    local name=$1
    shift
    names+=("$name")
    # A process group of its own, so that a timeout ends the suite with its X server.
    setsid -w "$@" >"$out/$n.log" 2>&1 </dev/null &
    pids+=($!)
    n=$((n + 1))
    running=$((running + 1))
}
finish_one() {
    wait -n
    running=$((running - 1))
}

while [ $# -gt 0 ]; do
    name=$1
    shift
    cmd=()
    while [ $# -gt 0 ] && [ "$1" != -- ]; do
        cmd+=("$1")
        shift
    done
    [ $# -gt 0 ] && shift # the --
    [ "$running" -lt "$jobs" ] || finish_one
    start "$name" "${cmd[@]}"
done

failed=0
skipped=0
for i in "${!pids[@]}"; do
    status=0
    wait "${pids[$i]}" || status=$?
    echo "======== ${names[$i]} (exit $status)"
    if grep -Eq 'Suite skipped: |SKIP   : [A-Za-z0-9_]+::initTestCase\(\)' "$out/$i.log"; then
        skipped=$((skipped + 1))
        # Said in other words, so that the lane is not taken for skipped as a whole.
        sed -e 's/Suite skipped: /skipped: /' -e 's/^SKIP   : /SKIP (whole suite): /' "$out/$i.log"
    else
        cat "$out/$i.log"
    fi
    [ "$status" -eq 0 ] || failed=$((failed + 1))
done
pids=()
echo "======== ${#names[@]} suites: $failed failed, $skipped skipped"
if [ "$failed" -eq 0 ] && [ "$skipped" -eq "${#names[@]}" ]; then
    echo "Suite skipped: every suite of the entry was skipped"
fi
[ "$failed" -eq 0 ]
