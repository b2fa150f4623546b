#!/usr/bin/env bash
# Runs a Windows program of the build under Wine: the CTest emulator of the Windows build.
#
#   wine-run.sh PROGRAM.exe [ARGUMENTS...]
#
# The Wine prefix is $OW_WINEPREFIX when set, otherwise "wineprefix" in the build tree that holds
# the program (the directory with CMakeCache.txt). It is created and booted once, under a lock so
# that tests started in parallel wait for the same boot, and reused by every later run.
set -euo pipefail

if (($# < 1)); then
  echo "usage: wine-run.sh PROGRAM.exe [ARGUMENTS...]" >&2
  exit 2
fi
program=$(realpath "$1")
shift

build_root() {
  local dir
  dir=$(dirname "$program")
  while [[ "$dir" != / ]]; do
    [[ -f "$dir/CMakeCache.txt" ]] && { echo "$dir"; return; }
    dir=$(dirname "$dir")
  done
  echo "wine-run: $program is not inside a build tree; set OW_WINEPREFIX" >&2
  exit 2
}

export WINEPREFIX=${OW_WINEPREFIX:-$(build_root)/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko: nothing we run needs them, and their installers would ask through a dialog.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
wine=$(command -v wine64 || command -v wine)

if [[ ! -f "$WINEPREFIX/.orderwatch-ready" ]]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [[ ! -f "$WINEPREFIX/.orderwatch-ready" ]]; then
      "$wine" wineboot --init >/dev/null 2>&1
      wineserver -w
      touch "$WINEPREFIX/.orderwatch-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
fi

exec "$wine" "$program" "$@"
