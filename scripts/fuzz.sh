#!/usr/bin/env bash
# Builds the libFuzzer programs with clang and runs one: scripts/fuzz.sh NAME [SECONDS].
# New inputs go to a scratch corpus; copy findings worth keeping into fuzz/corpus/NAME/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
name=${1:?usage: scripts/fuzz.sh NAME [SECONDS]}
seconds=${2:-60}
"$top/scripts/setup-debian.sh"
CC=clang CXX=clang++ cmake -S "$top" -B "$top/build-fuzz" -DTELVANE_FUZZ=ON \
    -DTELVANE_TESTS=OFF -DTELVANE_BENCH=OFF -DTELVANE_GUI=OFF >/dev/null
cmake --build "$top/build-fuzz" --target "fuzz_$name" -j"${TELVANE_JOBS:-2}"
scratch="$top/build-fuzz/corpus/$name"
mkdir -p "$scratch"
exec "$top/build-fuzz/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=5 \
    -artifact_prefix="$top/build-fuzz/findings-$name-" \
    "$scratch" "$top/fuzz/corpus/$name"
