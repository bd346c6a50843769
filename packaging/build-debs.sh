#!/usr/bin/env bash
# Builds the Debian packages from a configured and built tree, reusing its binaries:
# the files the packages need (icons, changelog, demo layout), then CPack's DEB generator,
# one CPack run per package side by side (each spends its time on its own files and
# dpkg-shlibdeps).
# Usage: build-debs.sh <build folder> <output folder>; prints the package files.
set -euo pipefail
BUILD=${1:?usage: build-debs.sh <build folder> <output folder>}
OUT=${2:?usage: build-debs.sh <build folder> <output folder>}
cmake --build "$BUILD" --target qumo_package_files >/dev/null
rm -rf "$OUT"
mkdir -p "$OUT"
pids=()
for component in program demo; do
    cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$OUT/$component" \
        -D CPACK_COMPONENTS_ALL="$component" >"$OUT/cpack-$component.log" 2>&1 &
    pids+=($!)
done
failed=0
for i in 0 1; do
    wait "${pids[$i]}" || failed=1
done
for component in program demo; do
    [ "$failed" -eq 0 ] || cat "$OUT/cpack-$component.log"
done
[ "$failed" -eq 0 ] || exit 1
mv "$OUT"/program/*.deb "$OUT"/demo/*.deb "$OUT"/
cat "$OUT"/cpack-program.log "$OUT"/cpack-demo.log >"$OUT/cpack.log"
rm -rf "$OUT/program" "$OUT/demo" "$OUT"/cpack-*.log
ls "$OUT"/*.deb
