#ifndef KYRA_SOLVER_BICG_H
#define KYRA_SOLVER_BICG_H

#include "core/Options.h"
#include "solver/Solver.h"

namespace Iterative {

// Preconditioned biconjugate gradient for general square systems. Needs
// products with A^H and applications of M^-H besides A and M^-1; with
// explicitTranspose set, A^H is formed once per run as a matrix of its own.
class Bicg : public Solver {
  public:
    explicit Bicg(const kyraSparseBicgOptions* opts) : options_(copyOrDefault(opts)) {}
    void parameterCheck() const override {}
    std::string name() const override { return "bicg"; }

    KYRA_SOLVER_SLOTS

  private:
    template <typename T>
    void details_(const Platform& platform, const Preconditioner& M, const Matrix<T>& A, const Vector<T>& b,
                  Vector<T>& x);

    kyraSparseBicgOptions options_;
};

}  // namespace Iterative

#endif
