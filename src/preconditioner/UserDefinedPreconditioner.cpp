#include "preconditioner/UserDefinedPreconditioner.h"

#include "core/Exception.h"
#include "matrix/ScalarTypes.h"

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
void UserDefinedPreconditioner::apply_(TransOp op, const Vector<T>& in, Vector<T>& out) const {
    using Public = typename Callback<T>::Public;
    const auto callback = Callback<T>::get(options_);
    if (!callback) KyraSparseExceptionTemplate<kyraSparsePreconditionerError>::raise(Callback<T>::missing);
    callback(op.toChar(), reinterpret_cast<const Public*>(in.val()), reinterpret_cast<Public*>(out.val()),
             userData_);
}

#define KYRA_INSTANTIATE(T) \
    template void UserDefinedPreconditioner::apply_<T>(TransOp, const Vector<T>&, Vector<T>&) const;
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE)
#undef KYRA_INSTANTIATE

}  // namespace Iterative
