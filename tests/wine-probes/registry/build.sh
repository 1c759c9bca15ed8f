#!/bin/sh
# Builds the 64-bit registry query probe: build.sh OUTPUT.exe
set -e
x86_64-w64-mingw32-g++-posix -O1 -static -o "$1" "$(dirname "$0")/query.cpp"
