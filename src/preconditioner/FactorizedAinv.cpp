#include "preconditioner/FactorizedAinv.h"

#include "platform/Platform.h"

namespace Iterative {

std::string FactorizedAinv::name() const {
    const std::string base = "factorized approximate inverse";
    switch (options_.pattern) {
        case 1:
            return base + " (AA pattern)";
        case 2:
            return base + " (AAA pattern)";
        case 3:
            return base + " (AAAA pattern)";
        default:
            return base;
    }
}

// Every part is built before any is replaced, so a failed set-up keeps the
// previous one.
template <typename T>
void FactorizedAinv::generate_(const Context&, const Platform& platform, const Matrix<T>& A) {
    auto z = A.makeFactorizedAinv_(options_);
    auto zH = z->transpose_(true);
    auto work = platform.makeVector(static_cast<T*>(nullptr), A.n());
    z_.get<T>() = std::move(z);
    zH_.get<T>() = std::move(zH);
    work_.get<T>() = std::move(work);
}

template <typename T>
void FactorizedAinv::apply_(TransOp op, const Vector<T>& in, Vector<T>& out) const {
    const Matrix<T>& z = *z_.get<T>();
    const Matrix<T>& zH = *zH_.get<T>();
    Vector<T>& w = *work_.get<T>();
    if (op == TransOp::NoTrans) {
        z.mvm_(op, T(1), in, T(0), w);    // w = Z in
        zH.mvm_(op, T(1), w, T(0), out);  // out = Z^H w
    } else {
        zH.mvm_(op, T(1), in, T(0), w);  // w = op(Z^H) in
        z.mvm_(op, T(1), w, T(0), out);  // out = op(Z) w
    }
}

KYRA_INSTANTIATE_PRECONDITIONER(FactorizedAinv)

}  // namespace Iterative
