#!/usr/bin/env bash
# Measures what loading a fresh Wine prefix's registry costs the host build:
# a whole run of the host binary beside a 20-entry search list, against
# reading the three registry files once with cat. Prints both medians and
# their ratio. Builds nothing.
#
# Usage: scripts/bench-registry.sh [HOST_BINARY] [RUNS]
#   HOST_BINARY  default build/host/instprobe
#   RUNS         timed runs of each command, default 30 (at least 10)
set -euo pipefail
cd "$(dirname "$0")/.."
binary=$(realpath "${1:-build/host/instprobe}")
runs=${2:-30}
if [[ ! -x $binary ]]; then
  echo "no host binary at $binary (build the host preset first)" >&2
  exit 1
fi
if ((runs < 10)); then runs=10; fi

work=$(mktemp -d /tmp/bench-registry-XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all
cleanup() {
  # Only this script's own server, found through its prefix.
  WINEPREFIX=$work/prefix wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

echo "making a fresh prefix in $WINEPREFIX ..." >&2
wineboot --init >/dev/null 2>&1 </dev/null
# The registry files are written when the server stops.
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
regs=("$WINEPREFIX/system.reg" "$WINEPREFIX/user.reg" "$WINEPREFIX/userdef.reg")
for f in "${regs[@]}"; do
  [[ -f $f ]] || { echo "wineboot wrote no $f" >&2; exit 1; }
done

# The run folder: the binary and a search list of 20 entries over keys of a
# fresh prefix, across the roots, with files that exist and some that do not.
run=$work/run
mkdir -p "$run"
cp "$binary" "$run/instprobe"
keys=(
  'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\SystemRoot|notepad.exe'
  'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\ProgramFilesDir|missing.exe'
  'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\CommonFilesDir|x.dll'
  'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\SystemRoot|system32\kernel32.dll'
  'HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\Session Manager\Environment\windir|regedit.exe'
  'HKEY_LOCAL_MACHINE\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\ProgramFilesDir|a.exe'
  'HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{00000000-0000-0000-0000-000000000000}\Missing|b.exe'
  'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths\wordpad.exe\Path|wordpad.exe'
  'HKEY_CURRENT_USER\Environment\TEMP|c.txt'
  'HKEY_CURRENT_USER\Software\Wine\Missing\Value|d.txt'
  'HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders\Desktop|e.txt'
  'HKEY_CLASSES_ROOT\exefile\shell\open\command\Missing|f.exe'
  'HKEY_CLASSES_ROOT\CLSID\{0000031A-0000-0000-C000-000000000046}\InprocServer32\ThreadingModel|g.dll'
  'HKEY_USERS\.Default\Environment\TEMP|h.txt'
  'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\CurrentVersion|i.txt'
  'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\Fonts\Arial (TrueType)|j.ttf'
  'HKEY_LOCAL_MACHINE\Hardware\Description\System\CentralProcessor\0\Identifier|k.txt'
  'HKEY_CURRENT_CONFIG\Software\Fonts\LogPixels|l.txt'
  'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\SystemRoot|system32\winecfg.exe'
  'HKEY_LOCAL_MACHINE\Software\No\Such\Key\Value|m.exe'
)
{
  for i in "${!keys[@]}"; do
    printf '[FILE%d]\r\nRegKey=%s\r\nFileName=%s\r\nVarName=V%d\r\n' \
      "$i" "${keys[i]%%|*}" "${keys[i]#*|}" "$i"
  done
} >"$run/stpsrch.ini"

# One run first: it must work before it is timed.
"$run/instprobe"
if [[ ! -s $run/stvar.ini ]]; then
  echo "the host run wrote no stvar.ini" >&2
  exit 1
fi
found=$(grep -c $'^V[0-9]*Path=[^\r]' "$run/stvar.ini" || true)
echo "stvar.ini: $found of ${#keys[@]} entries found a directory" >&2

# Median wall time in microseconds of `runs` runs of the command.
median_us() {
  local times=() i t0 t1
  "$@" >/dev/null 2>&1  # warm the page cache
  for ((i = 0; i < runs; i++)); do
    t0=$(date +%s%N)
    "$@" >/dev/null 2>&1
    t1=$(date +%s%N)
    times+=($(((t1 - t0) / 1000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {
    if (NR % 2) print a[(NR + 1) / 2]; else print int((a[NR / 2] + a[NR / 2 + 1]) / 2) }'
}

if command -v hyperfine >/dev/null 2>&1; then
  json=$work/hyperfine.json
  hyperfine -N --warmup 3 --runs "$runs" --export-json "$json" \
    "cat ${regs[*]}" "$run/instprobe" >/dev/null 2>&1 </dev/null
  read -r cat_us run_us < <(python3 - "$json" <<'EOF'
import json, sys
r = json.load(open(sys.argv[1]))["results"]
print(round(r[0]["median"] * 1e6), round(r[1]["median"] * 1e6))
EOF
  )
  tool="hyperfine -N"
else
  cat_us=$(median_us cat "${regs[@]}")
  run_us=$(median_us "$run/instprobe")
  tool="date +%s%N loop"
fi
size=$(cat "${regs[@]}" | wc -c)
echo "registry files: $size bytes; $runs runs each ($tool)"
echo "cat median:       $cat_us us"
echo "host run median:  $run_us us"
awk -v a="$run_us" -v b="$cat_us" 'BEGIN { printf "ratio:            %.2f\n", a / b }'
