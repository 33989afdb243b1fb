// Public solver setters. A new solver changes nothing else in the plan.

#include "api/PlanSetters.h"
#include "solver/Bicg.h"
#include "solver/Bicgstab.h"
#include "solver/Bicgstabl.h"
#include "solver/Cg.h"
#include "solver/Gmres.h"
#include "solver/Minres.h"
#include "solver/NoSolver.h"

using namespace Iterative;

// The public setter of one method: builds it from the options (null means
// the defaults), checks them, then replaces the plan's solver.
#define KYRA_SOLVER_SETTER(PublicName, Method, Options)                                       \
    KYRASPARSE_API kyraSparseStatus PublicName(kyraSparseHandle handle, kyraSparsePlan plan,  \
                                               const Options* solverOpts) {                   \
        return SafeInterface(handle, [=](Context&) { setSolver<Method>(plan, solverOpts); }); \
    }

extern "C" {

KYRA_SOLVER_SETTER(kyraSparseSetNoSolver, NoSolver, kyraSparseEmptyOptions)
KYRA_SOLVER_SETTER(kyraSparseSetCgSolver, Cg, kyraSparseCgOptions)
KYRA_SOLVER_SETTER(kyraSparseSetBicgSolver, Bicg, kyraSparseBicgOptions)
KYRA_SOLVER_SETTER(kyraSparseSetBicgstabSolver, Bicgstab, kyraSparseBicgstabOptions)
KYRA_SOLVER_SETTER(kyraSparseSetBicgstablSolver, Bicgstabl, kyraSparseBicgstablOptions)
KYRA_SOLVER_SETTER(kyraSparseSetGmresSolver, Gmres, kyraSparseGmresOptions)
KYRA_SOLVER_SETTER(kyraSparseSetMinresSolver, Minres, kyraSparseMinresOptions)

}  // extern "C"
