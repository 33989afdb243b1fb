#include "matrix/HostVector.h"

#include <cstddef>
#include <limits>
#include <new>

#include "core/ParallelArrays.h"
#include "matrix/HostBlas.h"
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

template <typename T>
typename HostVector<T>::RealScalar HostVector<T>::nrm2_() const {
    return HostBlas::NRM2(this->n(), this->val(), this->inc());
}

template <typename T>
void HostVector<T>::scal_(T alpha) {
    HostBlas::SCAL(this->n(), alpha, this->val(), this->inc());
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
