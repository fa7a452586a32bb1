#!/usr/bin/env bash
# Builds the fuzzing harnesses with clang (in build-fuzz/) and runs each for
# a while, starting from and adding to its corpus in build-fuzz/corpus/.
#   scripts/fuzz.sh [SECONDS-PER-HARNESS]   (default 60)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
"$repo/scripts/setup.sh" --tests

build="$repo/build-fuzz"
cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVESTRA_FUZZ=ON \
    -DVESTRA_BUILD_TESTS=OFF -DVESTRA_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target vestra_fuzzers

# Leaks fail the run. AddressSanitizer holds freed memory back for a while
# to catch late uses of it, which looks like growth in libFuzzer's rss
# figure; a smaller hold keeps the harnesses well inside libFuzzer's
# memory limit without losing that check.
export ASAN_OPTIONS=detect_leaks=1:quarantine_size_mb=32
export LSAN_OPTIONS="suppressions=$repo/fuzz/lsan.supp"
count=0
for harness in "$build"/fuzz/fuzz_*; do
    [ -f "$harness" ] && [ -x "$harness" ] || continue
    name=$(basename "$harness")
    corpus="$build/corpus/$name"
    mkdir -p "$corpus"
    seeds=()
    [ -d "$repo/fuzz/seeds/$name" ] && seeds=("$repo/fuzz/seeds/$name")
    echo "== $name for $seconds s"
    log="$build/$name.log"
    mkdir -p "$build/crashes"
    if ! "$harness" -max_total_time="$seconds" -timeout=10 -artifact_prefix="$build/crashes/$name-" \
            "$corpus" "${seeds[@]}" >"$log" 2>&1; then
        tail -40 "$log"
        echo "$name found a fault; the input is in $build/crashes/"
        exit 1
    fi
    grep -E '^Done [0-9]+ runs' "$log" || true
    count=$((count + 1))
done
echo "fuzzing: $count passed, 0 failed"
