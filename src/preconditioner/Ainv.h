#ifndef KYRA_PRECONDITIONER_AINV_H
#define KYRA_PRECONDITIONER_AINV_H

#include "core/Options.h"
#include "preconditioner/PerScalar.h"
#include "preconditioner/Preconditioner.h"

namespace Iterative {

// M^-1 = M, an explicit sparse approximate inverse with A M ~ I, computed
// column by column by least squares on the pattern of A, A^2, A^3 or A^4
// (pattern option 0..3), small entries optionally dropped afterwards.
class Ainv : public Preconditioner {
  public:
    explicit Ainv(const kyraSparseAinvOptions* precondOpts) : options_(copyOrDefault(precondOpts)) {}
    std::string name() const override { return "approximate inverse"; }
    void parameterCheck() const override {}

  protected:
    KYRA_PRECONDITIONER_SLOTS

  private:
    template <typename T>
    void generate_(const Context& context, const Platform& platform, const Matrix<T>& A);
    template <typename T>
    void apply_(TransOp op, const Vector<T>& in, Vector<T>& out) const;

    kyraSparseAinvOptions options_;
    PerScalar<Matrix> approximateInverse_;
};

}  // namespace Iterative

#endif
