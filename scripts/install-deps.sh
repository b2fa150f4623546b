#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need, and only
# what is missing. Safe to run again and again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev libgl-dev libcurl4-openssl-dev libssl-dev libicu-dev openssl
  fonts-wqy-microhei
  libgtest-dev libgmock-dev googletest libbenchmark-dev libcpp-httplib-dev
  xvfb xauth x11-utils xdotool xcompmgr
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 wine
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]})); then
  if [[ $(id -u) -ne 0 ]]; then
    echo "install-deps: missing packages (${missing[*]}); run as root to install them" >&2
    exit 1
  fi
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get -o DPkg::Lock::Timeout=600 update -qq
  apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
fi
