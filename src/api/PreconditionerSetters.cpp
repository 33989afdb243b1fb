// Public preconditioner setters. A new preconditioner starts not set up.

#include "api/PlanSetters.h"
#include "preconditioner/NoPreconditioner.h"
#include "preconditioner/UserDefinedPreconditioner.h"

using namespace Iterative;

extern "C" {

KYRASPARSE_API kyraSparseStatus kyraSparseSetNoPreconditioner(kyraSparseHandle handle, kyraSparsePlan plan,
                                                              const kyraSparseEmptyOptions* precondOpts) {
    return SafeInterface(handle, [=](Context&) { setPreconditioner<NoPreconditioner>(plan, precondOpts); });
}

KYRASPARSE_API kyraSparseStatus kyraSparseSetUserDefinedPreconditioner(
    kyraSparseHandle handle, kyraSparsePlan plan, const kyraSparseUserDefinedOptions* precondOpts, void* userData) {
    return SafeInterface(handle, [=](Context&) {
        Plan& p = getPlan(plan);
        auto preconditioner = std::make_shared<UserDefinedPreconditioner>(precondOpts, userData);
        preconditioner->parameterCheck();
        p.setPreconditioner(std::move(preconditioner));
    });
}

KYRA_UNAVAILABLE_SETTER(kyraSparseSetJacobiPreconditioner, kyraSparseJacobiOptions, "jacobi preconditioner")
KYRA_UNAVAILABLE_SETTER(kyraSparseSetBlockJacobiPreconditioner, kyraSparseBlockjacobiOptions,
                        "block jacobi preconditioner")
KYRA_UNAVAILABLE_SETTER(kyraSparseSetIlu0Preconditioner, kyraSparseIlu0Options, "ilu0 preconditioner")
KYRA_UNAVAILABLE_SETTER(kyraSparseSetAinvPreconditioner, kyraSparseAinvOptions, "ainv preconditioner")
KYRA_UNAVAILABLE_SETTER(kyraSparseSetFainvPreconditioner, kyraSparseFainvOptions, "factorized ainv preconditioner")

}  // extern "C"
