# Sourced by the Windows end-to-end scripts: runs the native demo store on the port the program
# was built for.

# start_demo_store PROGRAM PORT LOG: starts the store with statuses that stay still, sets
# store_pid, and returns once it listens. The port is fixed, so another run of the store (the
# Linux build's end-to-end test) may hold it for a while: the store is started again until it
# listens, for up to 90 seconds.
start_demo_store() {
  local program=$1 port=$2 log=$3
  local deadline=$((SECONDS + 90))
  store_pid=""
  until [[ -n "$store_pid" ]] && grep -q "order view on https://localhost:$port" "$log"; do
    if ((SECONDS >= deadline)); then
      echo "the demo store did not start: $(cat "$log")" >&2
      return 1
    fi
    if [[ -z "$store_pid" ]] || ! kill -0 "$store_pid" 2>/dev/null; then
      [[ -n "$store_pid" ]] && sleep 1
      "$program" --https-port "$port" --http-port 0 --step-seconds 3600 >"$log" 2>&1 &
      store_pid=$!
    fi
    sleep 0.1
  done
}
