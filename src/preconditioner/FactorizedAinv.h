#ifndef KYRA_PRECONDITIONER_FACTORIZEDAINV_H
#define KYRA_PRECONDITIONER_FACTORIZEDAINV_H

#include "core/Options.h"
#include "preconditioner/PerScalar.h"
#include "preconditioner/Preconditioner.h"

namespace Iterative {

// M^-1 = Z^H Z for a Hermitian positive definite A, with Z the sparse upper
// triangular factorized approximate inverse on the upper pattern of A, A^2,
// A^3 or A^4 (pattern option 0..3). apply writes the work vector, so one
// object serves one solve at a time.
class FactorizedAinv : public Preconditioner {
  public:
    explicit FactorizedAinv(const kyraSparseFainvOptions* precondOpts)
        : options_(copyOrDefault(precondOpts)) {}
    std::string name() const override;
    void parameterCheck() const override {}

  protected:
    KYRA_PRECONDITIONER_SLOTS

  private:
    template <typename T>
    void generate_(const Context& context, const Platform& platform, const Matrix<T>& A);
    template <typename T>
    void apply_(TransOp op, const Vector<T>& in, Vector<T>& out) const;

    kyraSparseFainvOptions options_;
    PerScalar<Matrix> z_;
    PerScalar<Matrix> zH_;  // the conjugate transpose of z_
    PerScalar<Vector> work_;
};

}  // namespace Iterative

#endif
