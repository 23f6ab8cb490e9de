#!/usr/bin/env bash
# Sets up, builds and starts Telvane on the virtual reader with the demo card
# (scripts/run.sh --virtual-reader=IMAGE for another card image; scripts/run.sh "" with a
# real reader plugged in). Without a display it says so and shows what the reader library
# sees instead; QT_QPA_PLATFORM=offscreen or xvfb-run start the window without one.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup-debian.sh"
"$top/scripts/build.sh" "$top/build"
if [ $# -eq 0 ]; then
    set -- --virtual-reader
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display here: the window needs a desktop session (or run"
    echo "  QT_QPA_PLATFORM=offscreen $top/build/bin/telvane $*  or  xvfb-run ...)."
    echo "What the reader library sees:"
    exec "$top/build/bin/quillon-info" "$@"
fi
exec "$top/build/bin/telvane" "$@"
