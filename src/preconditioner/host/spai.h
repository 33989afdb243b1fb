#ifndef KYRA_PRECONDITIONER_HOST_SPAI_H
#define KYRA_PRECONDITIONER_HOST_SPAI_H

namespace pc {
namespace host {

// Raises status 6 with `what` unless the index base is 0: the pattern and
// approximate-inverse routines use stored indices as they are.
void requireZeroBased(int base, const char* what);

// The least-squares sparse approximate inverse M of the n x n zero-based CSR
// matrix A on a given pattern: column j of M minimises |A m_j - e_j| over
// the entries of column j allowed by M's pattern (mRowPtr, mColInd, rows
// sorted ascending). Writes mVal. Columns are independent and computed in an
// OpenMP region, each by a small dense least-squares problem (LAPACK ?gels).
//
// Raises status 6 "spai preconditioning" for a one-based A, status 2
// "malformed a matrix" when a column has fewer candidate rows than unknowns
// and status 2 "gels failure" when LAPACK reports a rank-deficient problem.
template <typename T>
void spai(int m, int n, int nnz, int base, const T* aVal, const int* aRowPtr, const int* aColInd, T* mVal,
          const int* mRowPtr, const int* mColInd);

}  // namespace host
}  // namespace pc

#endif
