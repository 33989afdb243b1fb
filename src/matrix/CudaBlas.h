#ifndef KYRA_MATRIX_CUDABLAS_H
#define KYRA_MATRIX_CUDABLAS_H

// One name per operation for the four scalar types on device memory, over
// cuBLAS. Scalars are passed and results returned in host memory; x is the
// input vector, y the updated one. Every status goes through the cuBLAS
// checker. The operations are queued on the handle's stream and return at
// once, except DOT and NRM2, which wait for their result.

#if defined(KYRA_WITH_CUDA)

#include <cublas_v2.h>

#include "core/Complex.h"
#include "matrix/HostBlas.h"

namespace Iterative {

class CudaBlas {
  public:
    template <typename T>
    using Scalar = typename detail::NoDeduce<T>::type;

    // y <- alpha x + y
    template <typename T>
    static void AXPY(cublasHandle_t handle, int n, Scalar<T> alpha, const T* x, int incx, T* y, int incy);
    // y <- x
    template <typename T>
    static void COPY(cublasHandle_t handle, int n, const T* x, int incx, T* y, int incy);
    // sum conj(x_i) y_i: the first vector is the conjugated one. 0 for n <= 0.
    template <typename T>
    static T DOT(cublasHandle_t handle, int n, const T* x, int incx, const T* y, int incy);
    // 0 for n <= 0.
    template <typename T>
    static kyra::Real<T> NRM2(cublasHandle_t handle, int n, const T* x, int incx);
    // x <- alpha x
    template <typename T>
    static void SCAL(cublasHandle_t handle, int n, Scalar<T> alpha, T* x, int incx);
};

}  // namespace Iterative

#endif
#endif
