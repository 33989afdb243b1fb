// Device steps of the COO and CSC to CSR conversions, with Thrust on the
// CUDA back end. Thrust's own failures are turned into the CUDA support
// library's exceptions here, so callers see one family of errors.

#include <cuda_runtime_api.h>
#include <thrust/binary_search.h>
#include <thrust/copy.h>
#include <thrust/fill.h>
#include <thrust/gather.h>
#include <thrust/iterator/counting_iterator.h>
#include <thrust/iterator/transform_iterator.h>
#include <thrust/iterator/transform_output_iterator.h>
#include <thrust/sequence.h>
#include <thrust/sort.h>
#include <thrust/system/cuda/error.h>
#include <thrust/system/cuda/execution_policy.h>
#include <thrust/system_error.h>
#include <thrust/transform.h>

#include "cudalib/CudaException.h"
#include "cudalib/Memory.h"
#include "matrix/CudaDeviceConvertKernels.h"
#include "matrix/ScalarTypes.h"

namespace Iterative {

namespace {

// Raw device pointers need an explicit CUDA policy; the default stream keeps
// the steps ordered with cuSPARSE and with the final synchronisation.
auto onDefaultStream() { return thrust::cuda::par_nosync.on(cudaStream_t{}); }

struct AddConstant {
    int delta;
    __host__ __device__ int operator()(int value) const { return value + delta; }
};

template <typename Work>
void runThrust(Work work) {
    try {
        work();
    } catch (const thrust::system_error& e) {
        if (e.code().category() != thrust::cuda_category()) throw;
        const int error = e.code().value();
        if (error == cudaErrorMemoryAllocation) throw cudalib::CudaMemoryException(e.what());
        throw cudalib::CudaRuntimeException(error);
    }
}

}  // namespace

// perm orders the entries first by column (any order among equal columns),
// then stably by row: rows ascend and columns ascend within each row.
template <typename T>
void sortCooToCsr(int n, int nnz, const int* colInd, const int* rowInd, const T* a, int* csrColInd,
                  int* csrRowPtr, T* csrVal, int inBase, int outBase) {
    const cudalib::CudaBuffer<int> permScratch(nnz);
    const cudalib::CudaBuffer<int> rowsScratch(nnz);
    int* const perm = permScratch.get();
    int* const rows = rowsScratch.get();
    runThrust([&] {
        const auto policy = onDefaultStream();
        thrust::sequence(policy, perm, perm + nnz);
        thrust::copy(policy, colInd, colInd + nnz, csrColInd);
        thrust::sort_by_key(policy, csrColInd, csrColInd + nnz, perm);
        thrust::gather(policy, perm, perm + nnz, rowInd, rows);
        thrust::stable_sort_by_key(policy, rows, rows + nnz, perm);

        const auto shiftedColumns = thrust::make_transform_iterator(colInd, AddConstant{outBase - inBase});
        thrust::gather(policy, perm, perm + nnz, shiftedColumns, csrColInd);
        thrust::gather(policy, perm, perm + nnz, a, csrVal);

        // csrRowPtr[i + 1] = outBase + the number of entries in rows up to
        // inBase + i: one upper-bound search per row in the sorted rows.
        thrust::fill_n(policy, csrRowPtr, 1, outBase);
        const thrust::counting_iterator<int> lastRowOfPrefix(inBase);
        thrust::upper_bound(policy, rows, rows + nnz, lastRowOfPrefix, lastRowOfPrefix + n,
                            thrust::make_transform_output_iterator(csrRowPtr + 1, AddConstant{outBase}));
    });
}

void fillIndices(int* indices, long count, int value) {
    runThrust([&] { thrust::fill_n(onDefaultStream(), indices, count, value); });
}

void shiftIndices(int* indices, long count, int delta) {
    runThrust(
        [&] { thrust::transform(onDefaultStream(), indices, indices + count, indices, AddConstant{delta}); });
}

#define KYRA_INSTANTIATE_SORT(T) \
    template void sortCooToCsr(int, int, const int*, const int*, const T*, int*, int*, T*, int, int);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_SORT)

}  // namespace Iterative
