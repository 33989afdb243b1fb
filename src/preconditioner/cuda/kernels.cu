#include "preconditioner/cuda/kernels.h"

#include "core/Complex.h"
#include "cudalib/Algorithm.h"
#include "cudalib/ErrorChecker.h"
#include "cudalib/Memory.h"
#include "matrix/ScalarTypes.h"
#include "preconditioner/BlockInverse.h"

namespace pc {
namespace cuda {

namespace {

// Grid-stride loop over n items of a MaxBlocksMap1D launch.
#define KYRA_GRID_STRIDE(i, n) \
    for (int i = blockIdx.x * blockDim.x + threadIdx.x; i < (n); i += gridDim.x * blockDim.x)

template <typename T>
__global__ void generate_jacobi_csr_k(int m, int /*nnz*/, int base, const T* aVal, const int* aRowPtr,
                                      const int* aColInd, T* outVal, int* outRowPtr, int* outColInd) {
    KYRA_GRID_STRIDE(i, m) {
        // The last non-zero diagonal entry wins; NaN is not zero.
        T inverse = T(1);
        const int end = aRowPtr[i + 1] - base;
        for (int p = aRowPtr[i] - base; p < end; ++p) {
            if (aColInd[p] - base == i && !kyra::isZero(aVal[p])) inverse = T(1) / aVal[p];
        }
        outRowPtr[i] = i + base;
        outColInd[i] = i + base;
        outVal[i] = inverse;
        if (i == 0) outRowPtr[m] = m + base;
    }
}

// Row i of its diagonal block.
template <typename T>
__global__ void ExtractBlockJacobi_k(int b, int m, int n, int base, const T* aVal, const int* aColInd,
                                     const int* aRowPtr, T* outVal, int* outColInd, int* outRowPtr) {
    KYRA_GRID_STRIDE(i, m) {
        extractBlockRow(i, (i / b) * b, b, n, base, aVal, aRowPtr, aColInd, outVal, outRowPtr, outColInd);
        if (i == 0) outRowPtr[m] = m * b + base;
    }
}

// One thread per diagonal block, inverted in place with its b scratch
// elements of buffer.
template <typename T>
__global__ void InvertDiagonalBlocks_k(int b, int nb, int n, int /*base*/, T* outVal,
                                       const int* /*outRowPtr*/, const int* /*outColInd*/, T* buffer) {
    KYRA_GRID_STRIDE(block, nb) {
        const int s = block * b;
        const int k = min(b, n - s);
        if (k > 0)
            invertBlock(k, BlockView<T>{outVal + static_cast<long long>(s) * b, b},
                        buffer + static_cast<long long>(block) * b);
    }
}

// first <- the smallest row whose columns are not strictly increasing.
__global__ void firstUnsortedRow_k(int m, const int* rowPtr, const int* colInd, int* first) {
    KYRA_GRID_STRIDE(i, m) {
        for (int p = rowPtr[i] + 1; p < rowPtr[i + 1]; ++p) {
            if (colInd[p - rowPtr[0]] <= colInd[p - 1 - rowPtr[0]]) {
                atomicMin(first, i);
                break;
            }
        }
    }
}

#undef KYRA_GRID_STRIDE

// The one row pointer of a matrix without rows.
void emptyRowPointers(int base, int* outRowPtr) {
    cudalib::CudaMemsetType(outRowPtr, base, 1);
    cudalib::CudaErrorChecker::CheckError(cudaGetLastError());
}

}  // namespace

template <typename T>
void jacobi(int m, int /*n*/, int nnz, int base, const T* aVal, const int* aRowPtr, const int* aColInd,
            T* outVal, int* outRowPtr, int* outColInd) {
    if (m == 0) return emptyRowPointers(base, outRowPtr);
    const cudalib::MaxBlocksMap1D map(static_cast<unsigned>(m));
    generate_jacobi_csr_k<T><<<map.Grid(), map.Threads(), 0, 0>>>(m, nnz, base, aVal, aRowPtr, aColInd,
                                                                  outVal, outRowPtr, outColInd);
    cudalib::CudaErrorChecker::CheckError(cudaGetLastError());
}

template <typename T>
void block_jacobi(int blockSize, int m, int n, int /*nnz*/, int base, const T* aVal, const int* aRowPtr,
                  const int* aColInd, T* outVal, int* outRowPtr, int* outColInd) {
    const int b = blockSize;
    if (m == 0) return emptyRowPointers(base, outRowPtr);
    const cudalib::MaxBlocksMap1D rows(static_cast<unsigned>(m));
    ExtractBlockJacobi_k<T><<<rows.Grid(), rows.Threads(), 0, 0>>>(b, m, n, base, aVal, aColInd, aRowPtr,
                                                                   outVal, outColInd, outRowPtr);
    cudalib::CudaErrorChecker::CheckError(cudaGetLastError());
    const int nb = (n + b - 1) / b;
    if (nb == 0) return;
    cudalib::MaxBlocksMap1D blocks(static_cast<unsigned>(nb));
    blocks.SetThreads(32);
    cudalib::CudaBuffer<T> scratch(static_cast<size_t>(nb) * b);
    InvertDiagonalBlocks_k<T><<<blocks.Grid(), blocks.Threads(), 0, 0>>>(b, nb, n, base, outVal, outRowPtr,
                                                                         outColInd, scratch.get());
    cudalib::CudaErrorChecker::CheckError(cudaGetLastError());
    // The scratch buffer is freed on return: wait for the inversion first.
    cudalib::CudaErrorChecker::CheckError(cudaDeviceSynchronize());
}

bool rowsAreSorted(int m, const int* rowPtr, const int* colInd) {
    if (m == 0) return true;
    cudalib::CudaBuffer<int> first(1, &m);
    const cudalib::MaxBlocksMap1D map(static_cast<unsigned>(m));
    firstUnsortedRow_k<<<map.Grid(), map.Threads(), 0, 0>>>(m, rowPtr, colInd, first.get());
    cudalib::CudaErrorChecker::CheckError(cudaGetLastError());
    int row = m;
    cudalib::MemcpyDeviceToHost(&row, first.get(), 1);
    return row == m;
}

#define KYRA_INSTANTIATE_CUDA_KERNELS(T)                                                           \
    template void jacobi<T>(int, int, int, int, const T*, const int*, const int*, T*, int*, int*); \
    template void block_jacobi<T>(int, int, int, int, int, const T*, const int*, const int*, T*, int*, int*);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_CUDA_KERNELS)

}  // namespace cuda
}  // namespace pc
