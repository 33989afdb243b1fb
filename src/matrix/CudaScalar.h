#ifndef KYRA_MATRIX_CUDASCALAR_H
#define KYRA_MATRIX_CUDASCALAR_H

// The CUDA counterparts of the four scalar types: the device type arrays are
// passed as (cuComplex for kyra::Complex<float>, ...) and the data type tag
// of the generic cuSPARSE API. Complex arrays are reinterpreted in place,
// the layouts being identical; complex scalars are copied into a value of
// the CUDA type, whose alignment is stricter than the library's.

#if defined(KYRA_WITH_CUDA)

#include <cuComplex.h>
#include <library_types.h>

#include "core/Complex.h"

namespace Iterative {

template <typename T>
struct CudaScalar;

template <>
struct CudaScalar<float> {
    using type = float;
    static constexpr cudaDataType dataType = CUDA_R_32F;
};
template <>
struct CudaScalar<double> {
    using type = double;
    static constexpr cudaDataType dataType = CUDA_R_64F;
};
template <>
struct CudaScalar<kyra::Complex<float>> {
    using type = cuComplex;
    static constexpr cudaDataType dataType = CUDA_C_32F;
};
template <>
struct CudaScalar<kyra::Complex<double>> {
    using type = cuDoubleComplex;
    static constexpr cudaDataType dataType = CUDA_C_64F;
};

template <typename T>
using CudaType = typename CudaScalar<T>::type;

template <typename T>
CudaType<T>* asCuda(T* p) {
    static_assert(sizeof(CudaType<T>) == sizeof(T), "layouts must match");
    return reinterpret_cast<CudaType<T>*>(p);
}
template <typename T>
const CudaType<T>* asCuda(const T* p) {
    static_assert(sizeof(CudaType<T>) == sizeof(T), "layouts must match");
    return reinterpret_cast<const CudaType<T>*>(p);
}

inline float toCuda(float v) { return v; }
inline double toCuda(double v) { return v; }
inline cuComplex toCuda(kyra::Complex<float> v) { return make_cuComplex(v.re, v.im); }
inline cuDoubleComplex toCuda(kyra::Complex<double> v) { return make_cuDoubleComplex(v.re, v.im); }

inline float fromCuda(float v) { return v; }
inline double fromCuda(double v) { return v; }
inline kyra::Complex<float> fromCuda(cuComplex v) { return {cuCrealf(v), cuCimagf(v)}; }
inline kyra::Complex<double> fromCuda(cuDoubleComplex v) { return {cuCreal(v), cuCimag(v)}; }

}  // namespace Iterative

#endif
#endif
