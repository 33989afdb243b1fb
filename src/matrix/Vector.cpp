#include "matrix/Vector.h"

#include "core/Exception.h"
#include "matrix/ScalarTypes.h"

namespace Iterative {

namespace {
[[noreturn]] void raiseNotImplemented(const char* operation) {
    KyraSparseExceptionTemplate<kyraSparseFeatureNotImplemented>::raise(operation);
}
}  // namespace

template <typename T>
void Vector<T>::fill_(T) {
    raiseNotImplemented("vector fill");
}

template <typename T>
std::shared_ptr<Vector<T>> Vector<T>::clone_() const {
    raiseNotImplemented("");
}

template <typename T>
void Vector<T>::axpy_(T, const Vector<T>&) {
    raiseNotImplemented("vector axpy");
}

template <typename T>
void Vector<T>::copy_(const Vector<T>&) {
    raiseNotImplemented("vector copy");
}

template <typename T>
T Vector<T>::dot_(const Vector<T>&) const {
    raiseNotImplemented("vector dot");
}

template <typename T>
typename Vector<T>::RealScalar Vector<T>::nrm2_() const {
    raiseNotImplemented("vector nrm2");
}

template <typename T>
void Vector<T>::scal_(T) {
    raiseNotImplemented("vector scale");
}

template <typename T>
void Vector<T>::xpay_(T alpha, const Vector<T>& x) {
    scal_(alpha);
    axpy_(T(1), x);
}

template <typename T>
void Vector<T>::scaledCopy_(T alpha, const Vector<T>& x) {
    copy_(x);
    scal_(alpha);
}

template <typename T>
typename Vector<T>::RealScalar Vector<T>::xpaySquares_(T alpha, const Vector<T>& x) {
    xpay_(alpha, x);
    const RealScalar norm = nrm2_();
    return norm * norm;
}

template <typename T>
void Vector<T>::axpyXpay_(T gamma, const Vector<T>& y, T alpha, const Vector<T>& x) {
    axpy_(gamma, y);
    xpay_(alpha, x);
}

template <typename T>
T Vector<T>::axpyDot_(T alpha, const Vector<T>& x, const Vector<T>& w) {
    axpy_(alpha, x);
    return dot_(w);
}

template <typename T>
typename Vector<T>::RealScalar Vector<T>::axpySquares_(T alpha, const Vector<T>& x) {
    axpy_(alpha, x);
    const RealScalar norm = nrm2_();
    return norm * norm;
}

template <typename T>
std::pair<typename Vector<T>::RealScalar, typename Vector<T>::RealScalar> Vector<T>::waxpyPairSquares_(
    const Vector<T>& y1, T alpha1, const Vector<T>& x1, Vector<T>& w2, const Vector<T>& y2, T alpha2,
    const Vector<T>& x2) {
    if (&y1 != this) copy_(y1);
    axpy_(alpha1, x1);
    if (&y2 != &w2) w2.copy_(y2);
    w2.axpy_(alpha2, x2);
    const RealScalar norm1 = nrm2_();
    const RealScalar norm2 = w2.nrm2_();
    return {norm1 * norm1, norm2 * norm2};
}

template <typename T>
typename Vector<T>::RealScalar Vector<T>::normFrom_(RealScalar squares) const {
    return squaresAreExact(squares) ? std::sqrt(squares) : nrm2_();
}

#define KYRA_INSTANTIATE_VECTOR(T) template class Vector<T>;
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_VECTOR)

}  // namespace Iterative
