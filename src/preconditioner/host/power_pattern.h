#ifndef KYRA_PRECONDITIONER_HOST_POWER_PATTERN_H
#define KYRA_PRECONDITIONER_HOST_POWER_PATTERN_H

// Sparsity patterns of powers of a matrix, and the dropping of small
// entries, for the approximate-inverse preconditioners. All arrays here are
// zero-based.

#include <memory>
#include <vector>

namespace pc {
namespace host {

// A CSR pattern without values: n + 1 row pointers and the column indices.
struct CsrPattern {
    std::shared_ptr<std::vector<int>> rowPtr;
    std::shared_ptr<std::vector<int>> colInd;

    int rows() const { return static_cast<int>(rowPtr->size()) - 1; }
    int nnz() const { return rowPtr->back(); }
};

// A CSR matrix held by shared vectors, so that a matrix class can adopt them.
template <typename T>
struct CsrMatrix {
    std::shared_ptr<std::vector<int>> rowPtr;
    std::shared_ptr<std::vector<int>> colInd;
    std::shared_ptr<std::vector<T>> val;

    int nnz() const { return rowPtr->back(); }
};

// The power p of the pattern option of the approximate inverses: options 1,
// 2, 3 stand for A^2, A^3, A^4; 0 and every other value for A itself.
int patternPower(int patternOption);

// The pattern of A^p for the n x n zero-based CSR pattern (rowPtr, colInd):
// row r holds every column reachable from r by a path of exactly p edges of
// A's graph (an edge r -> c per stored entry), sorted ascending. Raises
// status 2 "power must be greater than 1" for p < 1.
CsrPattern GetPowerPattern(int p, int n, int nnz, const int* rowPtr, const int* colInd);

// The upper triangle (columns c >= r in row r) of GetPowerPattern.
CsrPattern GetUpperPowerPattern(int p, int n, int nnz, const int* rowPtr, const int* colInd);

// A new zero-based m x n CSR matrix with the entries of (val, rowPtr,
// colInd) whose modulus is at least tol, plus every diagonal entry, in their
// stored order.
template <typename T>
CsrMatrix<T> drop_tolerance(double tol, int m, int n, int base, const T* val, const int* rowPtr,
                            const int* colInd);

}  // namespace host
}  // namespace pc

#endif
