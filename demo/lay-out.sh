#!/usr/bin/env bash
# Lays the demo classroom out as a companion folder: a copy of demo/classroom with the
# settings and roster files in CP932, the stand-in Logo program as MWEX/mwex.exe and the
# generated pictures. Used by script/run (build/demo/QUMOG) and by the demo package.
set -euo pipefail
DEST=${1:?usage: lay-out.sh <companion folder> <stand-in mwex.exe>}
MWEX_EXE=${2:?usage: lay-out.sh <companion folder> <stand-in mwex.exe>}
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

rm -rf "$DEST"
mkdir -p "$(dirname "$DEST")"
cp -r "$HERE/classroom" "$DEST"
# Settings and roster files are kept as UTF-8 in the repository and installed in CP932,
# the code page the shell reads files without a byte-order mark in.
find "$DEST/MWEX" -maxdepth 1 -name '*.txt' -print0 | while IFS= read -r -d '' f; do
  iconv -f UTF-8 -t CP932 "$f" > "$f.sjis" && mv "$f.sjis" "$f"
done
cp "$MWEX_EXE" "$DEST/MWEX/mwex.exe"
bash "$HERE/make-pictures.sh" "$DEST"
# Whatever the umask: folders and programs 755, other files 644.
chmod -R u=rwX,go=rX "$DEST"
