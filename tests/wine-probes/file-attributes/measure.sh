#!/bin/bash
# Runs probe.cpp under Wine for a list of DOS paths and prints each path with
# GetFileAttributesA's answer. Usage: measure.sh PATHS-FILE [WORKDIR]
# PATHS-FILE holds one path a line; printf %b escapes (\xC9, \\) are decoded,
# so a line must double every backslash it means literally.
# WORKDIR (default: the current directory) is the Unix directory Wine starts
# in, which decides what relative paths resolve against. WINEPREFIX must be set.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
list=$1
workdir=${2:-$(pwd)}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
x86_64-w64-mingw32-g++-posix -O1 -static -o "$tmp/probe.exe" "$here/probe.cpp"
while IFS= read -r line; do
  printf '%b' "$line" | od -An -v -tx1 | tr -d ' \n'
  echo
done <"$list" >"$tmp/in.txt"
(cd "$workdir" && WINEDEBUG=-all wine "$tmp/probe.exe" "$tmp/in.txt" \
  "$tmp/out.txt" >/dev/null 2>&1)
paste "$tmp/out.txt" "$list"
