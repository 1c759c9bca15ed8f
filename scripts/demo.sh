#!/usr/bin/env bash
# Runs the program on the bundled example: a temporary Wine prefix gets the
# example's registry values and an installed "editor.exe" with a version
# resource; build/win32/instprobe.exe runs beside examples/stpsrch.ini; the
# variables file it writes is printed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/install-deps.sh
scripts/build-all.sh win32 >/dev/null

work=$(mktemp -d /tmp/instprobe-demo.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all
cleanup() { wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"; }
trap cleanup EXIT

echo "demo: making a Wine prefix in $WINEPREFIX (takes a few seconds)"
wineboot --init >/dev/null 2>&1
wineserver -p >/dev/null 2>&1 </dev/null || true  # a server may already run

# The example's installed program, with version 7.1.0.2.
mkdir -p "$WINEPREFIX/drive_c/Tools/Editor" "$work/editor"
i686-w64-mingw32-windres examples/editor/editor.rc -O coff -o "$work/editor/editor.res"
i686-w64-mingw32-g++-posix -mwindows -static -o "$WINEPREFIX/drive_c/Tools/Editor/editor.exe" \
  examples/editor/editor.cpp "$work/editor/editor.res"

# Registry values, in the view the 32-bit program sees.
{ printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE examples/registry.reg; } > "$work/registry.reg"
wine reg import "$work/registry.reg" /reg:32 >/dev/null 2>&1

mkdir -p "$work/run"
cp build/win32/instprobe.exe examples/stpsrch.ini "$work/run/"
wine "$work/run/instprobe.exe" >/dev/null 2>&1
echo "demo: stvar.ini written beside the program:"
echo
tr -d '\r' < "$work/run/stvar.ini"
