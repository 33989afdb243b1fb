#ifndef KYRA_MATRIX_HOSTBLAS_H
#define KYRA_MATRIX_HOSTBLAS_H

// One name per operation for the four scalar types on host memory: the
// dense routines of OpenBLAS of the right precision, and the library's own
// sparse kernels for the CSR product and triangular solve. x is the input
// vector, y the updated one. Arguments are assumed valid; nothing is checked.

#include "core/Complex.h"

namespace Iterative {

namespace detail {
// Keeps scalar arguments out of deduction, so HostBlas::AXPY(n, 1, x, 1, y, 1)
// takes its type from the arrays.
template <typename T>
struct NoDeduce {
    using type = T;
};
}  // namespace detail

class HostBlas {
  public:
    template <typename T>
    using Scalar = typename detail::NoDeduce<T>::type;

    // y <- alpha x + y
    template <typename T>
    static void AXPY(int n, Scalar<T> alpha, const T* x, int incx, T* y, int incy);
    // y <- x
    template <typename T>
    static void COPY(int n, const T* x, int incx, T* y, int incy);
    // sum conj(x_i) y_i: the first vector is the conjugated one.
    template <typename T>
    static T DOT(int n, const T* x, int incx, const T* y, int incy);
    template <typename T>
    static kyra::Real<T> NRM2(int n, const T* x, int incx);
    // x <- alpha x
    template <typename T>
    static void SCAL(int n, Scalar<T> alpha, T* x, int incx);

    // y <- alpha op(A) x + beta y, A column-major m x n.
    template <typename T>
    static void GEMV(char trans, int m, int n, Scalar<T> alpha, const T* A, int lda, const T* x, int incx,
                     Scalar<T> beta, T* y, int incy);
    // x <- op(A)^-1 x, A triangular column-major n x n.
    template <typename T>
    static void TRSV(char uplo, char trans, char diag, int n, const T* A, int lda, T* x, int incx);

    // y <- alpha op(A) x + beta y, A an m x k CSR matrix described by the
    // 6-character sparse-BLAS descriptor matdescra.
    template <typename T>
    static void CSRMV(char trans, int m, int k, Scalar<T> alpha, const char* matdescra, const T* val,
                      const int* rowPtr, const int* colInd, const T* x, Scalar<T> beta, T* y);
    // Solves op(A) y = alpha x for the m x m triangle that matdescra names.
    template <typename T>
    static void CSRSV(char trans, int m, Scalar<T> alpha, const char* matdescra, const T* val,
                      const int* rowPtr, const int* colInd, const T* x, T* y);
};

}  // namespace Iterative

#endif
