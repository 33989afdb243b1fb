#ifndef KYRA_SOLVER_BICGSTABL_H
#define KYRA_SOLVER_BICGSTABL_H

#include "core/Options.h"
#include "solver/Solver.h"

namespace Iterative {

// BiCGSTAB(l), right-preconditioned: each counted iteration is one cycle of
// l BiCG steps followed by a minimal-residual step of degree l. The small
// coefficient recurrences of the minimal-residual step run on the host.
class Bicgstabl : public Solver {
  public:
    explicit Bicgstabl(const kyraSparseBicgstablOptions* opts) : options_(copyOrDefault(opts)) {}
    // A cycle without BiCG steps has no minimal-residual polynomial, so
    // l = 0 is refused along with negative l.
    void parameterCheck() const override;
    std::string name() const override { return "bicgstabl(" + std::to_string(options_.l) + ")"; }

    KYRA_SOLVER_SLOTS

  private:
    template <typename T>
    void details_(const Platform& platform, const Preconditioner& M, const Matrix<T>& A, const Vector<T>& b,
                  Vector<T>& x);

    kyraSparseBicgstablOptions options_;
};

}  // namespace Iterative

#endif
