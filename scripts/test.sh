#!/usr/bin/env bash
# One build with the address and undefined-behaviour sanitizers, then every test under them.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" "$top/build-test" -DKIV_SANITIZE=ON -DKIV_BENCH=OFF
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
cd "$top/build-test"
ctest --output-on-failure -j"$(nproc)" --timeout 600
