#include "matrix/Matrix.h"

#include "core/Exception.h"
#include "matrix/ScalarTypes.h"

namespace Iterative {

namespace {
[[noreturn]] void raiseNotImplemented(const char* operation) {
    KyraSparseExceptionTemplate<kyraSparseFeatureNotImplemented>::raise(operation);
}
}  // namespace

template <typename T>
void Matrix<T>::mvm_(TransOp, T, const Vector<T>&, T, Vector<T>&) const {
    raiseNotImplemented("matrix vector multiply");
}

template <typename T>
T Matrix<T>::mvmDot_(const Vector<T>& x, Vector<T>& y, const Vector<T>& w) const {
    mvm_(TransOp::NoTrans, T(1), x, T(0), y);
    return y.dot_(w);
}

template <typename T>
ProductDots<T> Matrix<T>::mvmDots_(const Vector<T>& x, Vector<T>& y, const Vector<T>& w) const {
    mvm_(TransOp::NoTrans, T(1), x, T(0), y);
    return {y.dot_(w), kyra::realPart(y.dot_(y))};
}

template <typename T>
void Matrix<T>::trsv_(SideType, TransOp, DiagType, const Vector<T>&, Vector<T>&) const {
    raiseNotImplemented("triangular matrix solver");
}

template <typename T>
typename Matrix<T>::Pointer Matrix<T>::makeJacobi_(const kyraSparseJacobiOptions&) const {
    raiseNotImplemented("jacobi preconditioner");
}

template <typename T>
typename Matrix<T>::Pointer Matrix<T>::makeBlockJacobi_(const kyraSparseBlockjacobiOptions&) const {
    raiseNotImplemented("block jacobi preconditioner");
}

template <typename T>
typename Matrix<T>::Pointer Matrix<T>::makeIlu0_(const kyraSparseIlu0Options&) const {
    raiseNotImplemented("ilu0 preconditioner");
}

template <typename T>
typename Matrix<T>::Pointer Matrix<T>::makeAinv_(const kyraSparseAinvOptions&) const {
    raiseNotImplemented("ainv preconditioner");
}

template <typename T>
typename Matrix<T>::Pointer Matrix<T>::makeFactorizedAinv_(const kyraSparseFainvOptions&) const {
    raiseNotImplemented("factorized ainv preconditioner");
}

template <typename T>
typename Matrix<T>::Pointer Matrix<T>::makeMatrixView_(SideType, DiagType) const {
    raiseNotImplemented("matrix view");
}

template <typename T>
typename Matrix<T>::Pointer Matrix<T>::transpose_(bool) const {
    raiseNotImplemented("transpose");
}

template <typename T>
bool Matrix<T>::isValidFormat_() const {
    raiseNotImplemented("format check");
}

#define KYRA_INSTANTIATE_MATRIX(T) template class Matrix<T>;
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_MATRIX)

}  // namespace Iterative
