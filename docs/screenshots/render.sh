#!/usr/bin/env bash
# Renders the windows to docs/screenshots/, headless: render.sh [BUILD_DIR] (default build
# beside the sources): the main window in Chinese and in English on a 1024 x 768 screen,
# the About box, and the progress window of a transfer at 50 %.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
dir=${1:-$top/build}
out=$top/docs/screenshots
cmake -S "$top" -B "$dir" >/dev/null
cmake --build "$dir" --target telvane_screenshots Zhvalo Envalo -j"${TELVANE_JOBS:-2}" >/dev/null
render() { QT_QPA_PLATFORM=offscreen "$dir/bin/telvane_screenshots" "$@" 2>/dev/null; }
render main-window "Chinese Simplified" "$out/main-window-zh.png"
render main-window English "$out/main-window-en.png"
render about English "$out/about-en.png"
render progress-50 "$out/progress-50.png"
echo "wrote $out/main-window-zh.png main-window-en.png about-en.png progress-50.png"
