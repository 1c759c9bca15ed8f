#!/usr/bin/env bash
# Installs what is missing, builds the three presets and runs every test:
# the Windows executables' checks, the host unit tests, and the end-to-end
# and differential suites (the Windows builds under Wine); then the host
# suite again under AddressSanitizer and UndefinedBehaviorSanitizer, and a
# short smoke run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
INSTPROBE_FUZZ_DEPS=1 scripts/install-deps.sh
scripts/build-all.sh win32 win64 host

# Every build must be there: a missing one fails the suites, not skips them.
export INSTPROBE_REQUIRE_ALL_BUILDS=1
export WINEDEBUG=-all
status=0
for preset in win32 win64; do
  echo "== ctest --preset $preset"
  ctest --preset "$preset" -j2 || status=1
done

echo "== ctest --preset host-asan"
scripts/build-all.sh host-asan
ctest --preset host-asan -j2 || status=1

echo "== fuzz smoke: every target for ${INSTPROBE_FUZZ_SECONDS:-10} s"
scripts/fuzz.sh "${INSTPROBE_FUZZ_SECONDS:-10}" || status=1

echo "== ctest --preset host"
ctest --preset host -j2 || status=1
exit $status
