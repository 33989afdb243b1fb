#ifndef KYRA_PRECONDITIONER_HOST_BLOCK_JACOBI_H
#define KYRA_PRECONDITIONER_HOST_BLOCK_JACOBI_H

namespace pc {
namespace host {

// Writes the inverses of the diagonal blocks of size blockSize (b) of the
// m x n CSR matrix A as one CSR matrix of m * b entries with A's index base:
// every row stores b entries, row i of block k = i / b the columns
// k*b .. k*b + b - 1, and block k's b x b values, read row by row, are the
// inverse of A[k*b .. k*b + b - 1, same columns]. The last block may be
// smaller (n not a multiple of b); the slots of its rows beyond column n - 1
// hold column n - 1 with the value 0, so products never read past a vector.
// A block with a zero pivot (no pivoting is done) becomes the identity.
template <typename T>
void block_jacobi(int blockSize, int m, int n, int nnz, int base, const T* aVal, const int* aRowPtr,
                  const int* aColInd, T* outVal, int* outRowPtr, int* outColInd);

}  // namespace host
}  // namespace pc

#endif
