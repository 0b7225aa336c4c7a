#!/usr/bin/env bash
# Installs what is missing, builds, and starts tarrow in the current folder (its catalog lives there).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" "$top/build" -DKIV_BENCH=OFF
exec "$top/build/app/tarrow" "$@"
