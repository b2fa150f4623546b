#!/usr/bin/env bash
# The soak: long runs of the query against a store that answers quickly, slowly or fails at
# random (bench/soak/soak_store.cpp), watching memory, descriptors and threads. Run on demand;
# it is not part of scripts/test.sh.
#
#   scripts/soak.sh [--short] [--wine]
#
#   1. the query loop (bench/soak/soak_query_loop.cpp): 10,000 queries, one every 50 ms, with
#      resident memory, heap in use, descriptors and threads sampled every 500 queries once the
#      queries in flight have ended; fails unless descriptors and threads come back to where they
#      began and memory grows by less than 1 MB after the first 2,000 queries;
#   2. `orderwatch --watch` with its period shortened to 50 ms, for 10,000 lines, sampled every
#      500 lines while queries run; fails when the floor of resident memory rises by 1 MB or
#      more after the first 2,000 lines (see watch_process), or when a line is neither a demo
#      order's status nor the time alone;
#   3. valgrind's leak check on 300 queries of the loop; fails on any definite leak;
#   4. with --wine, the Windows build's `orderwatch.exe --watch` under Wine for 2,000 lines,
#      sampled every 250 and checked as the second part. The figures are the Wine process's own
#      (resident memory, Unix descriptors, threads); Wine keeps the program's Windows handles in
#      its server, out of sight from here.
#
# --short runs each part at about a tenth of its length.
#
# The programs ask the store on localhost:$OW_SOAK_PORT (28443 unless set), away from the demo
# store's port, so they are built for it in build/soak (and build/soak-windows for --wine; by
# name, as Wine takes the test certificate only for localhost). OW_SOAK_BUILD and
# OW_SOAK_WINDOWS_BUILD name other build trees.
# OW_SOAK_PERIOD_MS changes the period. The test CA is the only trusted one (ORDERWATCH_CA_FILE),
# which keeps the cost of each TLS handshake down on a shared machine.
set -euo pipefail
cd "$(dirname "$0")/.."

short=0
wine=0
for argument in "$@"; do
  case $argument in
    --short) short=1 ;;
    --wine) wine=1 ;;
    *) echo "usage: scripts/soak.sh [--short] [--wine]" >&2; exit 2 ;;
  esac
done

soakPort=${OW_SOAK_PORT:-28443}
build=${OW_SOAK_BUILD:-build/soak}
windowsBuild=${OW_SOAK_WINDOWS_BUILD:-build/soak-windows}
periodMs=${OW_SOAK_PERIOD_MS:-50}
export ORDERWATCH_CA_FILE=$PWD/tests/fixtures/certs/ca.pem
if ((short)); then
  loopQueries=1000 loopEvery=100 loopWarmUp=300
  watchLines=1000 watchEvery=100 watchWarmUp=300
  valgrindQueries=60
  wineLines=300 wineEvery=50 wineWarmUp=100
else
  loopQueries=10000 loopEvery=500 loopWarmUp=2000
  watchLines=10000 watchEvery=500 watchWarmUp=2000
  valgrindQueries=300
  wineLines=2000 wineEvery=250 wineWarmUp=500
fi
maxGrowthKb=1024

step() { printf '\n==== %s\n' "$*"; }
failures=()

cmake --preset default -B "$build" -DSTORE_HOST_NAME="localhost:$soakPort" \
  -DORDERWATCH_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j2 --target soak-store soak-query-loop orderwatch
soakDir=$build/bench/soak
orderwatch=$build/app/orderwatch

children=()
cleanup() {
  for pid in "${children[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$workDir"
}
workDir=$(mktemp -d)
trap cleanup EXIT

# Starts a store on the given ports (0: any) and sets storePid, httpsPort.
start_store() {
  local log=$workDir/store-$1.log
  "$soakDir/soak-store" --https-port "$1" --http-port 0 --seed "${OW_SOAK_SEED:-1}" >"$log" 2>&1 &
  storePid=$!
  children+=("$storePid")
  for _ in $(seq 100); do
    httpsPort=$(sed -n 's/.*order view on 127\.0\.0\.1:\([0-9]*\),.*/\1/p' "$log")
    [[ -n $httpsPort ]] && return 0
    kill -0 "$storePid" 2>/dev/null || break
    sleep 0.1
  done
  echo "soak: the store did not start:" >&2
  cat "$log" >&2
  exit 1
}

stop_store() {
  kill -INT "$storePid"
  wait "$storePid" || true
  tail -n +2 "$workDir/store-$1.log"
}

