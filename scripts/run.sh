#!/usr/bin/env bash
# Installs what is missing, builds the program (and only what it needs), and starts tarrow in the
# current folder (its catalog lives there).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIV_TESTS=OFF \
  -DKIV_BENCH=OFF
cmake --build "$top/build" --target tarrow
exec "$top/build/app/tarrow" "$@"
