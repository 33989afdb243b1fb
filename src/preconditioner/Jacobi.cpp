#include "preconditioner/Jacobi.h"

#include "matrix/ScalarTypes.h"

namespace Iterative {

template <typename T>
void Jacobi::generate_(const Context&, const Platform&, const Matrix<T>& A) {
    inverseDiagonal_.get<T>() = A.makeJacobi_(options_);
}

template <typename T>
void Jacobi::apply_(TransOp op, const Vector<T>& in, Vector<T>& out) const {
    inverseDiagonal_.get<T>()->mvm_(op, T(1), in, T(0), out);  // out = op(D^-1) in
}

template <typename T>
T Jacobi::applyDot_(const Vector<T>& in, Vector<T>& out) const {
    return inverseDiagonal_.get<T>()->mvmDot_(in, out, in);  // out = D^-1 in, <in, out>
}

template <typename T>
kyra::Real<T> Jacobi::applySquares_(const Vector<T>& in, Vector<T>& out) const {
    return inverseDiagonal_.get<T>()->mvmDots_(in, out, in).squares;  // out = D^-1 in, <out, out>
}

KYRA_INSTANTIATE_PRECONDITIONER(Jacobi)

#define KYRA_INSTANTIATE_JACOBI_FUSED(T)                                 \
    template T Jacobi::applyDot_<T>(const Vector<T>&, Vector<T>&) const; \
    template kyra::Real<T> Jacobi::applySquares_<T>(const Vector<T>&, Vector<T>&) const;
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_JACOBI_FUSED)

}  // namespace Iterative
