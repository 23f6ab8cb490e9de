#!/usr/bin/env bash
# Sets up, builds and runs every test: the normal build, then a second build of the
# non-GUI libraries with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=${TELVANE_JOBS:-2}
"$top/scripts/setup-debian.sh"

"$top/scripts/build.sh" "$top/build" -DTELVANE_TESTS=ON -DTELVANE_BENCH=ON
ctest --test-dir "$top/build" --output-on-failure -j"$jobs"

"$top/scripts/build.sh" "$top/build-sanitize" -DTELVANE_SANITIZE=address,undefined \
    -DTELVANE_GUI=OFF -DTELVANE_TESTS=ON -DTELVANE_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir "$top/build-sanitize" --output-on-failure -j"$jobs"
