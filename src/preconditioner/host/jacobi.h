#ifndef KYRA_PRECONDITIONER_HOST_JACOBI_H
#define KYRA_PRECONDITIONER_HOST_JACOBI_H

namespace pc {
namespace host {

// Writes the inverse diagonal of the m x n CSR matrix A (index base `base`)
// as a diagonal CSR matrix of n entries with the same base: outRowPtr m + 1
// entries, outColInd and outVal n entries. A row without a non-zero diagonal
// entry gets the identity row; of several non-zero diagonal entries the last
// one stored wins.
template <typename T>
void jacobi(int m, int n, int nnz, int base, const T* aVal, const int* aRowPtr, const int* aColInd, T* outVal,
            int* outRowPtr, int* outColInd);

}  // namespace host
}  // namespace pc

#endif
