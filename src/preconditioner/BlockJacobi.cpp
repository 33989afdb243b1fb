#include "preconditioner/BlockJacobi.h"

#include "core/Exception.h"

namespace Iterative {

std::string BlockJacobi::name() const {
    return "block jacobi (n=" + std::to_string(options_.blockSize) + ")";
}

void BlockJacobi::parameterCheck() const {
    checkArgument(options_.blockSize > 0, "precondOpts.blockSize > 0");
}

template <typename T>
void BlockJacobi::generate_(const Context&, const Platform&, const Matrix<T>& A) {
    blockInverses_.get<T>() = A.makeBlockJacobi_(options_);
}

template <typename T>
void BlockJacobi::apply_(TransOp op, const Vector<T>& in, Vector<T>& out) const {
    blockInverses_.get<T>()->mvm_(op, T(1), in, T(0), out);  // out = op(B^-1) in
}

KYRA_INSTANTIATE_PRECONDITIONER(BlockJacobi)

}  // namespace Iterative
