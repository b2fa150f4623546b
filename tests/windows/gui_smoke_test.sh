#!/usr/bin/env bash
# The Windows window under Wine on a virtual X server:
#   gui_smoke_test.sh BUILD_DIR ORDERWATCH_EXE SCREEN_GRAB OUTPUT_DIR
#                     [TRUST_CA_EXE DEMO_STORE DEMO_STORE_CA STORE_PORT]
#
# It opens at 354 x 162, centred; a click on 查询 makes it a 354 x 24 strip at the same corner,
# drawn at an opacity of 150/255; a left drag on its background, or on the status line, moves
# it. Screenshots of each step go to OUTPUT_DIR. The program runs in a fresh copy of the build
# tree's booted Wine prefix, so nothing of an earlier run is left in its settings.
#
# Given the demo store, an order and its e-mail address are typed into the input boxes first:
# the query that the click starts reads them from its worker thread and asks the store for that
# order, and its status line is drawn in the strip.
set -euo pipefail

build_dir=$(realpath "$1")
program=$(realpath "$2")
screen_grab=$(realpath "$3")
output_dir=$4
store_args=("${@:5}")
here=$(dirname "$(realpath "$0")")
mkdir -p "$output_dir"

readonly screen_width=1024 screen_height=768
readonly width=354 height=162 strip_height=24
readonly expected_left=$(((screen_width - width) / 2)) expected_top=$(((screen_height - height) / 2))

work=$(mktemp -d)
xvfb_pid="" wine_pid="" store_pid=""
cleanup() {
  [[ -n "$wine_pid" ]] && kill "$wine_pid" 2>/dev/null || true
  [[ -n "$store_pid" ]] && kill "$store_pid" 2>/dev/null || true
  if [[ -d "$work/prefix" ]]; then
    WINEPREFIX="$work/prefix" wineserver -w 2>/dev/null || true
  fi
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "gui_smoke_test: $*" >&2
  [[ -s "$work/orderwatch.log" ]] && sed 's/^/  orderwatch: /' "$work/orderwatch.log" >&2
  exit 1
}

# Polls CONDITION (a command) every 0.1 s for up to SECONDS; the condition is what is waited on.
wait_until() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}

# The window's geometry as "LEFT TOP WIDTH HEIGHT".
geometry() {
  xwininfo -id "$window" | awk '
    /Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
    /Width:/ {w = $NF} /Height:/ {h = $NF} END {print x, y, w, h}'
}
geometry_is() { [[ "$(geometry)" == "$*" ]]; }

grab() {
  read -r left top w h <<<"$(geometry)"
  "$screen_grab" grab "$left" "$top" "$w" "$h" "$output_dir/$1.png" ||
    fail "could not save the screenshot $1"
  echo "screenshot: $output_dir/$1.png"
}

# Presses the left button at window coordinates X Y, moves by DX DY and releases, moving in
# small steps until the window has followed, since Wine starts its move loop only once the
# press has reached the program.
drag() {
  local x=$1 y=$2 dx=$3 dy=$4
  read -r left top _ _ <<<"$(geometry)"
  local press_x=$((left + x)) press_y=$((top + y))
  xdotool mousemove --sync "$press_x" "$press_y" mousedown 1
  local target="$((left + dx)) $((top + dy)) $(geometry | cut -d' ' -f3-)"
  local step=0
  moved() {
    step=$((step + 1))
    xdotool mousemove --sync "$((press_x + dx + step % 2))" "$((press_y + dy))"
    xdotool mousemove --sync "$((press_x + dx))" "$((press_y + dy))"
    geometry_is "$target"
  }
  wait_until 15 moved || { xdotool mouseup 1; fail "drag from ($x,$y): at $(geometry), not $target"; }
  xdotool mouseup 1
}

"$here/../../scripts/wine-run.sh" --fresh "$build_dir" "$work/prefix"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 "${screen_width}x${screen_height}x24" -nolisten tcp \
  >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
