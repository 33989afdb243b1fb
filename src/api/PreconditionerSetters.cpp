// Public preconditioner setters. A new preconditioner starts not set up.

#include "api/PlanSetters.h"
#include "preconditioner/Ainv.h"
#include "preconditioner/BlockJacobi.h"
#include "preconditioner/FactorizedAinv.h"
#include "preconditioner/Ilu0.h"
#include "preconditioner/Jacobi.h"
#include "preconditioner/NoPreconditioner.h"
#include "preconditioner/UserDefinedPreconditioner.h"

using namespace Iterative;

extern "C" {

KYRASPARSE_API kyraSparseStatus kyraSparseSetNoPreconditioner(kyraSparseHandle handle, kyraSparsePlan plan,
                                                              const kyraSparseEmptyOptions* precondOpts) {
    return SafeInterface(handle, [=](Context&) { setPreconditioner<NoPreconditioner>(plan, precondOpts); });
}

KYRASPARSE_API kyraSparseStatus
kyraSparseSetUserDefinedPreconditioner(kyraSparseHandle handle, kyraSparsePlan plan,
                                       const kyraSparseUserDefinedOptions* precondOpts, void* userData) {
    return SafeInterface(handle, [=](Context&) {
        Plan& p = getPlan(plan);
        auto preconditioner = std::make_shared<UserDefinedPreconditioner>(precondOpts, userData);
        preconditioner->parameterCheck();
        p.setPreconditioner(std::move(preconditioner));
    });
}

KYRASPARSE_API kyraSparseStatus kyraSparseSetJacobiPreconditioner(
    kyraSparseHandle handle, kyraSparsePlan plan, const kyraSparseJacobiOptions* precondOpts) {
    return SafeInterface(handle, [=](Context&) { setPreconditioner<Jacobi>(plan, precondOpts); });
}

KYRASPARSE_API kyraSparseStatus kyraSparseSetBlockJacobiPreconditioner(
    kyraSparseHandle handle, kyraSparsePlan plan, const kyraSparseBlockjacobiOptions* precondOpts) {
    return SafeInterface(handle, [=](Context&) { setPreconditioner<BlockJacobi>(plan, precondOpts); });
}

KYRASPARSE_API kyraSparseStatus kyraSparseSetIlu0Preconditioner(kyraSparseHandle handle, kyraSparsePlan plan,
                                                                const kyraSparseIlu0Options* precondOpts) {
    return SafeInterface(handle, [=](Context&) { setPreconditioner<Ilu0>(plan, precondOpts); });
}

KYRASPARSE_API kyraSparseStatus kyraSparseSetAinvPreconditioner(kyraSparseHandle handle, kyraSparsePlan plan,
                                                                const kyraSparseAinvOptions* precondOpts) {
    return SafeInterface(handle, [=](Context&) { setPreconditioner<Ainv>(plan, precondOpts); });
}

KYRASPARSE_API kyraSparseStatus kyraSparseSetFainvPreconditioner(kyraSparseHandle handle, kyraSparsePlan plan,
                                                                 const kyraSparseFainvOptions* precondOpts) {
    return SafeInterface(handle, [=](Context&) { setPreconditioner<FactorizedAinv>(plan, precondOpts); });
}

}  // extern "C"
