#!/bin/sh
# Builds the profile probes with MinGW and runs one under a private Wine
# prefix. Usage: run-probes.sh OUTDIR [read_profile|write_profile ARGS...]
# With only OUTDIR it just builds OUTDIR/read_profile.exe and
# OUTDIR/write_profile.exe.
set -e
here=$(cd "$(dirname "$0")" && pwd)
out=$1; shift
mkdir -p "$out"
for p in read_profile write_profile; do
  [ "$out/$p.exe" -nt "$here/$p.cpp" ] ||
    x86_64-w64-mingw32-g++-posix -O1 -static -o "$out/$p.exe" "$here/$p.cpp"
done
[ $# -gt 0 ] || exit 0
export WINEPREFIX="${WINEPREFIX:-$out/prefix}" WINEDEBUG=-all
[ -d "$WINEPREFIX/drive_c" ] || wineboot --init >/dev/null 2>&1
prog=$1; shift
wine "$out/$prog.exe" "$@" >/dev/null 2>&1
