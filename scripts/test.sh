#!/bin/sh
# usage: scripts/test.sh [--sanitize]
# Builds and runs the whole test suite; --sanitize uses a separate host-only
# build (-DKYRA_CUDA=OFF) with AddressSanitizer and UndefinedBehaviorSanitizer,
# so CI compiles and tests both configurations.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" = "--sanitize" ]; then
    build=$root/build-sanitize
    "$root/scripts/build.sh" "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKYRA_SANITIZE=ON -DKYRA_BUILD_BENCH=OFF -DKYRA_CUDA=OFF
    export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
else
    build=$root/build
    "$root/scripts/build.sh" "$build"
fi
export OMP_NUM_THREADS=${OMP_NUM_THREADS:-2}
ctest --test-dir "$build" --output-on-failure -j2
