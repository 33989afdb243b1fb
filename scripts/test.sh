#!/bin/sh
# usage: scripts/test.sh [--sanitize | --tsan]
# Builds and runs the whole test suite; --sanitize uses a separate host-only
# build (-DKYRA_CUDA=OFF) with AddressSanitizer and UndefinedBehaviorSanitizer,
# so CI compiles and tests both configurations; --tsan one with
# ThreadSanitizer (host only).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
exclude=""
if [ "${1:-}" = "--sanitize" ]; then
    build=$root/build-sanitize
    "$root/scripts/build.sh" "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKYRA_SANITIZE=ON -DKYRA_BUILD_BENCH=OFF -DKYRA_CUDA=OFF
    export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
elif [ "${1:-}" = "--tsan" ]; then
    build=$root/build-tsan
    "$root/scripts/build.sh" "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKYRA_TSAN=ON -DKYRA_CUDA=OFF \
        -DKYRA_BUILD_BENCH=OFF
    # The OpenMP runtime (and OpenBLAS's OpenMP build) is not instrumented:
    # ThreadSanitizer cannot see its thread team's synchronisation and would
    # report races that are none. With one OpenMP thread it watches what is
    # ours: the handles' worker threads, their callers and the callbacks.
    # Left out: the tests that ask for a team of two themselves, and the
    # installed-interface check, whose plain C program is not instrumented.
    export OMP_NUM_THREADS=1
    export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
    exclude='Factories\.(Ilu0FailuresInTheirOrder|Ilu0OfManyRows|ApproximateInverseFailuresAndThreads)|^install'
else
    build=$root/build
    "$root/scripts/build.sh" "$build"
fi
export OMP_NUM_THREADS=${OMP_NUM_THREADS:-2}
ctest --test-dir "$build" --output-on-failure -j2 ${exclude:+-E "$exclude"}

# The Python package: pip builds the library and the extension from this
# project into a virtual environment under the build folder, then pytest runs
# its tests (any nonzero exit, 5 for "no tests collected" included, fails).
if [ -z "${1:-}" ]; then
    venv=$build/venv
    [ -x "$venv/bin/python" ] || python3 -m venv "$venv"
    "$venv/bin/pip" install -q --disable-pip-version-check scipy numpy pytest scikit-build-core nanobind
    "$venv/bin/pip" install -q --disable-pip-version-check --no-build-isolation "$root/python"
    OMP_NUM_THREADS=1 "$venv/bin/python" -m pytest -q -p no:cacheprovider "$root/python/tests"
fi
