#!/usr/bin/env bash
# Runs a Windows test program under Wine in the given prefix (made on first
# use) and passes on its output and exit status. The output goes through a
# file: a wineserver started here would hold a pipe open until it exits.
set -uo pipefail
prefix=$(realpath -m "$1")
shift
export WINEPREFIX=$prefix WINEDEBUG=-all
if [[ ! -f $prefix/system.reg ]]; then
  wineboot --init >/dev/null 2>&1 </dev/null
fi
out=$(mktemp)
wine "$@" >"$out" 2>&1 </dev/null
status=$?
cat "$out"
rm -f "$out"
wineserver -k >/dev/null 2>&1 || true
exit $status