# Watches a running `--watch` process: samples it every $every lines of $output until $lines
# lines have come, then ends it. Prints the samples, checks growth and lines.
#
# Queries keep running while it samples, and resident memory moves with how many are in flight
# (each has a thread with its stack and, under Wine, the emulator's own records of it). So the
# check compares floors: the lowest sample of the last third of the run after the warm-up with
# the lowest of the first third. A leak lifts the floor; queries in flight only lift the peaks.
watch_process() {
  local name=$1 pid=$2 output=$3 lines=$4 every=$5 warmUp=$6
  local next=$every count=0 minThreads=999999 maxThreads=0
  local -a warm=()
  local minFds=999999 maxFds=0
  printf '%8s %10s %5s %8s\n' lines rss_kb fds threads
  while ((count < lines)); do
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "soak: $name ended early" >&2
      failures+=("$name ended early")
      return
    fi
    count=$(wc -l <"$output")
    if ((count >= next)); then
      local rss threads fds
      rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
      threads=$(awk '/^Threads:/ {print $2}' "/proc/$pid/status")
      fds=$(find "/proc/$pid/fd" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l)
      printf '%8d %10d %5d %8d\n' "$next" "$rss" "$fds" "$threads"
      if ((next >= warmUp)); then
        warm+=("$rss")
      fi
      ((threads < minThreads)) && minThreads=$threads
      ((threads > maxThreads)) && maxThreads=$threads
      ((fds < minFds)) && minFds=$fds
      ((fds > maxFds)) && maxFds=$fds
      next=$((next + every))
    fi
    sleep 0.2
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true

  local third=$(((${#warm[@]} + 2) / 3))
  local firstFloor lastFloor lowest highest
  firstFloor=$(printf '%s\n' "${warm[@]:0:third}" | sort -n | head -1)
  lastFloor=$(printf '%s\n' "${warm[@]: -third}" | sort -n | head -1)
  lowest=$(printf '%s\n' "${warm[@]}" | sort -n | head -1)
  highest=$(printf '%s\n' "${warm[@]}" | sort -n | tail -1)
  local growth=$((lastFloor - firstFloor))
  echo "after warm-up: resident $lowest..$highest kB; floor growth $growth kB" \
    "(limit $maxGrowthKb kB); threads $minThreads..$maxThreads," \
    "descriptors $minFds..$maxFds while queries run"
  ((growth < maxGrowthKb)) || failures+=("$name: memory grew by $growth kB")
  local wrong
  wrong=$(head -n "$lines" "$output" | tr -d '\r' |
    grep -cvE '^(已下单|正在处理|已发货|已送达)?---[0-9]+年[0-9]+月[0-9]+日([0-9]+时([0-9]+分([0-9]+秒)?)?)?$' || true)
  local withStatus
  withStatus=$(head -n "$lines" "$output" | grep -c '^[^-]' || true)
  echo "lines with a status: $withStatus; with the time alone: $((lines - withStatus - wrong))"
  echo "lines that are neither a status nor the time alone: $wrong"
  ((wrong == 0)) || failures+=("$name: $wrong wrong lines")
  printf 'first lines: '
  head -n 3 "$output" | tr '\n' ' '
  echo
}

step "Query loop: $loopQueries queries, one every $periodMs ms"
start_store 0
if ! "$soakDir/soak-query-loop" --store "127.0.0.1:$httpsPort" --queries "$loopQueries" \
  --period-ms "$periodMs" --sample-every "$loopEvery" --warm-up "$loopWarmUp" \
  --max-growth-kb "$maxGrowthKb"; then
  failures+=("query loop")
fi
stop_store 0

step "orderwatch --watch: $watchLines lines, one query every $periodMs ms"
start_store "$soakPort"
ORDERWATCH_WATCH_PERIOD_MS=$periodMs "$orderwatch" --watch W100001 demo@example.com \
  >"$workDir/watch.out" 2>"$workDir/watch.err" &
watchPid=$!
children+=("$watchPid")
watch_process "orderwatch --watch" "$watchPid" "$workDir/watch.out" "$watchLines" "$watchEvery" \
  "$watchWarmUp"
stop_store "$soakPort"

step "valgrind: $valgrindQueries queries of the query loop"
start_store 0
valgrind --leak-check=full --show-leak-kinds=definite --errors-for-leak-kinds=definite \
  --error-exitcode=3 --log-file="$workDir/valgrind.log" \
  "$soakDir/soak-query-loop" --store "127.0.0.1:$httpsPort" --queries "$valgrindQueries" \
  --period-ms 100 --sample-every "$valgrindQueries" --warm-up 0 --max-growth-kb 1000000 ||
  failures+=("valgrind")
grep -E 'ERROR SUMMARY|definitely lost|indirectly lost|possibly lost|still reachable' \
  "$workDir/valgrind.log" | sed 's/^==[0-9]*== *//'
stop_store 0

if ((wine)); then
  step "Wine: orderwatch.exe --watch, $wineLines lines"
  # The Windows build for the soak's store, and a Wine prefix of its own that trusts the test CA:
  # Wine's request object verifies every certificate.
  cmake --preset windows -B "$windowsBuild" -DSTORE_HOST_NAME="localhost:$soakPort" >/dev/null
  cmake --build "$windowsBuild" -j2 --target orderwatch trust_ca
  export WINEPREFIX=$PWD/$windowsBuild/soak-prefix OW_WINEPREFIX=$PWD/$windowsBuild/soak-prefix
  if [[ ! -f $WINEPREFIX/.trusts-test-ca ]]; then
    bash scripts/wine-run.sh "$windowsBuild/tests/windows/trust_ca.exe" \
      "Z:${ORDERWATCH_CA_FILE//\//\\}"
    touch "$WINEPREFIX/.trusts-test-ca"
  fi
  start_store "$soakPort"
  ORDERWATCH_WATCH_PERIOD_MS=$periodMs bash scripts/wine-run.sh "$windowsBuild/app/orderwatch.exe" \
    --watch W100001 demo@example.com >"$workDir/wine.out" 2>"$workDir/wine.err" &
  winePid=$!
  children+=("$winePid")
  watch_process "orderwatch.exe under Wine" "$winePid" "$workDir/wine.out" "$wineLines" \
    "$wineEvery" "$wineWarmUp"
  stop_store "$soakPort"
fi

step "Soak summary"
if ((${#failures[@]})); then
  printf 'FAILED: %s\n' "${failures[@]}"
  exit 1
fi
echo "all soak checks passed"
