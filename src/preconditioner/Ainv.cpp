#include "preconditioner/Ainv.h"

namespace Iterative {

template <typename T>
void Ainv::generate_(const Context&, const Platform&, const Matrix<T>& A) {
    approximateInverse_.get<T>() = A.makeAinv_(options_);
}

template <typename T>
void Ainv::apply_(TransOp op, const Vector<T>& in, Vector<T>& out) const {
    approximateInverse_.get<T>()->mvm_(op, T(1), in, T(0), out);  // out = op(M) in
}

KYRA_INSTANTIATE_PRECONDITIONER(Ainv)

}  // namespace Iterative
