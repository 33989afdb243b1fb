#ifndef KYRA_SOLVER_NOSOLVER_H
#define KYRA_SOLVER_NOSOLVER_H

#include "core/Options.h"
#include "solver/Solver.h"

namespace Iterative {

// The solver of a new plan: ends every run at once with flag 8, x untouched.
class NoSolver : public Solver {
  public:
    explicit NoSolver(const kyraSparseEmptyOptions* opts) : options_(copyOrDefault(opts)) {}
    void parameterCheck() const override {}
    std::string name() const override { return "no solver"; }

    KYRA_SOLVER_SLOTS

  private:
    template <typename T>
    void details_(const Platform&, const Preconditioner&, const Matrix<T>&, const Vector<T>&, Vector<T>&) {
        throw kyraSparseNoSolverSelected;
    }

    kyraSparseEmptyOptions options_;
};

}  // namespace Iterative

#endif
