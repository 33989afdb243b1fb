#include "preconditioner/UserDefinedPreconditioner.h"

#include "core/Exception.h"
#include "matrix/ScalarTypes.h"
#include "platform/Platform.h"
#include "preconditioner/Reorder.h"

namespace Iterative {

namespace {

// The caller's callback for a scalar type, with the public array type it
// takes (layout-compatible with ours) and the text for a missing callback.
template <typename T>
struct Callback;
template <>
struct Callback<float> {
    using Public = float;
    static kyraSparseSApply get(const kyraSparseUserDefinedOptions& o) { return o.sApply; }
    static constexpr const char* missing =
        "invalid function pointer to single precision application function";
};
template <>
struct Callback<double> {
    using Public = double;
    static kyraSparseDApply get(const kyraSparseUserDefinedOptions& o) { return o.dApply; }
    static constexpr const char* missing =
        "invalid function pointer to double precision application function";
};
template <>
struct Callback<kyra::Complex<float>> {
    using Public = kyraSparseComplexFloat;
    static kyraSparseCApply get(const kyraSparseUserDefinedOptions& o) { return o.cApply; }
    static constexpr const char* missing =
        "invalid function pointer to single precision complex application function";
};
template <>
struct Callback<kyra::Complex<double>> {
    using Public = kyraSparseComplexDouble;
    static kyraSparseZApply get(const kyraSparseUserDefinedOptions& o) { return o.zApply; }
    static constexpr const char* missing =
        "invalid function pointer to double precision complex application function";
};

}  // namespace

UserDefinedPreconditioner::UserDefinedPreconditioner(const kyraSparseUserDefinedOptions* precondOpts,
                                                     void* userData)
    : userData_(userData) {
    checkArgument(precondOpts != nullptr, "precondOpts != 0");
    options_ = *precondOpts;
}

template <typename T>
void UserDefinedPreconditioner::generate_(const Context&, const Platform& platform, const Matrix<T>& A) {
    permutation_ = platform.permutation();
    if (permutation_.empty()) return;
    callerIn_.get<T>() = platform.makeVector(static_cast<T*>(nullptr), A.n());
    callerOut_.get<T>() = platform.makeVector(static_cast<T*>(nullptr), A.n());
}

template <typename T>
void UserDefinedPreconditioner::apply_(TransOp op, const Vector<T>& in, Vector<T>& out) const {
    using Public = typename Callback<T>::Public;
    const auto callback = Callback<T>::get(options_);
    if (!callback) KyraSparseExceptionTemplate<kyraSparsePreconditionerError>::raise(Callback<T>::missing);
    const auto call = [&](const T* from, T* to) {
        callback(op.toChar(), reinterpret_cast<const Public*>(from), reinterpret_cast<Public*>(to),
                 userData_);
    };
    if (permutation_.empty()) {
        call(in.val(), out.val());
        return;
    }
    // M^-1 of the renumbered system is P M^-1 P^T of the caller's.
    Vector<T>& callerIn = *callerIn_.get<T>();
    Vector<T>& callerOut = *callerOut_.get<T>();
    scatter(permutation_, in.val(), callerIn.val());
    call(callerIn.val(), callerOut.val());
    gather(permutation_, callerOut.val(), out.val());
}

#define KYRA_INSTANTIATE(T)                                                                \
    template void UserDefinedPreconditioner::generate_<T>(const Context&, const Platform&, \
                                                          const Matrix<T>&);               \
    template void UserDefinedPreconditioner::apply_<T>(TransOp, const Vector<T>&, Vector<T>&) const;
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE)
#undef KYRA_INSTANTIATE

}  // namespace Iterative
