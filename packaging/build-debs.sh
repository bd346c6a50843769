#!/usr/bin/env bash
# Builds the Debian packages from a configured and built tree, reusing its binaries:
# the files the packages need (icons, changelog, demo layout), then CPack's DEB generator.
# Usage: build-debs.sh <build folder> <output folder>; prints the package files.
set -euo pipefail
BUILD=${1:?usage: build-debs.sh <build folder> <output folder>}
OUT=${2:?usage: build-debs.sh <build folder> <output folder>}
cmake --build "$BUILD" --target qumo_package_files >/dev/null
rm -rf "$OUT"
mkdir -p "$OUT"
cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$OUT" >"$OUT/cpack.log" 2>&1 \
    || { cat "$OUT/cpack.log"; exit 1; }
rm -rf "$OUT/_CPack_Packages"
ls "$OUT"/*.deb
