#!/usr/bin/env bash
# Configures and builds the three presets: host, win32, win64.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
for preset in "$@"; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
done
