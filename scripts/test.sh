#!/usr/bin/env bash
# Installs what is missing, builds the three presets and runs every test:
# the Windows executables' checks, the host unit tests, and the end-to-end
# and differential suites (the Windows builds under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build-all.sh win32 win64 host

# Every build must be there: a missing one fails the suites, not skips them.
export INSTPROBE_REQUIRE_ALL_BUILDS=1
export WINEDEBUG=-all
status=0
for preset in win32 win64 host; do
  echo "== ctest --preset $preset"
  ctest --preset "$preset" -j2 || status=1
done
exit $status
