#!/usr/bin/env bash
# Cross-builds the Windows program and its tests with mingw-w64 and runs them under Wine:
# the portable unit tests, the Windows backends against local servers, the code-page
# comparison with the Linux backend, the window under Xvfb and the whole query against the
# demo store. Arguments go to ctest (e.g. -R gui, --output-on-failure).
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset windows >/dev/null
cmake --build --preset windows -j2
ctest --preset windows "$@"
