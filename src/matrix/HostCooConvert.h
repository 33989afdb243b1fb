#ifndef KYRA_MATRIX_HOSTCOOCONVERT_H
#define KYRA_MATRIX_HOSTCOOCONVERT_H

// Host conversions of square COO and CSC matrices to CSR. The result is
// ordered by row with increasing column indices within each row; duplicated
// (row, column) pairs are kept, in their input order. The public
// kyraSparseHost?coo2csr and kyraSparseHost?csc2csr functions are thin
// wrappers around hostCoo2csr and hostCsc2csr.

#include "kyraSparse.h"

namespace Iterative {

// The conversion kernels. The caller guarantees valid arguments and indices
// (see IndexCheck.h); working memory that cannot be allocated raises
// std::bad_alloc before any output is written.
template <typename T>
void convertCooToCsr(int n, int nnz, const int* rowInd, const int* colInd, const T* a, int inBase,
                     int outBase, int* csrRowPtr, int* csrColInd, T* csrVal);
template <typename T>
void convertCscToCsr(int n, int nnz, const int* colPtr, const int* rowInd, const T* a, int inBase,
                     int outBase, int* csrRowPtr, int* csrColInd, T* csrVal);

// Whether the status-returning conversions still have to validate the input
// indices, or the caller (a platform) has just done so.
enum class IndexValidation { kCheck, kAlreadyChecked };

// Argument order and results of the public functions: 0 on success; 3 for a
// rejected argument or inconsistent index arrays (nothing written); 5 when
// working memory runs out; 7 for any other failure. They never throw.
template <typename T>
kyraSparseStatus hostCoo2csr(int n, int nnz, const int* colInd, const int* rowInd, const T* a, int* csrColInd,
                             int* csrRowPtr, T* csrVal, int inBase, int outBase,
                             IndexValidation validation = IndexValidation::kCheck);
template <typename T>
kyraSparseStatus hostCsc2csr(int n, int nnz, const int* colPtr, const int* rowInd, const T* a, int* csrColInd,
                             int* csrRowPtr, T* csrVal, int inBase, int outBase,
                             IndexValidation validation = IndexValidation::kCheck);

}  // namespace Iterative

#endif
