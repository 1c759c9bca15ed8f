#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each in turn for SECONDS (default 60),
# one at a time, printing how many inputs each ran. New corpus entries stay in
# the build folder; crashes are written there as crash-* files.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
# Environment: BUILD_DIR (default build/fuzz), JOBS (default 2).
set -euo pipefail
seconds=${1:-60}
shift || true
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/fuzz}
targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
  targets=(nls pathtext profile_reader profile_writer registry version walk)
fi

cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DINSTPROBE_FUZZ=ON >/dev/null
cmake --build "$build" -j"${JOBS:-2}" \
  --target "${targets[@]/%/_fuzz}" >/dev/null

fuzz_dir=$build/tests/fuzz
failed=0
for name in "${targets[@]}"; do
  corpus=$fuzz_dir/corpus/$name
  mkdir -p "$corpus" "$fuzz_dir/artifacts/$name"
  seeds=$root/tests/fuzz/seeds/$name
  [[ $name == version || $name == nls ]] && seeds=$fuzz_dir/seeds/$name
  args=(-max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$fuzz_dir/artifacts/$name/")
  [[ -f $root/tests/fuzz/dict/$name.dict ]] &&
    args+=(-dict="$root/tests/fuzz/dict/$name.dict")
  dirs=("$corpus" "$seeds")
  [[ -d $root/tests/fuzz/regressions/$name ]] &&
    dirs+=("$root/tests/fuzz/regressions/$name")
  log=$fuzz_dir/artifacts/$name.log
  if "$fuzz_dir/${name}_fuzz" "${args[@]}" "${dirs[@]}" >"$log" 2>&1; then
    status=ok
  else
    status=FAILED
    failed=1
  fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  printf '%-15s %-6s %10s inputs %8s/s  (log: %s)\n' \
    "$name" "$status" "${execs:-?}" "${rate:-?}" "$log"
done
exit $failed
