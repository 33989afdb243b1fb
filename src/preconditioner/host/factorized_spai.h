#ifndef KYRA_PRECONDITIONER_HOST_FACTORIZED_SPAI_H
#define KYRA_PRECONDITIONER_HOST_FACTORIZED_SPAI_H

#include <vector>

namespace pc {
namespace host {

// The factorized sparse approximate inverse of a Hermitian positive definite
// n x n zero-based CSR matrix A (rows sorted ascending): the upper triangular
// Z on a given pattern (zRowPtr, zColInd; row i starts with column i, the
// rest ascending) with Z^H Z ~ A^-1. Row i of Z is z_ii (1, -y) with
// A(J, J)^T y = A(i, J)^T on the off-diagonal pattern J of row i, and z_ii
// chosen so that z A z^H = 1; hence (Z A)(i, J) = 0. Rows are independent
// and computed in an OpenMP region. Writes zVal.
//
// Raises status 6 "factorized spai preconditioning" for a one-based A,
// status 2 "input matrix is missing diagonal" and status 2 "the input matrix
// is not positive definite".
template <typename T>
void factorized_spai(int n, int nnz, int base, const T* aVal, const int* aRowPtr, const int* aColInd, T* zVal,
                     const int* zRowPtr, const int* zColInd);

// The storage position of a_ii in each row, found by binary search (rows
// must be sorted). Raises status 2 "input matrix is missing diagonal".
std::vector<int> get_aDiagPtr(int n, const int* aRowPtr, const int* aColInd);

// One row's dense system: with map[J[t]] = t for the k columns J, fills the
// lower triangle of G = A(J, J)^T (column-major, leading dimension k) and
// b = A(i, J)^T. G and b must be zero on entry; map is restored to -1.
template <typename T>
void factorized_spai_fill(int i, const int* J, int k, const T* aVal, const int* aRowPtr, const int* aColInd,
                          const int* diagPtr, int* map, T* G, T* b);

// Solves G y = b (G positive definite, lower triangle), then writes row i
// of Z: zRow[0] = z_ii = 1 / sqrt(a_ii - b^H y), zRow[1 + t] = -z_ii y_t.
// y is work space of k elements; G is overwritten. Raises status 2 "the
// input matrix is not positive definite" when Re a_ii <= 0 or ?posv fails.
template <typename T>
void factorized_spai_solve(int k, T aii, T* G, const T* b, T* y, T* zRow);

}  // namespace host
}  // namespace pc

#endif
