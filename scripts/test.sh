#!/usr/bin/env bash
# Installs what is missing, builds the three presets and runs every test:
# the Windows executables' checks, the host unit tests, and the end-to-end
# and differential suites (the Windows builds under Wine, the differential
# suite also in one locale of each code page family); then the unit and
# hostile suites again under AddressSanitizer and UndefinedBehaviorSanitizer,
# a short smoke run of every fuzz target, and the host runs of the
# end-to-end suites under valgrind (not the locale suite); last, the release
# archives made from these very builds (scripts/release.sh) and the release
# tests on them.
set -euo pipefail
cd "$(dirname "$0")/.."
echo "== $(date +%T) install-deps"
INSTPROBE_FUZZ_DEPS=1 scripts/install-deps.sh
echo "== $(date +%T) build"
scripts/build-all.sh win32 win64 host

# Every build must be there: a missing one fails the suites, not skips them.
export INSTPROBE_REQUIRE_ALL_BUILDS=1
export WINEDEBUG=-all
status=0
for preset in win32 win64; do
  echo "== $(date +%T) ctest --preset $preset"
  ctest --preset "$preset" -j2 || status=1
done

# The sanitizers run the unit and hostile suites (the 32-bit view's unit
# tables among them) with the host build only: the Windows builds' cases
# would repeat the runs of the other passes, and the end-to-end suites' host
# runs get valgrind below.
echo "== $(date +%T) ctest --preset host-asan"
scripts/build-all.sh host-asan
GTEST_FILTER='-*/win32:*/win64:*_win32:*_win64' \
  ctest --preset host-asan -j2 -LE "release|e2e" || status=1

echo "== $(date +%T) fuzz smoke: every target for ${INSTPROBE_FUZZ_SECONDS:-10} s"
scripts/fuzz.sh "${INSTPROBE_FUZZ_SECONDS:-10}" || status=1

# The differential suite keeps the Windows builds' results for the
# valgrind pass below.
results=$(mktemp -d /tmp/instprobe-windows-results-XXXXXX)
export INSTPROBE_WINDOWS_RESULTS=$results
echo "== $(date +%T) ctest --preset host"
ctest --preset host -j2 -LE release || status=1

# Every host run of the end-to-end suites again under valgrind: an error it
# finds (or a definite leak) makes the run exit 97, which fails the case.
# instprobe32 runs the lookups (lookup_e2e_test runs each build apart); the
# differential runs are the 64-bit program's, not the locale suite's.
echo "== $(date +%T) host end-to-end runs under valgrind"
export INSTPROBE_HOST_RUNNER="valgrind --quiet --error-exitcode=97 --leak-check=full --errors-for-leak-kinds=definite"
e2e=build/host/tests/e2e
log=$(mktemp -d /tmp/instprobe-valgrind-XXXXXX)
(GTEST_FILTER='*_host' "$e2e/walk_e2e_test" >"$log/walk.txt" 2>&1 &&
  GTEST_FILTER='*_host:*_host32' "$e2e/lookup_e2e_test" >"$log/lookup.txt" 2>&1) &
walk=$!
GTEST_FILTER='*_host' "$e2e/differential_test" >"$log/differential.txt" 2>&1 &
differential=$!
for pid in $walk $differential; do wait "$pid" || status=1; done
for f in "$log"/*.txt; do
  echo "$(basename "$f" .txt): $(grep -E '^\[  (PASSED|FAILED)  \]' "$f" | tr '\n' ' ')"
  if grep -q '^\[  FAILED  \]' "$f"; then cat "$f"; fi
done
rm -rf "$log" "$results"
unset INSTPROBE_HOST_RUNNER INSTPROBE_WINDOWS_RESULTS

echo "== $(date +%T) release: scripts/release.sh, then the release tests on dist/"
scripts/release.sh || status=1
ctest --preset host -L release || status=1
echo "== $(date +%T) done"
exit $status
