#!/bin/sh
# usage: scripts/test.sh [--sanitize]
# Builds and runs the whole test suite; --sanitize uses a separate build with
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" = "--sanitize" ]; then
    build=$root/build-sanitize
    "$root/scripts/build.sh" "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKYRA_SANITIZE=ON -DKYRA_BUILD_BENCH=OFF
    export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
else
    build=$root/build
    "$root/scripts/build.sh" "$build"
fi
export OMP_NUM_THREADS=${OMP_NUM_THREADS:-2}
ctest --test-dir "$build" --output-on-failure -j2

# The Python package: pip builds the library and the extension from this
# project into a virtual environment under the build folder, then pytest runs
# its tests (any nonzero exit, 5 for "no tests collected" included, fails).
if [ "${1:-}" != "--sanitize" ]; then
    venv=$build/venv
    [ -x "$venv/bin/python" ] || python3 -m venv "$venv"
    "$venv/bin/pip" install -q --disable-pip-version-check scipy numpy pytest scikit-build-core nanobind
    "$venv/bin/pip" install -q --disable-pip-version-check --no-build-isolation "$root/python"
    OMP_NUM_THREADS=1 "$venv/bin/python" -m pytest -q -p no:cacheprovider "$root/python/tests"
fi
