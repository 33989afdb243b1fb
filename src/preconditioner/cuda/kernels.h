#ifndef KYRA_PRECONDITIONER_CUDA_KERNELS_H
#define KYRA_PRECONDITIONER_CUDA_KERNELS_H

// The device set-up of the Jacobi and block-Jacobi operators: the same
// matrices, entry for entry, as pc::host::jacobi and pc::host::block_jacobi
// compute, from and into device CSR arrays. Both run on the default stream
// and return before the kernels have run; the launch is not checked here,
// the caller's next checked runtime call reports a failed one.

#if defined(KYRA_WITH_CUDA)

namespace pc {
namespace cuda {

template <typename T>
void jacobi(int m, int n, int nnz, int base, const T* aVal, const int* aRowPtr, const int* aColInd, T* outVal,
            int* outRowPtr, int* outColInd);

// out holds blockSize * m entries. Waits for the inversion before it frees
// its scratch buffer.
template <typename T>
void block_jacobi(int blockSize, int m, int n, int nnz, int base, const T* aVal, const int* aRowPtr,
                  const int* aColInd, T* outVal, int* outRowPtr, int* outColInd);

// Whether the columns of every row of an m-row CSR matrix strictly
// increase. Waits for the answer.
bool rowsAreSorted(int m, const int* rowPtr, const int* colInd);

}  // namespace cuda
}  // namespace pc

#endif
#endif
