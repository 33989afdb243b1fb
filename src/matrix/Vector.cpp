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

#define KYRA_INSTANTIATE_VECTOR(T) template class Vector<T>;
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_VECTOR)

}  // namespace Iterative
