#!/usr/bin/env bash
# Configures and builds one tree: scripts/build.sh [BUILD_DIR [CMAKE_OPTION ...]].
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$top/build}
shift || true
cmake -S "$top" -B "$dir" "$@" >/dev/null
cmake --build "$dir" -j"${TELVANE_JOBS:-2}"
