#!/usr/bin/env bash
# Renders the progress window of a transfer at 50 % to docs/screenshots/progress-50.png,
# headless: render-progress.sh [BUILD_DIR] (default build-ui beside the sources).
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
dir=${1:-$top/build-ui}
cmake -S "$top" -B "$dir" >/dev/null
cmake --build "$dir" --target telvane_screenshots -j"${TELVANE_JOBS:-2}" >/dev/null
QT_QPA_PLATFORM=offscreen "$dir/bin/telvane_screenshots" progress-50 \
    "$top/docs/screenshots/progress-50.png"
echo "wrote $top/docs/screenshots/progress-50.png"
