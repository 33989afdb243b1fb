#include "core/Context.h"
#include "core/Exception.h"
#include "core/Plan.h"
#include "matrix/DataFormat.h"
#include "platform/HostPlatform.h"
#include "preconditioner/NoPreconditioner.h"
#include "solver/NoSolver.h"

namespace Iterative {

Plan::Plan(const Context& context)
    : context_(context),
      dataFormat_(std::make_shared<NoDataFormat>()),
      solver_(std::make_shared<NoSolver>(nullptr)),
      platform_(std::make_shared<HostPlatform>(context, nullptr)),
      preconditioner_(std::make_shared<NoPreconditioner>(nullptr)) {}

Plan::~Plan() {
    preconditioner_.reset();
    platform_.reset();
    solver_.reset();
    dataFormat_.reset();
}

std::string Plan::dataFormatName() const { return dataFormat_->name(); }
std::string Plan::getPlatformName() const { return platform_->name(); }
std::string Plan::preconditionerName() const { return preconditioner_->name(); }
std::string Plan::solverName() const { return solver_->name(); }

void createPlan(const Context& context, kyraSparsePlan* plan) {
    checkArgument(plan != nullptr, "plan != 0");
    *plan = reinterpret_cast<kyraSparsePlan>(new Plan(context));
}

Plan& getPlan(kyraSparsePlan plan) {
    if (!plan) KyraSparseExceptionTemplate<kyraSparsePlanError>::raise("null plan");
    Plan& found = *reinterpret_cast<Plan*>(plan);
    // Work for another handle would race with the owner's worker thread.
    const Context* caller = Context::current();
    if (caller != nullptr && caller != &found.context()) {
        KyraSparseExceptionTemplate<kyraSparsePlanError>::raise("plan belongs to another handle");
    }
    return found;
}

void destroyPlan(kyraSparsePlan plan) { delete &getPlan(plan); }

}  // namespace Iterative
