#!/usr/bin/env bash
# Runs a Windows program of the build under Wine: the CTest emulator of the Windows build.
#
#   wine-run.sh PROGRAM.exe [ARGUMENTS...]
#   wine-run.sh --boot BUILD_DIR        only create and boot the build tree's prefix
#   wine-run.sh --fresh BUILD_DIR DEST  make DEST a fresh copy of the build tree's booted prefix
#
# The Wine prefix is $OW_WINEPREFIX when set, otherwise "wineprefix" in the build tree that holds
# the program (the directory with CMakeCache.txt). It is created and booted once, under a lock so
# that tests started in parallel wait for the same boot, and reused by every later run.
set -euo pipefail

usage() {
  echo "usage: wine-run.sh PROGRAM.exe [ARGUMENTS...]" >&2
  echo "       wine-run.sh --boot BUILD_DIR | --fresh BUILD_DIR DEST" >&2
  exit 2
}
(($# >= 1)) || usage
mode=run
case "$1" in
  --boot) (($# == 2)) || usage; mode=boot ;;
  --fresh) (($# == 3)) || usage; mode=fresh; fresh_prefix=$3 ;;
esac
if [[ "$mode" == run ]]; then
  program=$(realpath "$1")
else
  program=$(realpath "$2")/CMakeCache.txt
fi
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

case "$mode" in
  boot) exit 0 ;;
  fresh)
    # The booted prefix's files are linked rather than copied where the file system allows it
    # (Wine does not write to them), except the registry, which a running program changes.
    mkdir -p "$fresh_prefix"
    cp -al "$WINEPREFIX/." "$fresh_prefix/" 2>/dev/null || cp -a "$WINEPREFIX/." "$fresh_prefix/"
    for registry in "$WINEPREFIX"/*.reg; do
      cp --remove-destination "$registry" "$fresh_prefix/$(basename "$registry")"
    done
    exit 0
    ;;
esac
exec "$wine" "$program" "$@"
