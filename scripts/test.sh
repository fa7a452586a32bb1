#!/usr/bin/env bash
# Sets everything up, builds and runs the whole test suite.
#   scripts/test.sh --all       everything CI runs: the two below, then 30 s of
#                               fuzzing for each harness
#   scripts/test.sh             the ordinary build, in build/
#   scripts/test.sh --sanitize  with AddressSanitizer and UBSan, in build-sanitize/
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" = "--all" ]; then
    "$repo/scripts/test.sh"
    "$repo/scripts/test.sh" --sanitize
    exec "$repo/scripts/fuzz.sh" 30
fi
"$repo/scripts/setup.sh" --tests

build="$repo/build"
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
    build="$repo/build-sanitize"
    options+=(-DVESTRA_SANITIZE=ON -DVESTRA_BUILD_BENCHMARKS=OFF)
    # Leak reports would come from the system's font and display libraries
    # rather than from this program; every other fault stops the test.
    export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi

cmake -S "$repo" -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
cd "$build"
ctest --output-on-failure -j"$(nproc)"
