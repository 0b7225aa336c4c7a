#!/usr/bin/env bash
# Configures and builds into the given folder. Extra arguments go to CMake.
set -euo pipefail
dir=${1:?build folder}; shift
cmake -S "$(dirname "$0")/.." -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$dir"
