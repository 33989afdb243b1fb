#ifndef KYRA_MATRIX_CUDADEVICECONVERT_H
#define KYRA_MATRIX_CUDADEVICECONVERT_H

// Conversions of square COO and CSC matrices to CSR on arrays in device
// memory. Rows come out in order, each row's columns ascending; duplicated
// (row, column) pairs are kept, in no particular order among themselves.
// Index ranges are not checked (see CudaIndexCheck.h for that pass). The
// public kyraSparseCudaDevice?coo2csr and ?csc2csr functions are thin
// wrappers around these.
//
// Results: 0 on success; 3 for a rejected argument (n < 0, nnz < 0, a null
// pointer, a base other than 0 or 1), checked before any device work and with
// nothing written; 5 when device or host memory runs out; 7 for any other
// failure, including a build or a machine without a usable device. A failure
// after the checks may leave the outputs partly written. They never throw.

#include "kyraSparse.h"

namespace Iterative {

template <typename T>
kyraSparseStatus cudaDeviceCoo2csr(int n, int nnz, const int* colInd, const int* rowInd, const T* a,
                                   int* csrColInd, int* csrRowPtr, T* csrVal, int inBase, int outBase);
template <typename T>
kyraSparseStatus cudaDeviceCsc2csr(int n, int nnz, const int* colPtr, const int* rowInd, const T* a,
                                   int* csrColInd, int* csrRowPtr, T* csrVal, int inBase, int outBase);

}  // namespace Iterative

#endif
