#if defined(KYRA_WITH_CUDA)

#include "matrix/CudaVector.h"

#include <cstddef>
#include <limits>
#include <new>

#include "cudalib/Algorithm.h"
#include "cudalib/ErrorChecker.h"
#include "cudalib/LibraryContexts.h"
#include "matrix/CudaBlas.h"
#include "matrix/CudaScalar.h"
#include "matrix/ScalarTypes.h"

namespace Iterative {

namespace {

// n*inc elements in bytes, or std::bad_alloc when they cannot be addressed.
template <typename T>
std::size_t storageBytes(int n, int inc) {
    if (n < 0 || inc < 0) throw std::bad_alloc();
    const std::size_t count = static_cast<std::size_t>(n) * static_cast<std::size_t>(inc);
    if (count > std::numeric_limits<std::ptrdiff_t>::max() / sizeof(T)) throw std::bad_alloc();
    return count * sizeof(T);
}

cublasHandle_t cublas(const Context& ctx) { return ctx.cublasCtx().handle(); }

}  // namespace

template <typename T>
void CudaVector<T>::fill_(T v) {
    cudalib::CudaMemsetType(asCuda(this->val()), toCuda(v), static_cast<unsigned>(this->n()));
    cudalib::CudaErrorChecker();  // a refused launch, without waiting for the fill
}

template <typename T>
std::shared_ptr<Vector<T>> CudaVector<T>::clone_() const {
    return std::make_shared<CudaVectorAlloc<T>>(ctx_, this->n());
}

template <typename T>
void CudaVector<T>::axpy_(T alpha, const Vector<T>& x) {
    CudaBlas::AXPY(cublas(ctx_), this->n(), alpha, x.val(), x.inc(), this->val(), this->inc());
}

template <typename T>
void CudaVector<T>::copy_(const Vector<T>& x) {
    CudaBlas::COPY(cublas(ctx_), this->n(), x.val(), x.inc(), this->val(), this->inc());
}

template <typename T>
T CudaVector<T>::dot_(const Vector<T>& y) const {
    return CudaBlas::DOT(cublas(ctx_), this->n(), y.val(), y.inc(), this->val(), this->inc());
}

template <typename T>
typename CudaVector<T>::RealScalar CudaVector<T>::nrm2_() const {
    return CudaBlas::NRM2(cublas(ctx_), this->n(), this->val(), this->inc());
}

template <typename T>
void CudaVector<T>::scal_(T alpha) {
    CudaBlas::SCAL(cublas(ctx_), this->n(), alpha, this->val(), this->inc());
}

template <typename T>
CudaVectorAlloc<T>::CudaVectorAlloc(const Context& ctx, int n, int inc)
    : CudaVector<T>(ctx), n_(n), inc_(inc), storage_(storageBytes<T>(n, inc)) {}

// The storage is released by its owner if the upload fails.
template <typename T>
CudaVectorAlloc<T>::CudaVectorAlloc(const Context& ctx, int n, const T* host, int inc)
    : CudaVectorAlloc(ctx, n, inc) {
    cudalib::MemcpyHostToDevice(val(), host, static_cast<std::size_t>(n));
}

template <typename T>
void copy(const HostVector<T>& src, CudaVector<T>& dst) {
    cudalib::MemcpyHostToDevice(dst.val(), src.val(), static_cast<std::size_t>(dst.n()));
}

template <typename T>
void copy(const CudaVector<T>& src, HostVector<T>& dst) {
    cudalib::MemcpyDeviceToHost(dst.val(), src.val(), static_cast<std::size_t>(dst.n()));
}

#define KYRA_INSTANTIATE_CUDA_VECTOR(T)                          \
    template class CudaVector<T>;                                \
    template class CudaVectorRef<T>;                             \
    template class CudaVectorAlloc<T>;                           \
    template void copy<T>(const HostVector<T>&, CudaVector<T>&); \
    template void copy<T>(const CudaVector<T>&, HostVector<T>&);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_CUDA_VECTOR)

}  // namespace Iterative

#endif
