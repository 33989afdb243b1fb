#!/bin/sh
# usage: scripts/test-gpu.sh [BUILD_DIR]
# On a machine with an H100/H200-class GPU: builds the CUDA configuration for
# that architecture only (sm_90), runs the device tests and the device
# benchmark. Fails on the first failing step; a test that skips for want of a
# device counts as a failure here.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-gpu}
jobs=$(nproc)

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKYRA_CUDA=ON \
    -DCMAKE_CUDA_ARCHITECTURES=90-real >/dev/null
cmake --build "$build" -j "$jobs" --target test_cudalib test_matrix test_platform bench_cuda

# The device must be usable: a skipped device test would hide every check.
run_device_tests() {
    output=$("$@" 2>&1) || { echo "$output"; exit 1; }
    echo "$output" | tail -n 3
    if echo "$output" | grep -q '\[  SKIPPED \]'; then
        echo "$output" | grep -m 1 -A 1 'Skipped'
        echo "test-gpu: device tests skipped: no usable device" >&2
        exit 1
    fi
    echo "$output" | grep -q '\[  PASSED  \] [1-9]' || { echo "test-gpu: no device test ran" >&2; exit 1; }
}
echo "== device tests"
run_device_tests "$build/tests/test_cudalib" --gtest_filter='Device*:Cusparse*'
run_device_tests "$build/tests/test_matrix" --gtest_filter='Cuda*'
run_device_tests "$build/tests/test_platform" --gtest_filter='CudaPlatformDevice*:CudaPlatformTest.Runtime*'
echo "== device benchmark"
"$build/bench/bench_cuda"

echo "== device conversions, index check and device platform"
cmake --build "$build" -j "$jobs" --target test_platform bench_cuda_convert
run_device_tests "$build/tests/test_matrix" --gtest_filter='DeviceConvert/*.GivesTheHostArrays:DeviceIndexCheck.*'
run_device_tests "$build/tests/test_platform" --gtest_filter='CudaDeviceSolve.*'
"$build/bench/bench_cuda_convert"
