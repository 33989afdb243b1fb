#ifndef KYRA_PRECONDITIONER_REORDER_H
#define KYRA_PRECONDITIONER_REORDER_H

// Fill-reducing renumbering of the unknowns with COLAMD's column approximate
// minimum degree ordering or its symmetric variant SYMAMD. A permutation perm
// maps new indices to old ones (perm[i] is the old index of new index i); the
// reordered matrix is B = P A P^T, B(i, j) = A(perm[i], perm[j]), with sorted
// rows. The system B x' = b' with b'[i] = b[perm[i]] has the solution
// x'[i] = x[perm[i]].

#include <memory>
#include <vector>

#include "kyraSparse.h"
#include "matrix/HostCsrMatrix.h"

namespace Iterative {

// A reordered matrix together with the permutation that produced it.
template <typename T>
struct ReorderedMatrix {
    std::shared_ptr<HostCsrMatrix<T>> matrix;
    std::vector<int> permutation;  // empty when no reordering was applied
};

// kind 1: COLAMD, kind 2: SYMAMD, anything else: a copy of A. A is never
// changed.
template <typename T>
std::shared_ptr<HostCsrMatrix<T>> reorder(kyraSparseReordering kind, const HostCsrMatrix<T>& A);

// As reorder, and also returns the permutation so that the caller can carry
// the right-hand side and the solution between the two numberings.
template <typename T>
ReorderedMatrix<T> reorderWithPermutation(kyraSparseReordering kind, const HostCsrMatrix<T>& A);

// Carries a vector between the two numberings of perm: gather makes
// to[i] = from[perm[i]] (caller's numbering to the new one), scatter makes
// to[perm[i]] = from[i] (back). Both are O(n) and allocate nothing.
template <typename T>
void gather(const std::vector<int>& perm, const T* from, T* to) {
    for (std::size_t i = 0; i < perm.size(); ++i) to[i] = from[perm[i]];
}
template <typename T>
void scatter(const std::vector<int>& perm, const T* from, T* to) {
    for (std::size_t i = 0; i < perm.size(); ++i) to[perm[i]] = from[i];
}

template <typename T>
std::shared_ptr<HostCsrMatrix<T>> COLAMD(const HostCsrMatrix<T>& A);
template <typename T>
std::shared_ptr<HostCsrMatrix<T>> SYMAMD(const HostCsrMatrix<T>& A);

namespace detail {

// The orderings of a zero-based square matrix, as permutations of n entries.
template <typename T>
std::vector<int> DoCOLAMD(const HostCsrMatrix<T>& A);
template <typename T>
std::vector<int> DoSYMAMD(const HostCsrMatrix<T>& A);

// q with q[p[i]] = i.
std::vector<int> invert(const std::vector<int>& p);

// B = P A P^T for zero-based A and B of the same shape and nnz; inv is the
// inverse of perm. Values are moved unchanged.
template <typename T>
void permute(const HostCsrMatrix<T>& A, HostCsrMatrix<T>& B, const std::vector<int>& perm,
             const std::vector<int>& inv);

}  // namespace detail

}  // namespace Iterative

#endif
