#include "preconditioner/Ilu0.h"

#include "platform/Platform.h"

namespace Iterative {

// Every part is built before any is replaced, so a failed set-up keeps the
// previous one.
template <typename T>
void Ilu0::generate_(const Context&, const Platform& platform, const Matrix<T>& A) {
    auto factors = A.makeIlu0_(options_);
    auto lower = factors->makeMatrixView_(SideType::Lower, DiagType::Unit);
    auto upper = factors->makeMatrixView_(SideType::Upper, DiagType::NonUnit);
    auto work = platform.makeVector(static_cast<T*>(nullptr), A.n());
    factors_.get<T>() = std::move(factors);
    lower_.get<T>() = std::move(lower);
    upper_.get<T>() = std::move(upper);
    work_.get<T>() = std::move(work);
}

template <typename T>
void Ilu0::apply_(TransOp op, const Vector<T>& in, Vector<T>& out) const {
    const Matrix<T>& lower = *lower_.get<T>();
    const Matrix<T>& upper = *upper_.get<T>();
    Vector<T>& w = *work_.get<T>();
    if (op == TransOp::NoTrans) {
        lower.trsv_(SideType::Lower, op, DiagType::Unit, in, w);      // w = L^-1 in
        upper.trsv_(SideType::Upper, op, DiagType::NonUnit, w, out);  // out = U^-1 w
    } else {
        upper.trsv_(SideType::Upper, op, DiagType::NonUnit, in, w);  // w = op(U)^-1 in
        lower.trsv_(SideType::Lower, op, DiagType::Unit, w, out);    // out = op(L)^-1 w
    }
}

KYRA_INSTANTIATE_PRECONDITIONER(Ilu0)

}  // namespace Iterative
