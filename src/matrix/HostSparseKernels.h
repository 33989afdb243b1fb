#ifndef KYRA_MATRIX_HOSTSPARSEKERNELS_H
#define KYRA_MATRIX_HOSTSPARSEKERNELS_H

// The library's own host CSR kernels, with the sparse-BLAS calling
// conventions: a 6-character descriptor (matrix type 'G' general or 'T'
// triangular, triangle 'L'/'U', diagonal 'N'/'U', index base 'C' zero or 'F'
// one) and a row-pointer array of m+1 entries whose shift by one serves as
// the row-end array. Entries need not be sorted within a row.

namespace Iterative {
namespace sparse {

// y <- alpha op(A) x + beta y for the m x k matrix A; trans is 'N', 'T' or
// 'C' (either case). A triangular descriptor restricts A to its triangle,
// with an implicit unit diagonal when the diagonal character is 'U'. With
// beta zero, y is written without being read. The non-transposed product
// runs in parallel.
template <typename T>
void csrmv(char trans, int m, int k, T alpha, const char* matdescra, const T* val, const int* rowPtr,
           const int* colInd, const T* x, T beta, T* y);

// Solves op(A) y = alpha x for the triangle of the m x m matrix A named by
// the descriptor's triangle and diagonal characters. x and y may alias.
template <typename T>
void csrsv(char trans, int m, T alpha, const char* matdescra, const T* val, const int* rowPtr,
           const int* colInd, const T* x, T* y);

// Converts the m x n CSR matrix to compressed sparse columns, which are the
// CSR arrays of its transpose (n x m); the index base is kept. outVal may be
// null for the pattern only. Returns 0, or the one-based row of the first
// entry whose column is out of range (the output is then incomplete).
template <typename T>
int csrToCsc(int m, int n, int base, const T* val, const int* rowPtr, const int* colInd, T* outVal,
             int* outColPtr, int* outRowInd);

// Smallest row r in [0, m] with (entries before r) + r >= weight: rows
// weighted by their entries plus one, so that threads splitting the total
// weight evenly get equal traffic.
int firstRowAtWeight(const int* rowPtr, int m, long weight);

}  // namespace sparse
}  // namespace Iterative

#endif
