#!/usr/bin/env bash
# Builds orderwatch and shows it working against the local demo store: installs what is
# missing, builds, starts the demo store in the background (stopped again on exit), and opens
# the window when there is a display, or watches a demo order in the terminal when there is not.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build build/linux -j2

store=build/linux/tools/demo-store/orderwatch-demo-store
certs=tools/demo-store/certs
host=$(sed -n 's/^STORE_HOST_NAME:STRING=//p' build/linux/CMakeCache.txt)
port=${host##*:}
if [[ "$host" != localhost:* && "$host" != 127.0.0.1:* ]]; then
  echo "run: this build asks the store at '$host', not the local demo store;" \
    "configure with -DSTORE_HOST_NAME=localhost:18443 to use the demo" >&2
  exit 1
fi

log=$(mktemp)
"$store" --https-port "$port" --certs "$certs" >"$log" 2>&1 &
store_pid=$!
trap 'kill "$store_pid" 2>/dev/null || true; rm -f "$log"' EXIT

# The store prints its list of demo orders once both ports are listening.
for _ in $(seq 100); do
  grep -q 'demo order' "$log" && break
  kill -0 "$store_pid" 2>/dev/null || { cat "$log" >&2; exit 1; }
  sleep 0.1
done
grep -q 'demo order' "$log" || { echo "run: the demo store did not start" >&2; exit 1; }

echo
echo "The demo store is running on https://$host. Its demo orders:"
sed -n 's/^  demo order \(.*\)  e-mail \(.*\)$/  order number \1   e-mail \2/p' "$log"
echo "Each order's status moves on every minute."
echo

# The status page comes back over plain HTTP; the store's own authority is trusted for any
# HTTPS the system's request backends meet on the way.
export ORDERWATCH_CA_FILE="$PWD/$certs/ca.pem"
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  build/linux/app/orderwatch
else
  echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set), so no window:" \
    "watching order W100001 in the terminal instead. Press Ctrl+C to stop."
  build/linux/app/orderwatch --watch W100001 demo@example.com
fi
