#ifndef KYRA_PRECONDITIONER_ILU0_H
#define KYRA_PRECONDITIONER_ILU0_H

#include "core/Options.h"
#include "preconditioner/PerScalar.h"
#include "preconditioner/Preconditioner.h"

namespace Iterative {

// M = L U, the incomplete LU factorisation of A with zero fill-in, applied
// by a forward and a backward triangular solve on two views of one factor
// matrix. apply writes the work vector, so one object serves one solve at
// a time.
class Ilu0 : public Preconditioner {
  public:
    explicit Ilu0(const kyraSparseIlu0Options* precondOpts) : options_(copyOrDefault(precondOpts)) {}
    std::string name() const override { return "ilu0"; }
    void parameterCheck() const override {}

  protected:
    KYRA_PRECONDITIONER_SLOTS

  private:
    template <typename T>
    void generate_(const Context& context, const Platform& platform, const Matrix<T>& A);
    template <typename T>
    void apply_(TransOp op, const Vector<T>& in, Vector<T>& out) const;

    kyraSparseIlu0Options options_;
    PerScalar<Matrix> factors_;  // L below the diagonal, U on and above it
    PerScalar<Matrix> lower_;    // view of factors_: unit lower triangle
    PerScalar<Matrix> upper_;    // view of factors_: upper triangle
    PerScalar<Vector> work_;
};

}  // namespace Iterative

#endif
