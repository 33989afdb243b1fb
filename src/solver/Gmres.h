#ifndef KYRA_SOLVER_GMRES_H
#define KYRA_SOLVER_GMRES_H

#include "core/Options.h"
#include "solver/Solver.h"

namespace Iterative {

// Restarted GMRES(m) with left preconditioning. Each counted iteration is
// one restart cycle of up to m = min(n, restart) Arnoldi steps; the Krylov
// basis lives on the platform, the small Hessenberg least-squares problem
// (Givens rotations, triangular solve) in host memory.
class Gmres : public Solver {
  public:
    explicit Gmres(const kyraSparseGmresOptions* opts) : options_(copyOrDefault(opts)) {}
    void parameterCheck() const override;
    std::string name() const override { return "gmres(" + std::to_string(options_.restart) + ")"; }

    KYRA_SOLVER_SLOTS

  private:
    template <typename T>
    void details_(const Platform& platform, const Preconditioner& M, const Matrix<T>& A, const Vector<T>& b,
                  Vector<T>& x);

    kyraSparseGmresOptions options_;
};

}  // namespace Iterative

#endif
