#!/usr/bin/env bash
# Times whole runs of one fetch through each request routine beside the curl command line
# fetching the same loopback URLs: bench/fetch_vs_curl.sh [BUILD_DIR] [RUNS]
# BUILD_DIR defaults to build/linux and must hold bench/bench_fetch_tool.
set -euo pipefail
build=${1:-build/linux}
runs=${2:-10}
tool="$build/bench/bench_fetch_tool"
[[ -x $tool ]] || { echo "fetch_vs_curl: build $tool first" >&2; exit 1; }

coproc SERVER { "$tool" serve; }
read -r origin <&"${SERVER[0]}"
trap 'exec {SERVER[1]}>&-; wait "$SERVER_PID" 2>/dev/null || true' EXIT

# Average wall time of $runs runs of the command, in milliseconds.
average_ms() {
  local start end
  start=$(date +%s%N)
  for ((i = 0; i < runs; i++)); do "$@" >/dev/null; done
  end=$(date +%s%N)
  echo $(((end - start) / runs / 1000000))
}

printf '%-10s %12s %12s %12s\n' size curl_ms wininet_ms winhttp_ms
for size in 16384 4194304 41943040; do
  url="$origin/body/$size"
  printf '%-10s %12s %12s %12s\n' "$size" \
    "$(average_ms curl -s --http1.1 --proxy '' -o /dev/null "$url")" \
    "$(average_ms "$tool" wininet "$url")" \
    "$(average_ms "$tool" winhttp "$url")"
done
