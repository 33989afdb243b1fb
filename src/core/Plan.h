#ifndef KYRA_CORE_PLAN_H
#define KYRA_CORE_PLAN_H

// One configured solve: the caller's data, the platform that holds and
// processes it, the preconditioner and the solver. Each part is replaced
// whole by the setters; a plan never holds a half-built part.

#include <memory>
#include <string>

#include "kyraSparse.h"

namespace Iterative {

class Context;
class DataFormatBase;
class Platform;
class Preconditioner;
class Solver;

class Plan {
  public:
    // A new plan: no data, no solver, the host platform, no preconditioner.
    explicit Plan(const Context& context);
    ~Plan();
    Plan(const Plan&) = delete;
    Plan& operator=(const Plan&) = delete;

    void setDataFormat(std::shared_ptr<DataFormatBase> format) { dataFormat_ = std::move(format); }
    void setPlatform(std::shared_ptr<Platform> platform) { platform_ = std::move(platform); }
    void setPreconditioner(std::shared_ptr<Preconditioner> p) { preconditioner_ = std::move(p); }
    void setSolver(std::shared_ptr<Solver> solver) { solver_ = std::move(solver); }

    const Context& context() const { return context_; }
    DataFormatBase& getDataFormat() const { return *dataFormat_; }
    Platform& getPlatform() const { return *platform_; }
    Preconditioner& getPreconditioner() const { return *preconditioner_; }
    Solver& getSolver() const { return *solver_; }

    std::string dataFormatName() const;
    std::string getPlatformName() const;
    std::string preconditionerName() const;
    std::string solverName() const;

  private:
    const Context& context_;
    std::shared_ptr<DataFormatBase> dataFormat_;
    std::shared_ptr<Solver> solver_;
    std::shared_ptr<Platform> platform_;
    std::shared_ptr<Preconditioner> preconditioner_;
};

// Plan handles are the addresses of heap plans; there is no registry.
void createPlan(const Context& context, kyraSparsePlan* plan);
void destroyPlan(kyraSparsePlan plan);
// The plan behind a handle; a null handle raises status 11 "null plan".
// Plans belong to the library handle that created them: called from another
// handle's work, it raises status 11 "plan belongs to another handle".
Plan& getPlan(kyraSparsePlan plan);

}  // namespace Iterative

#endif
