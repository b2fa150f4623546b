#!/usr/bin/env bash
# Takes the README's pictures: the window as it opens (docs/window.png) and the watching strip
# after a query (docs/strip.png). The real program runs against the local demo store on a
# virtual X server (Xvfb) with Qt's xcb platform; a compositing manager, when one is installed
# (xcompmgr), draws the strip translucent as a desktop would. Input comes from xdotool.
#
# Usage: scripts/screenshots.sh [BUILD_DIR]   (default build/linux, configured if missing)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/linux}
if [[ ! -f $build/CMakeCache.txt ]]; then
  cmake --preset default >/dev/null
  build=build/linux
fi
cmake --build "$build" -j2 --target orderwatch orderwatch-demo-store orderwatch-screen-grab

program=$build/app/orderwatch
store=$build/tools/demo-store/orderwatch-demo-store
grab=$build/tests/app/orderwatch-screen-grab
certs=tools/demo-store/certs
host=$(sed -n 's/^STORE_HOST_NAME:STRING=//p' "$build/CMakeCache.txt")
port=${host##*:}
if [[ "$host" != localhost:* && "$host" != 127.0.0.1:* ]]; then
  echo "screenshots: this build asks the store at '$host', not the local demo store" >&2
  exit 1
fi

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# The X server picks a free display number and reports it once it accepts connections.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp +extension Composite \
  3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
read -r -t 30 display <"$work/display" || { cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$display" QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

if command -v xcompmgr >/dev/null; then
  xcompmgr >"$work/xcompmgr.log" 2>&1 &
  pids+=($!)
else
  echo "screenshots: xcompmgr is not installed, so the strip is pictured opaque" >&2
fi

"$grab" backdrop >"$work/backdrop.log" 2>&1 &
pids+=($!)
xdotool search --sync --pid "${pids[-1]}" >/dev/null

"$store" --https-port "$port" --certs "$certs" >"$work/store.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  grep -q 'demo order' "$work/store.log" && break
  sleep 0.1
done
grep -q 'demo order' "$work/store.log" || { cat "$work/store.log" >&2; exit 1; }

ORDERWATCH_CA_FILE="$PWD/$certs/ca.pem" "$program" >"$work/orderwatch.log" 2>&1 &
pids+=($!)
window=$(xdotool search --sync --onlyvisible --pid "${pids[-1]}" | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$window")"  # X, Y, WIDTH, HEIGHT

# A margin of desktop around the window shows that it has no frame.
margin=16
shoot() {  # shoot FILE WIDTH HEIGHT
  "$grab" grab $((X - margin)) $((Y - margin)) $(($2 + 2 * margin)) $(($3 + 2 * margin)) "$1"
}

xdotool mousemove $((X + 176)) $((Y + 84)) click 1 type --delay 20 W100001
xdotool mousemove $((X + 176)) $((Y + 140)) click 1 type --delay 20 demo@example.com
xdotool mousemove $((X + 330)) $((Y + 100))
mkdir -p docs
shoot docs/window.png "$WIDTH" "$HEIGHT"

xdotool mousemove $((X + 312)) $((Y + 144)) click 1
xdotool mousemove 20 580
# "状态:" alone is about 40 pixels wide; a status with its date and time reaches much further.
"$grab" wait-ink "$X" "$Y" 354 24 160
shoot docs/strip.png 354 24
echo "screenshots: wrote docs/window.png and docs/strip.png"
