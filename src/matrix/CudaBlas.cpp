#if defined(KYRA_WITH_CUDA)

#include "matrix/CudaBlas.h"

#include "cudalib/ErrorChecker.h"
#include "matrix/CudaScalar.h"
#include "matrix/ScalarTypes.h"

namespace Iterative {

namespace {

// The cuBLAS routines of one precision.
template <typename T>
struct Routines;

template <>
struct Routines<float> {
    static constexpr auto axpy = cublasSaxpy_v2;
    static constexpr auto copy = cublasScopy_v2;
    static constexpr auto dot = cublasSdot_v2;
    static constexpr auto nrm2 = cublasSnrm2_v2;
    static constexpr auto scal = cublasSscal_v2;
};
template <>
struct Routines<double> {
    static constexpr auto axpy = cublasDaxpy_v2;
    static constexpr auto copy = cublasDcopy_v2;
    static constexpr auto dot = cublasDdot_v2;
    static constexpr auto nrm2 = cublasDnrm2_v2;
    static constexpr auto scal = cublasDscal_v2;
};
template <>
struct Routines<kyra::Complex<float>> {
    static constexpr auto axpy = cublasCaxpy_v2;
    static constexpr auto copy = cublasCcopy_v2;
    static constexpr auto dot = cublasCdotc_v2;
    static constexpr auto nrm2 = cublasScnrm2_v2;
    static constexpr auto scal = cublasCscal_v2;
};
template <>
struct Routines<kyra::Complex<double>> {
    static constexpr auto axpy = cublasZaxpy_v2;
    static constexpr auto copy = cublasZcopy_v2;
    static constexpr auto dot = cublasZdotc_v2;
    static constexpr auto nrm2 = cublasDznrm2_v2;
    static constexpr auto scal = cublasZscal_v2;
};

using cudalib::CublasErrorChecker;

}  // namespace

template <typename T>
void CudaBlas::AXPY(cublasHandle_t handle, int n, Scalar<T> alpha, const T* x, int incx, T* y, int incy) {
    if (n <= 0) return;
    const CudaType<T> a = toCuda(alpha);
    CublasErrorChecker(Routines<T>::axpy(handle, n, &a, asCuda(x), incx, asCuda(y), incy));
}

template <typename T>
void CudaBlas::COPY(cublasHandle_t handle, int n, const T* x, int incx, T* y, int incy) {
    if (n <= 0) return;
    CublasErrorChecker(Routines<T>::copy(handle, n, asCuda(x), incx, asCuda(y), incy));
}

template <typename T>
T CudaBlas::DOT(cublasHandle_t handle, int n, const T* x, int incx, const T* y, int incy) {
    CudaType<T> result = toCuda(T(0));
    if (n <= 0) return T(0);
    CublasErrorChecker(Routines<T>::dot(handle, n, asCuda(x), incx, asCuda(y), incy, &result));
    return fromCuda(result);
}

template <typename T>
kyra::Real<T> CudaBlas::NRM2(cublasHandle_t handle, int n, const T* x, int incx) {
    kyra::Real<T> result = 0;
    if (n <= 0) return result;
    CublasErrorChecker(Routines<T>::nrm2(handle, n, asCuda(x), incx, &result));
    return result;
}

template <typename T>
void CudaBlas::SCAL(cublasHandle_t handle, int n, Scalar<T> alpha, T* x, int incx) {
    if (n <= 0) return;
    const CudaType<T> a = toCuda(alpha);
    CublasErrorChecker(Routines<T>::scal(handle, n, &a, asCuda(x), incx));
}

#define KYRA_INSTANTIATE_CUDA_BLAS(T)                                                \
    template void CudaBlas::AXPY<T>(cublasHandle_t, int, T, const T*, int, T*, int); \
    template void CudaBlas::COPY<T>(cublasHandle_t, int, const T*, int, T*, int);    \
    template T CudaBlas::DOT<T>(cublasHandle_t, int, const T*, int, const T*, int);  \
    template kyra::Real<T> CudaBlas::NRM2<T>(cublasHandle_t, int, const T*, int);    \
    template void CudaBlas::SCAL<T>(cublasHandle_t, int, T, T*, int);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_CUDA_BLAS)

}  // namespace Iterative

#endif
