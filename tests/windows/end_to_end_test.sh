#!/usr/bin/env bash
# The whole query on the Windows build: orderwatch.exe --once under Wine against the demo store.
#   end_to_end_test.sh BUILD_DIR ORDERWATCH_EXE TRUST_CA_EXE DEMO_STORE DEMO_STORE_CA STORE_PORT
#
# The demo store runs natively on the port the program was built for. Its certificate authority
# is made a trusted root of a fresh Wine prefix first: Wine 8 does not let the request object
# ignore certificate errors, so the first request succeeds only with a certificate that
# verifies.
set -euo pipefail

build_dir=$(realpath "$1")
program=$(realpath "$2")
trust_ca=$(realpath "$3")
demo_store=$(realpath "$4")
demo_store_ca=$(realpath "$5")
store_port=$6
here=$(dirname "$(realpath "$0")")

work=$(mktemp -d)
store_pid=""
cleanup() {
  [[ -n "$store_pid" ]] && kill "$store_pid" 2>/dev/null || true
  if [[ -d "$work/prefix" ]]; then
    WINEPREFIX="$work/prefix" wineserver -w 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "end_to_end_test: $*" >&2
  exit 1
}

"$here/../../scripts/wine-run.sh" --fresh "$build_dir" "$work/prefix"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine "$trust_ca" "Z:${demo_store_ca//\//\\}" || fail "could not trust the demo store's CA"

source "$here/demo_store.sh"
start_demo_store "$demo_store" "$store_port" "$work/store.log" || fail "no demo store"

# order, e-mail, the description its status line must begin with
cases=(
  "W100001 demo@example.com 已下单"
  "W100003 buyer@example.com 已发货"
  "W999999 demo@example.com -"
)
date_time='---[0-9]{4}年[0-9]{1,2}月[0-9]{1,2}日([0-9]{1,2}时([0-9]{1,2}分([0-9]{1,2}秒)?)?)?'
for entry in "${cases[@]}"; do
  read -r order email description <<<"$entry"
  [[ "$description" == - ]] && description=""  # an unknown order's page names no status
  output=$(wine "$program" --once "$order" "$email" | tr -d '\r')
  echo "$order: $output"
  [[ "$output" =~ ^"$description"$date_time$ ]] ||
    fail "$order: '$output' is not the status line of '$description'"
  grep -q "GET /go/cn/vieworder/$order/$email -> 302" "$work/store.log" ||
    fail "$order: the store saw no order-view request"
done
echo "end_to_end_test: passed"
