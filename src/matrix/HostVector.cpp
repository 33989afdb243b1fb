#include "matrix/HostVector.h"

#include <cmath>
#include <cstddef>
#include <limits>
#include <new>

#include "core/ParallelArrays.h"
#include "matrix/HostBlas.h"
#include "matrix/HostFusedKernels.h"
#include "matrix/ScalarTypes.h"

namespace Iterative {

namespace {

// n*inc elements, or std::bad_alloc when their byte size cannot be addressed.
template <typename T>
std::size_t storageSize(int n, int inc) {
    if (n < 0 || inc < 0) throw std::bad_alloc();
    const std::size_t limit = std::numeric_limits<std::ptrdiff_t>::max() / sizeof(T);
    const std::size_t count = static_cast<std::size_t>(n) * static_cast<std::size_t>(inc);
    if (count > limit) throw std::bad_alloc();
    return count;
}

}  // namespace

template <typename T>
void HostVector<T>::fill_(T v) {
    T* x = this->val();
    const int n = this->n();
    for (int i = 0; i < n; ++i) x[i] = v;
}

template <typename T>
std::shared_ptr<Vector<T>> HostVector<T>::clone_() const {
    return std::make_shared<HostVectorAlloc<T>>(this->n());
}

namespace {
// Whether every operand is contiguous, as the fused kernels need.
template <typename T>
bool unitStride(const Vector<T>& a, const Vector<T>& b) {
    return a.inc() == 1 && b.inc() == 1;
}
template <typename T>
bool unitStride(const Vector<T>& a, const Vector<T>& b, const Vector<T>& c) {
    return unitStride(a, b) && c.inc() == 1;
}
}  // namespace

// The unfused operations stay with the BLAS (which shares the OpenMP
// threads), so that methods without fused steps keep their iterates to the
// last bit.
template <typename T>
void HostVector<T>::axpy_(T alpha, const Vector<T>& x) {
    HostBlas::AXPY(this->n(), alpha, x.val(), x.inc(), this->val(), this->inc());
}

template <typename T>
void HostVector<T>::copy_(const Vector<T>& x) {
    HostBlas::COPY(this->n(), x.val(), x.inc(), this->val(), this->inc());
}

template <typename T>
T HostVector<T>::dot_(const Vector<T>& y) const {
    return HostBlas::DOT(this->n(), y.val(), y.inc(), this->val(), this->inc());
}

// The plain sum of squares, which the scaling of the BLAS norm replaces only
// where it over- or underflows.
template <typename T>
typename HostVector<T>::RealScalar HostVector<T>::nrm2_() const {
    if (this->inc() == 1) {
        const RealScalar squares = fused::squares(this->n(), this->val());
        if (squaresAreExact(squares)) return std::sqrt(squares);
    }
    return HostBlas::NRM2(this->n(), this->val(), this->inc());
}

template <typename T>
void HostVector<T>::scal_(T alpha) {
    HostBlas::SCAL(this->n(), alpha, this->val(), this->inc());
}

template <typename T>
void HostVector<T>::scaledCopy_(T alpha, const Vector<T>& x) {
    if (!unitStride(*this, x)) return Vector<T>::scaledCopy_(alpha, x);
    fused::scaledCopy(this->n(), alpha, x.val(), this->val());
}

template <typename T>
typename HostVector<T>::RealScalar HostVector<T>::xpaySquares_(T alpha, const Vector<T>& x) {
    if (!unitStride(*this, x)) return Vector<T>::xpaySquares_(alpha, x);
    return fused::xpaySquares(this->n(), alpha, x.val(), this->val());
}

template <typename T>
void HostVector<T>::axpyXpay_(T gamma, const Vector<T>& y, T alpha, const Vector<T>& x) {
    if (!unitStride(*this, x, y)) return Vector<T>::axpyXpay_(gamma, y, alpha, x);
    fused::axpyXpay(this->n(), gamma, y.val(), alpha, x.val(), this->val());
}

template <typename T>
T HostVector<T>::axpyDot_(T alpha, const Vector<T>& x, const Vector<T>& w) {
    if (!unitStride(*this, x, w)) return Vector<T>::axpyDot_(alpha, x, w);
    return fused::axpyDot(this->n(), alpha, x.val(), this->val(), w.val());
}

template <typename T>
typename HostVector<T>::RealScalar HostVector<T>::axpySquares_(T alpha, const Vector<T>& x) {
    if (!unitStride(*this, x)) return Vector<T>::axpySquares_(alpha, x);
    return fused::axpySquares(this->n(), alpha, x.val(), this->val());
}

template <typename T>
std::pair<typename HostVector<T>::RealScalar, typename HostVector<T>::RealScalar>
HostVector<T>::waxpyPairSquares_(const Vector<T>& y1, T alpha1, const Vector<T>& x1, Vector<T>& w2,
                                 const Vector<T>& y2, T alpha2, const Vector<T>& x2) {
    if (!unitStride(*this, y1, x1) || !unitStride(w2, y2, x2)) {
        return Vector<T>::waxpyPairSquares_(y1, alpha1, x1, w2, y2, alpha2, x2);
    }
    return fused::waxpyPairSquares(this->n(), y1.val(), alpha1, x1.val(), this->val(), y2.val(), alpha2,
                                   x2.val(), w2.val());
}

template <typename T>
HostVectorAlloc<T>::HostVectorAlloc(int n, int inc) : n_(n), inc_(inc), storage_(storageSize<T>(n, inc)) {
    fillInParallel(storage_.data(), static_cast<long>(storage_.size()), T(0));
}

#define KYRA_INSTANTIATE_HOST_VECTOR(T) \
    template class HostVector<T>;       \
    template class HostVectorRef<T>;    \
    template class HostVectorAlloc<T>;
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_HOST_VECTOR)

}  // namespace Iterative
