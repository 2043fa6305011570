#!/bin/sh
# Builds the libFuzzer programs of tests/fuzz with clang in build/fuzz and runs
# each for a fixed number of executions on a scratch copy of its seeds in
# tests/fuzz/corpus/<program>: fuzz.sh [runs]   (1000000 by default).
# Fails when any program finds a crash; its input is kept in build/fuzz/crashes.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-1000000}
"$root/scripts/deps.sh" clang libclang-rt-dev cmake ninja-build libicu-dev
dir="$root/build/fuzz"
if [ ! -f "$dir/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZUMI_FUZZ=ON
fi
# Low priority, here and for the runs: benchmarks may be measured on this machine at the same time.
nice -n 19 cmake --build "$dir"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$dir/crashes"
failed=""
for seeds in "$root"/tests/fuzz/corpus/*/; do
    target=$(basename "$seeds")
    cp -R "$seeds" "$scratch/$target"
    if nice -n 19 "$dir/tests/fuzz/$target" -runs="$runs" -artifact_prefix="$dir/crashes/$target-" \
        "$scratch/$target" >"$scratch/$target.log" 2>&1; then
        result=passed
    else
        result=FAILED
        failed="$failed $target"
        tail -n 40 "$scratch/$target.log"
    fi
    done_line=$(grep '^Done ' "$scratch/$target.log" || echo "no 'Done' line")
    echo "$target: $result ($done_line)"
    # The final coverage, features and corpus size, for comparing runs.
    grep 'DONE ' "$scratch/$target.log" || true
done
if [ -n "$failed" ]; then
    echo "fuzz.sh: crashes found by:$failed" >&2
    exit 1
fi
