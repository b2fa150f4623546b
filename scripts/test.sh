#!/usr/bin/env bash
# The README's test command: installs what is missing, builds every configuration and runs
# every test. Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc)
werror=-DORDERWATCH_WERROR=ON

step() { printf '\n==== %s\n' "$*"; }

step "Linux build"
cmake --preset default $werror >/dev/null
cmake --build build/linux -j"$jobs"

step "All Linux tests"
ctest --preset default -j"$jobs"

step "Unit and integration tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset asan $werror >/dev/null
cmake --build build/asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --preset asan -j"$jobs"

step "Concurrency tests under ThreadSanitizer"
cmake --preset tsan $werror >/dev/null
# Only what the concurrency tests run: the rest is covered by the other two builds.
cmake --build build/tsan -j"$jobs" --target http_concurrency_tests window_accessors_concurrency_test \
  terminal_demo_store_test orderwatch orderwatch-terminal orderwatch-demo-store
ctest --preset tsan -j"$jobs" --no-tests=ignore

for extra in scripts/test-windows.sh scripts/test-fuzz.sh; do
  if [[ -x $extra ]]; then
    step "$extra"
    bash "$extra"
  fi
done

step "All tests passed"
