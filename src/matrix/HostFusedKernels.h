#ifndef KYRA_MATRIX_HOSTFUSEDKERNELS_H
#define KYRA_MATRIX_HOSTFUSEDKERNELS_H

// The host vector kernels behind HostVector (unit stride) and the CSR product
// that gathers dot products on its way. Each makes one pass over memory and
// does per element the arithmetic of the unfused sequence it replaces;
// reductions are summed in several partial sums (per thread, and per lane
// within a thread), in a fixed order for a fixed thread count. Below a
// measured length a kernel runs on the calling thread alone.
//
// "Squares" is the plain sum of |v_i|^2 (see squaresAreExact in Vector.h).
// <w, v> is sum conj(w_i) v_i.

#include <utility>

#include "core/Complex.h"

namespace Iterative {
namespace fused {

template <typename T>
using Real = kyra::Real<T>;

template <typename T>
Real<T> squares(long n, const T* v);
// y <- alpha x; y may be x.
template <typename T>
void scaledCopy(long n, T alpha, const T* x, T* y);
// y <- x + alpha y; squares of y.
template <typename T>
Real<T> xpaySquares(long n, T alpha, const T* x, T* y);
// y <- x + alpha (y + gamma v)
template <typename T>
void axpyXpay(long n, T gamma, const T* v, T alpha, const T* x, T* y);
// y <- y + alpha x; <w, y>.
template <typename T>
T axpyDot(long n, T alpha, const T* x, T* y, const T* w);
// y <- y + alpha x; squares of y.
template <typename T>
Real<T> axpySquares(long n, T alpha, const T* x, T* y);
// w1 <- y1 + alpha1 x1, w2 <- y2 + alpha2 x2; squares of w1 and w2. w1 may
// be y1 and w2 may be y2.
template <typename T>
std::pair<Real<T>, Real<T>> waxpyPairSquares(long n, const T* y1, T alpha1, const T* x1, T* w1, const T* y2,
                                             T alpha2, const T* x2, T* w2);

// What a fused product gathered: <w, y> and the squares of y.
template <typename T>
struct ProductSums {
    T dot;
    Real<T> squares;
};

// y <- A x for the m x k CSR matrix (val, rowPtr, colInd) with index base
// base, every stored entry taking part; returns <w, y> and the squares of y.
template <typename T>
ProductSums<T> csrProductSums(int m, int base, const T* val, const int* rowPtr, const int* colInd, const T* x,
                              T* y, const T* w);

// y <- alpha D x + beta y for D = diag(d), with the arithmetic of the CSR
// product; with beta zero y is written without being read.
template <typename T>
void diagonalProduct(long n, T alpha, const T* d, const T* x, T beta, T* y);
// y <- D x; <w, y> and the squares of y.
template <typename T>
ProductSums<T> diagonalProductSums(long n, const T* d, const T* x, T* y, const T* w);

}  // namespace fused
}  // namespace Iterative

#endif
