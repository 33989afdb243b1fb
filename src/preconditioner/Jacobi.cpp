#include "preconditioner/Jacobi.h"

namespace Iterative {

template <typename T>
void Jacobi::generate_(const Context&, const Platform&, const Matrix<T>& A) {
    inverseDiagonal_.get<T>() = A.makeJacobi_(options_);
}

template <typename T>
void Jacobi::apply_(TransOp op, const Vector<T>& in, Vector<T>& out) const {
    inverseDiagonal_.get<T>()->mvm_(op, T(1), in, T(0), out);  // out = op(D^-1) in
}

KYRA_INSTANTIATE_PRECONDITIONER(Jacobi)

}  // namespace Iterative
