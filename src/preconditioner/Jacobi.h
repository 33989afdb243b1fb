#ifndef KYRA_PRECONDITIONER_JACOBI_H
#define KYRA_PRECONDITIONER_JACOBI_H

#include "core/Options.h"
#include "preconditioner/PerScalar.h"
#include "preconditioner/Preconditioner.h"

namespace Iterative {

// M^-1 = D^-1, the inverse diagonal of A as an explicit diagonal matrix on
// A's platform (the identity row where A has no usable diagonal entry).
class Jacobi : public Preconditioner {
  public:
    explicit Jacobi(const kyraSparseJacobiOptions* precondOpts) : options_(copyOrDefault(precondOpts)) {}
    std::string name() const override { return "jacobi"; }
    void parameterCheck() const override {}

  protected:
    KYRA_PRECONDITIONER_SLOTS
    KYRA_PRECONDITIONER_FUSED_SLOTS

  private:
    template <typename T>
    void generate_(const Context& context, const Platform& platform, const Matrix<T>& A);
    template <typename T>
    void apply_(TransOp op, const Vector<T>& in, Vector<T>& out) const;
    // The diagonal product with the dot products gathered in its pass.
    template <typename T>
    T applyDot_(const Vector<T>& in, Vector<T>& out) const;
    template <typename T>
    kyra::Real<T> applySquares_(const Vector<T>& in, Vector<T>& out) const;

    kyraSparseJacobiOptions options_;
    PerScalar<Matrix> inverseDiagonal_;
};

}  // namespace Iterative

#endif
