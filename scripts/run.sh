#!/usr/bin/env bash
# Sets up, builds and runs: shows what the reader library sees, on the virtual reader
# with the demo card (pass --virtual-reader=IMAGE for another card image, or no
# argument with a real reader plugged in: scripts/run.sh "").
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup-debian.sh"
"$top/scripts/build.sh" "$top/build"
if [ $# -eq 0 ]; then
    set -- --virtual-reader
fi
exec "$top/build/bin/quillon-info" "$@"
