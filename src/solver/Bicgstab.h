#ifndef KYRA_SOLVER_BICGSTAB_H
#define KYRA_SOLVER_BICGSTAB_H

#include "core/Options.h"
#include "solver/Solver.h"

namespace Iterative {

// Right-preconditioned stabilised biconjugate gradient for general square
// systems: a BiCG half step followed by a one-dimensional minimal-residual
// step per iteration.
class Bicgstab : public Solver {
  public:
    explicit Bicgstab(const kyraSparseBicgstabOptions* opts) : options_(copyOrDefault(opts)) {}
    void parameterCheck() const override {}
    std::string name() const override { return "bicgstab"; }

    KYRA_SOLVER_SLOTS

  private:
    template <typename T>
    void details_(const Platform& platform, const Preconditioner& M, const Matrix<T>& A, const Vector<T>& b,
                  Vector<T>& x);

    kyraSparseBicgstabOptions options_;
};

}  // namespace Iterative

#endif
