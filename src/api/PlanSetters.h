#ifndef KYRA_API_PLANSETTERS_H
#define KYRA_API_PLANSETTERS_H

// The shared steps of the plan setters. Each builds and checks the new part
// completely before it replaces the old one, so a failing setter leaves the
// plan as it was.

#include <memory>

#include "api/SafeInterface.h"
#include "core/Context.h"
#include "core/Exception.h"
#include "core/Plan.h"
#include "platform/Platform.h"
#include "preconditioner/Preconditioner.h"
#include "solver/Solver.h"

namespace Iterative {

// Choices whose implementation is not part of this build.
[[noreturn]] inline void raiseUnavailable(const char* what) {
    KyraSparseExceptionTemplate<kyraSparseFeatureNotImplemented>::raise(what);
}

template <typename P, typename Options>
void setPlatform(const Context& context, kyraSparsePlan handle, const Options* opts) {
    Plan& plan = getPlan(handle);
    auto platform = std::make_shared<P>(context, opts);
    plan.setPlatform(std::move(platform));
    plan.getPreconditioner().reset();
}

template <typename P, typename Options>
void setPreconditioner(kyraSparsePlan handle, const Options* opts) {
    Plan& plan = getPlan(handle);
    auto preconditioner = std::make_shared<P>(opts);
    preconditioner->parameterCheck();
    plan.setPreconditioner(std::move(preconditioner));
}

template <typename S, typename Options>
void setSolver(kyraSparsePlan handle, const Options* opts) {
    Plan& plan = getPlan(handle);
    auto solver = std::make_shared<S>(opts);
    solver->parameterCheck();
    plan.setSolver(std::move(solver));
}

}  // namespace Iterative

#endif
