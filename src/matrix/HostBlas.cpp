#include "matrix/HostBlas.h"

#include <cblas.h>

#include "core/Exception.h"
#include "matrix/HostSparseKernels.h"
#include "matrix/ScalarTypes.h"

namespace Iterative {

namespace {

using ComplexFloat = kyra::Complex<float>;
using ComplexDouble = kyra::Complex<double>;

CBLAS_TRANSPOSE cblasTrans(char trans) {
    switch (trans) {
        case 'N':
        case 'n':
            return CblasNoTrans;
        case 'T':
        case 't':
            return CblasTrans;
        case 'C':
        case 'c':
            return CblasConjTrans;
        default:
            KyraSparseExceptionTemplate<kyraSparseInternalError>::raise("");
    }
}

CBLAS_UPLO cblasUplo(char uplo) { return (uplo == 'U' || uplo == 'u') ? CblasUpper : CblasLower; }
CBLAS_DIAG cblasDiag(char diag) { return (diag == 'U' || diag == 'u') ? CblasUnit : CblasNonUnit; }

// The OpenBLAS routine of each precision, behind one set of signatures.
template <typename T>
struct Cblas;

template <>
struct Cblas<float> {
    using T = float;
    static void axpy(int n, T a, const T* x, int ix, T* y, int iy) { cblas_saxpy(n, a, x, ix, y, iy); }
    static void copy(int n, const T* x, int ix, T* y, int iy) { cblas_scopy(n, x, ix, y, iy); }
    static T dot(int n, const T* x, int ix, const T* y, int iy) { return cblas_sdot(n, x, ix, y, iy); }
    static float nrm2(int n, const T* x, int ix) { return cblas_snrm2(n, x, ix); }
    static void scal(int n, T a, T* x, int ix) { cblas_sscal(n, a, x, ix); }
    static void gemv(CBLAS_TRANSPOSE t, int m, int n, T a, const T* A, int lda, const T* x, int ix, T b, T* y,
                     int iy) {
        cblas_sgemv(CblasColMajor, t, m, n, a, A, lda, x, ix, b, y, iy);
    }
    static void trsv(CBLAS_UPLO u, CBLAS_TRANSPOSE t, CBLAS_DIAG d, int n, const T* A, int lda, T* x,
                     int ix) {
        cblas_strsv(CblasColMajor, u, t, d, n, A, lda, x, ix);
    }
};

template <>
struct Cblas<double> {
    using T = double;
    // The extended axpby with beta exactly 1.
    static void axpy(int n, T a, const T* x, int ix, T* y, int iy) { cblas_daxpby(n, a, x, ix, 1.0, y, iy); }
    static void copy(int n, const T* x, int ix, T* y, int iy) { cblas_dcopy(n, x, ix, y, iy); }
    static T dot(int n, const T* x, int ix, const T* y, int iy) { return cblas_ddot(n, x, ix, y, iy); }
    static double nrm2(int n, const T* x, int ix) { return cblas_dnrm2(n, x, ix); }
    static void scal(int n, T a, T* x, int ix) { cblas_dscal(n, a, x, ix); }
    static void gemv(CBLAS_TRANSPOSE t, int m, int n, T a, const T* A, int lda, const T* x, int ix, T b, T* y,
                     int iy) {
        cblas_dgemv(CblasColMajor, t, m, n, a, A, lda, x, ix, b, y, iy);
    }
    static void trsv(CBLAS_UPLO u, CBLAS_TRANSPOSE t, CBLAS_DIAG d, int n, const T* A, int lda, T* x,
                     int ix) {
        cblas_dtrsv(CblasColMajor, u, t, d, n, A, lda, x, ix);
    }
};

// The complex routines take scalars by address; kyra::Complex has their
// layout. The two precisions differ only in the routine prefix and the name
// of the norm.
#define KYRA_COMPLEX_CBLAS(T, p, nrm2Routine)                                                                \
    template <>                                                                                              \
    struct Cblas<T> {                                                                                        \
        static void axpy(int n, T a, const T* x, int ix, T* y, int iy) {                                     \
            cblas_##p##axpy(n, &a, x, ix, y, iy);                                                            \
        }                                                                                                    \
        static void copy(int n, const T* x, int ix, T* y, int iy) { cblas_##p##copy(n, x, ix, y, iy); }      \
        static T dot(int n, const T* x, int ix, const T* y, int iy) {                                        \
            T result;                                                                                        \
            cblas_##p##dotc_sub(n, x, ix, y, iy, &result);                                                   \
            return result;                                                                                   \
        }                                                                                                    \
        static auto nrm2(int n, const T* x, int ix) { return nrm2Routine(n, x, ix); }                        \
        static void scal(int n, T a, T* x, int ix) { cblas_##p##scal(n, &a, x, ix); }                        \
        static void gemv(CBLAS_TRANSPOSE t, int m, int n, T a, const T* A, int lda, const T* x, int ix, T b, \
                         T* y, int iy) {                                                                     \
            cblas_##p##gemv(CblasColMajor, t, m, n, &a, A, lda, x, ix, &b, y, iy);                           \
        }                                                                                                    \
        static void trsv(CBLAS_UPLO u, CBLAS_TRANSPOSE t, CBLAS_DIAG d, int n, const T* A, int lda, T* x,    \
                         int ix) {                                                                           \
            cblas_##p##trsv(CblasColMajor, u, t, d, n, A, lda, x, ix);                                       \
        }                                                                                                    \
    };

KYRA_COMPLEX_CBLAS(ComplexFloat, c, cblas_scnrm2)
KYRA_COMPLEX_CBLAS(ComplexDouble, z, cblas_dznrm2)

#undef KYRA_COMPLEX_CBLAS

}  // namespace

template <typename T>
void HostBlas::AXPY(int n, Scalar<T> alpha, const T* x, int incx, T* y, int incy) {
    Cblas<T>::axpy(n, alpha, x, incx, y, incy);
}

template <typename T>
void HostBlas::COPY(int n, const T* x, int incx, T* y, int incy) {
    Cblas<T>::copy(n, x, incx, y, incy);
}

template <typename T>
T HostBlas::DOT(int n, const T* x, int incx, const T* y, int incy) {
    return Cblas<T>::dot(n, x, incx, y, incy);
}

template <typename T>
kyra::Real<T> HostBlas::NRM2(int n, const T* x, int incx) {
    return Cblas<T>::nrm2(n, x, incx);
}

template <typename T>
void HostBlas::SCAL(int n, Scalar<T> alpha, T* x, int incx) {
    Cblas<T>::scal(n, alpha, x, incx);
}

template <typename T>
void HostBlas::GEMV(char trans, int m, int n, Scalar<T> alpha, const T* A, int lda, const T* x, int incx,
                    Scalar<T> beta, T* y, int incy) {
    Cblas<T>::gemv(cblasTrans(trans), m, n, alpha, A, lda, x, incx, beta, y, incy);
}

template <typename T>
void HostBlas::TRSV(char uplo, char trans, char diag, int n, const T* A, int lda, T* x, int incx) {
    Cblas<T>::trsv(cblasUplo(uplo), cblasTrans(trans), cblasDiag(diag), n, A, lda, x, incx);
}

template <typename T>
void HostBlas::CSRMV(char trans, int m, int k, Scalar<T> alpha, const char* matdescra, const T* val,
                     const int* rowPtr, const int* colInd, const T* x, Scalar<T> beta, T* y) {
    sparse::csrmv(trans, m, k, alpha, matdescra, val, rowPtr, colInd, x, beta, y);
}

template <typename T>
void HostBlas::CSRSV(char trans, int m, Scalar<T> alpha, const char* matdescra, const T* val,
                     const int* rowPtr, const int* colInd, const T* x, T* y) {
    sparse::csrsv(trans, m, alpha, matdescra, val, rowPtr, colInd, x, y);
}

#define KYRA_INSTANTIATE_HOST_BLAS(T)                                                                       \
    template void HostBlas::AXPY<T>(int, T, const T*, int, T*, int);                                        \
    template void HostBlas::COPY<T>(int, const T*, int, T*, int);                                           \
    template T HostBlas::DOT<T>(int, const T*, int, const T*, int);                                         \
    template kyra::Real<T> HostBlas::NRM2<T>(int, const T*, int);                                           \
    template void HostBlas::SCAL<T>(int, T, T*, int);                                                       \
    template void HostBlas::GEMV<T>(char, int, int, T, const T*, int, const T*, int, T, T*, int);           \
    template void HostBlas::TRSV<T>(char, char, char, int, const T*, int, T*, int);                         \
    template void HostBlas::CSRMV<T>(char, int, int, T, const char*, const T*, const int*, const int*,      \
                                     const T*, T, T*);                                                      \
    template void HostBlas::CSRSV<T>(char, int, T, const char*, const T*, const int*, const int*, const T*, \
                                     T*);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_HOST_BLAS)

}  // namespace Iterative
