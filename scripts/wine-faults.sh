#!/usr/bin/env bash
# The fault matrix for the Windows build: `orderwatch.exe --once` under Wine against the
# misbehaving servers of tests/faults (tests/faults/wine_fault_matrix_test.cpp). Run on demand;
# it takes a few minutes, most of them in the two stalls that run into the program's 30-second
# bounds.
#
#   scripts/wine-faults.sh [GTEST OPTIONS...]
#
# The program is built for a store on localhost:$OW_SOAK_PORT (28443 unless set) in
# build/soak-windows, and runs in a Wine prefix of its own there that trusts the test CA (Wine's
# request object verifies every certificate, and takes the test certificate only for the name
# localhost, not for the address 127.0.0.1). The native side is built in build/soak;
# OW_SOAK_BUILD and OW_SOAK_WINDOWS_BUILD name other build trees.
set -euo pipefail
cd "$(dirname "$0")/.."

soakPort=${OW_SOAK_PORT:-28443}
build=${OW_SOAK_BUILD:-build/soak}
windowsBuild=${OW_SOAK_WINDOWS_BUILD:-build/soak-windows}
export ORDERWATCH_CA_FILE=$PWD/tests/fixtures/certs/ca.pem

cmake --preset default -B "$build" -DSTORE_HOST_NAME="localhost:$soakPort" \
  -DORDERWATCH_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j2 --target wine_fault_matrix_test
cmake --preset windows -B "$windowsBuild" -DSTORE_HOST_NAME="localhost:$soakPort" >/dev/null
cmake --build "$windowsBuild" -j2 --target orderwatch trust_ca

export OW_WINEPREFIX=$PWD/$windowsBuild/soak-prefix
if [[ ! -f $OW_WINEPREFIX/.trusts-test-ca ]]; then
  bash scripts/wine-run.sh "$windowsBuild/tests/windows/trust_ca.exe" \
    "Z:${ORDERWATCH_CA_FILE//\//\\}"
  touch "$OW_WINEPREFIX/.trusts-test-ca"
fi

ORDERWATCH_WINDOWS_PROGRAM=$PWD/$windowsBuild/app/orderwatch.exe \
  ORDERWATCH_WINE_RUN=$PWD/scripts/wine-run.sh \
  ORDERWATCH_STORE_PORT=$soakPort \
  "$build/tests/faults/wine_fault_matrix_test" "$@"