wait_until 20 test -s "$work/display" || fail "the X server did not start"
export DISPLAY=":$(head -n1 "$work/display")"
export QT_QPA_PLATFORM=xcb

# Every Wine process of the prefix shares the display of the first, so nothing runs in it before
# DISPLAY is set. Windows draws Chinese in the default GUI font by linking it to a Chinese face;
# here Wine's stand-in for that font is linked to the Chinese face the machine has.
for face in Tahoma "MS Shell Dlg" "Microsoft Sans Serif"; do
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
    /v "$face" /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f >/dev/null 2>&1
done

if ((${#store_args[@]} == 4)); then
  read -r trust_ca demo_store demo_store_ca store_port <<<"${store_args[*]}"
  wine "$trust_ca" "Z:${demo_store_ca//\//\\}" || fail "could not trust the demo store's CA"
  source "$here/demo_store.sh"
  start_demo_store "$demo_store" "$store_port" "$work/store.log" || fail "no demo store"
fi

wine "$program" >"$work/orderwatch.log" 2>&1 &
wine_pid=$!
window=""
find_window() { window=$(xdotool search --onlyvisible --class orderwatch.exe 2>/dev/null | head -n1); [[ -n "$window" ]]; }
wait_until 60 find_window || fail "the window did not appear"

wait_until 10 geometry_is "$expected_left $expected_top $width $height" ||
  fail "opened at $(geometry), not $expected_left $expected_top $width $height"
# The window took the program's icon group as its icon: the watch's rim colour (opaque
# 1F5FB0) is in the icon images Wine hands to the X server.
xprop -id "$window" -f _NET_WM_ICON 32c '=$0+' _NET_WM_ICON | grep -q "\b$((0xFF1F5FB0))\b" ||
  fail "the window does not show the program's icon"
grab 1-opened

# A drag on the background, between the two labels on the left.
drag 40 110 -100 -50
left=$((expected_left - 100)) top=$((expected_top - 50))
grab 2-dragged

if [[ -n "$store_pid" ]]; then
  # The input boxes: 编辑框1 at 96,64 and 编辑框2 at 96,120, each 160 x 40.
  xdotool mousemove --sync $((left + 176)) $((top + 84)) click 1 type --delay 20 W100003
  xdotool mousemove --sync $((left + 176)) $((top + 140)) click 1 type --delay 20 buyer@example.com
fi

# A click on 查询 (at 272,128, 80 x 32) makes the strip.
xdotool mousemove --sync $((left + 312)) $((top + 144)) click 1
wait_until 10 geometry_is "$left $top $width $strip_height" ||
  fail "after the click: $(geometry), not $left $top $width $strip_height"
opacity() { xprop -id "$window" _NET_WM_WINDOW_OPACITY | grep -o '[0-9]*$'; }
# Opacity is a fraction of 0xffffffff; Wine writes alpha * 0x01010101.
opacity_is_150() { [[ "$(opacity)" == "$((150 * 0x01010101))" ]]; }
wait_until 10 opacity_is_150 || fail "opacity is '$(opacity)', not 150/255"
if [[ -n "$store_pid" ]]; then
  asked() { grep -q "GET /go/cn/vieworder/W100003/buyer@example.com -> 302" "$work/store.log"; }
  wait_until 30 asked || fail "the store was not asked for the typed order: $(cat "$work/store.log")"
  page_fetched() { grep -q "^.* http .* GET .* -> 200" "$work/store.log"; }
  wait_until 30 page_fetched || fail "the status page was not fetched: $(cat "$work/store.log")"
fi
# The status line (标签3 at 8,0) has been drawn: the date and time at least.
"$screen_grab" wait-ink $((left + 8)) "$top" $((width - 8)) "$strip_height" 150 ||
  fail "the status line was not drawn"
grab 3-strip

# A drag on the status line moves the strip.
drag 100 12 60 200
grab 4-strip-dragged
echo "gui_smoke_test: passed"
