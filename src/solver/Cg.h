#ifndef KYRA_SOLVER_CG_H
#define KYRA_SOLVER_CG_H

#include "core/Options.h"
#include "solver/Solver.h"

namespace Iterative {

// Preconditioned conjugate gradient for Hermitian positive definite systems.
class Cg : public Solver {
  public:
    explicit Cg(const kyraSparseCgOptions* opts) : options_(copyOrDefault(opts)) {}
    void parameterCheck() const override {}
    std::string name() const override { return "cg"; }

    KYRA_SOLVER_SLOTS

  private:
    template <typename T>
    void details_(const Platform& platform, const Preconditioner& M, const Matrix<T>& A, const Vector<T>& b,
                  Vector<T>& x);

    kyraSparseCgOptions options_;
};

}  // namespace Iterative

#endif
