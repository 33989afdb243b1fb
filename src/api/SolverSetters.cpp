// Public solver setters. A new solver changes nothing else in the plan.

#include "api/PlanSetters.h"
#include "solver/Cg.h"
#include "solver/NoSolver.h"

using namespace Iterative;

extern "C" {

KYRASPARSE_API kyraSparseStatus kyraSparseSetNoSolver(kyraSparseHandle handle, kyraSparsePlan plan,
                                                      const kyraSparseEmptyOptions* solverOpts) {
    return SafeInterface(handle, [=](Context&) { setSolver<NoSolver>(plan, solverOpts); });
}

KYRASPARSE_API kyraSparseStatus kyraSparseSetCgSolver(kyraSparseHandle handle, kyraSparsePlan plan,
                                                      const kyraSparseCgOptions* solverOpts) {
    return SafeInterface(handle, [=](Context&) { setSolver<Cg>(plan, solverOpts); });
}

KYRA_UNAVAILABLE_SETTER(kyraSparseSetBicgSolver, kyraSparseBicgOptions, "bicg solver")
KYRA_UNAVAILABLE_SETTER(kyraSparseSetBicgstabSolver, kyraSparseBicgstabOptions, "bicgstab solver")
KYRA_UNAVAILABLE_SETTER(kyraSparseSetBicgstablSolver, kyraSparseBicgstablOptions, "bicgstabl solver")
KYRA_UNAVAILABLE_SETTER(kyraSparseSetGmresSolver, kyraSparseGmresOptions, "gmres solver")
KYRA_UNAVAILABLE_SETTER(kyraSparseSetMinresSolver, kyraSparseMinresOptions, "minres solver")

}  // extern "C"
