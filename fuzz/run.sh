#!/usr/bin/env bash
# Runs each libFuzzer harness named on the command line for FUZZ_SECONDS (default 60),
# JOBS at a time (default: the processor count), from the seeds and what earlier runs
# found (build/fuzz/corpus), with the dictionary. Allocations over 64 MB fail (the
# library's allocation-failure road) rather than abort. Units are reported slow from
# 100 s: rlf gives Assimp's readers, which may loop forever on hostile files, 10 s and
# more before it refuses the file. Each harness's summary is printed in turn; a finding
# is saved under build/fuzz/findings and fails the run (minimise it into fuzz/regressions/).
set -u
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
jobs=${JOBS:-$(nproc)}
logs=build/fuzz/logs
mkdir -p "$logs"
run() {
  local h=$1
  mkdir -p "build/fuzz/corpus/$h" "build/fuzz/findings/$h"
  ASAN_OPTIONS=allocator_may_return_null=1:max_allocation_size_mb=64:detect_leaks=1 \
    "./build/fuzz/fuzz/fuzz_$h" "build/fuzz/corpus/$h" "fuzz/corpus/$h" -dict=fuzz/rlf.dict \
    -max_total_time="$seconds" -report_slow_units=100 -malloc_limit_mb=2048 -rss_limit_mb=4096 -close_fd_mask=2 \
    -artifact_prefix="build/fuzz/findings/$h/" -print_final_stats=1 >"$logs/$h.log" 2>&1
}
for h in "$@"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n; done
  run "$h" &
done
wait
status=0
for h in "$@"; do
  echo "== fuzz_$h for $seconds s"
  grep -E "^(stat::|#[0-9]+ +DONE|==[0-9]+==|SUMMARY|artifact_prefix|Test unit)" "$logs/$h.log"
  if ls "build/fuzz/findings/$h"/* >/dev/null 2>&1; then
    echo "fuzz_$h: findings in build/fuzz/findings/$h"
    status=1
  fi
done
exit $status
