#ifndef KYRA_SOLVER_MINRES_H
#define KYRA_SOLVER_MINRES_H

#include "core/Options.h"
#include "solver/Solver.h"

namespace Iterative {

// Preconditioned minimum residual method (Lanczos with Givens rotations)
// for symmetric or Hermitian, possibly indefinite, systems with a positive
// definite preconditioner. The residual it tests follows the true residual
// by its own recurrence r = r - phi A w, with A w updated alongside w.
class Minres : public Solver {
  public:
    explicit Minres(const kyraSparseMinresOptions* opts) : options_(copyOrDefault(opts)) {}
    void parameterCheck() const override {}
    std::string name() const override { return "minres"; }

    KYRA_SOLVER_SLOTS

  private:
    template <typename T>
    void details_(const Platform& platform, const Preconditioner& M, const Matrix<T>& A, const Vector<T>& b,
                  Vector<T>& x);

    kyraSparseMinresOptions options_;
};

}  // namespace Iterative

#endif
