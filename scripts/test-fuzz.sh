#!/usr/bin/env bash
# Short runs of every fuzz target on a copy of its seed corpus; FUZZ_SECONDS sets each run's
# length (45 by default). Any crash, leak or broken promise fails the run and leaves the input
# in build/fuzz/findings.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-45}
targets=(text_operations url_parts cookie_text code_page query)

cmake --preset fuzz -DORDERWATCH_WERROR=ON >/dev/null
cmake --build build/fuzz -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

findings=build/fuzz/findings
mkdir -p "$findings"
for target in "${targets[@]}"; do
  work=build/fuzz/corpus/$target
  rm -rf "$work"
  mkdir -p "$work"
  cp tests/fuzz/corpus/"$target"/* "$work"/
  echo "fuzz_$target: ${seconds}s"
  log=build/fuzz/$target.log
  status=0
  ASAN_OPTIONS=detect_leaks=1 build/fuzz/tests/fuzz/fuzz_"$target" -max_total_time="$seconds" \
    -rss_limit_mb=4096 -max_len=65536 -print_final_stats=1 -artifact_prefix="$findings/$target-" \
    "$work" >"$log" 2>&1 || status=$?
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)|ERROR|SUMMARY' "$log" || true
  if [[ $status -ne 0 ]]; then
    tail -n 40 "$log" >&2
    echo "fuzz_$target found a fault (exit $status); the input is in $findings" >&2
    exit 1
  fi
done
