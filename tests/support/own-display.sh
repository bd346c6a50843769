#!/bin/sh
# Runs one test program on an X display of its own (a fresh Xvfb), for suites that need the
# active window and the pointer to stay theirs while other suites show windows in parallel.
set -u
if ! command -v Xvfb >/dev/null 2>&1; then
    echo "Suite skipped: Xvfb is not installed"
    exit 0
fi
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb-own.sh"
start_own_xvfb 1280x1024x24
"$@"
