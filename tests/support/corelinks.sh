#!/bin/sh
# Fails when one of the given programs needs, directly, a library of the window system or
# the browser engine (Qt Widgets, Qt WebEngine, Xlib); lists what each one needs.
set -u
if ! command -v readelf >/dev/null 2>&1; then
    echo "Suite skipped: readelf (binutils) is not installed"
    exit 0
fi
status=0
for program in "$@"; do
    if ! needed=$(readelf -d "$program" 2>&1); then
        echo "FAIL: cannot read $program: $needed"
        status=1
        continue
    fi
    needed=$(printf '%s\n' "$needed" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
    bad=$(printf '%s\n' "$needed" | grep -E '^lib(Qt6WebEngine|Qt6Widgets|X11)' || true)
    echo "$(basename "$program"): $(printf '%s ' $needed)"
    if [ -n "$bad" ]; then
        echo "FAIL: $(basename "$program") needs $(printf '%s ' $bad)"
        status=1
    fi
done
[ "$#" -gt 0 ] || { echo "FAIL: no programs given"; status=1; }
exit $status
