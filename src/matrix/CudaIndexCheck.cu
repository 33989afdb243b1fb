// The device pass of the index check: every thread tests its elements and
// lowers the shared first-fault positions with an atomic minimum, which only
// happens on faults, so a valid input costs one read of each array.

#include <cuda_runtime_api.h>

#include <algorithm>

#include "cudalib/ErrorChecker.h"
#include "cudalib/Memory.h"
#include "matrix/CudaIndexCheckScan.h"

namespace Iterative {

namespace {

constexpr int kThreads = 256;
// Enough blocks to fill any current device; the loop strides over the rest.
constexpr long kMaxBlocks = 8192;

// Outside [base, base + n): unsigned arithmetic folds both bounds into one test.
__device__ bool outOfRange(int index, int base, int n) {
    return static_cast<unsigned>(index) - static_cast<unsigned>(base) >= static_cast<unsigned>(n);
}

__global__ void scanIndicesKernel(long count, int n, int nnz, const int* pointers, const int* indices,
                                  const int* moreIndices, int base, DeviceIndexScan* scan) {
    const long stride = static_cast<long>(blockDim.x) * gridDim.x;
    for (long k = blockIdx.x * static_cast<long>(blockDim.x) + threadIdx.x; k < count; k += stride) {
        const unsigned position = static_cast<unsigned>(k);
        if (pointers && k >= 1 && k <= n && pointers[k] < pointers[k - 1]) {
            atomicMin(&scan->firstDecrease, position);
        }
        if (k < nnz) {
            if (outOfRange(indices[k], base, n)) atomicMin(&scan->firstOutOfRange[0], position);
            if (moreIndices && outOfRange(moreIndices[k], base, n)) {
                atomicMin(&scan->firstOutOfRange[1], position);
            }
        }
    }
    if (pointers && blockIdx.x == 0 && threadIdx.x == 0) {
        scan->firstPointer = pointers[0];
        scan->lastPointer = pointers[n];
    }
}

}  // namespace

DeviceIndexScan scanDeviceIndices(int n, int nnz, const int* pointers, const int* indices,
                                  const int* moreIndices, int base) {
    DeviceIndexScan scan;
    const long count = pointers ? std::max(n + 1L, static_cast<long>(nnz)) : nnz;
    const cudalib::CudaBuffer<DeviceIndexScan> memory(1);
    DeviceIndexScan* const deviceScan = memory.get();
    // All bytes 0xFF: every position starts as kNone.
    cudalib::CudaErrorChecker(cudaMemset(deviceScan, 0xFF, sizeof scan));
    if (count > 0) {
        const long blocks = std::min(kMaxBlocks, (count + kThreads - 1) / kThreads);
        scanIndicesKernel<<<static_cast<unsigned>(blocks), kThreads>>>(count, n, nnz, pointers, indices,
                                                                       moreIndices, base, deviceScan);
        cudalib::CudaErrorChecker();
    }
    cudalib::CudaErrorChecker(cudaMemcpy(&scan, deviceScan, sizeof scan, cudaMemcpyDeviceToHost));
    return scan;
}

}  // namespace Iterative
