#!/usr/bin/env bash
# Runs one fuzz target for the given time from its seeds (fuzz/corpus/<target>),
# in the folder of the fuzz build that made it: the corpus that the run grows
# stays in <build>/corpus/<target>, its log in <build>/logs/<target>.log, and a
# finding (a crashing input) goes to <build>/findings/ and fails the run.
#
#   fuzz/run_target.sh PATH/TO/<build>/fuzz/<target>_fuzz SECONDS
set -euo pipefail

usage="usage: run_target.sh PATH/TO/<build>/fuzz/<target>_fuzz SECONDS"
fuzzer=$(realpath "${1:?$usage}")
seconds=${2:?$usage}
target=$(basename "$fuzzer" _fuzz)
build=$(dirname "$(dirname "$fuzzer")")
seeds="$(dirname "$0")/corpus/$target"
log="$build/logs/$target.log"
mkdir -p "$build/corpus/$target" "$build/findings" "$build/logs"

if "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$build/findings/$target-" "$build/corpus/$target" "$seeds" >"$log" 2>&1; then
  echo "$target: $(grep -m1 'stat::number_of_executed_units' "$log" | awk '{print $2}')" \
    "inputs in $seconds s, no finding"
else
  echo "$target: FINDING, see $log and $build/findings/"
  tail -n 40 "$log"
  exit 1
fi
