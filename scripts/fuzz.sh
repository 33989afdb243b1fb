#!/bin/sh
# usage: scripts/fuzz.sh [seconds per target, default 120] [libFuzzer options...]
# Builds the fuzz targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz and runs each for the given time.
# Each run starts from the committed seeds (fuzz/corpus/<target>, never
# written) and what earlier runs found (build-fuzz/corpus/<target>); a
# failing input is saved in build-fuzz/artifacts/ and stops the script.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-120}
[ $# -gt 0 ] && shift
"$root/scripts/install-deps.sh" clang libclang-rt-dev libomp-dev
build=$root/build-fuzz
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKYRA_FUZZ=ON \
    -DKYRA_CUDA=OFF -DKYRA_BUILD_TESTS=OFF -DKYRA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzz_mmio fuzz_interface
# The inputs are small: one OpenMP thread runs them fastest.
export OMP_NUM_THREADS=1
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$build/artifacts"
for target in fuzz_mmio fuzz_interface; do
    mkdir -p "$build/corpus/$target"
    echo "fuzzing $target for $seconds s"
    "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" "$@" \
        "$build/corpus/$target" "$root/fuzz/corpus/$target"
done
