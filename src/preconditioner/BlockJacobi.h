#ifndef KYRA_PRECONDITIONER_BLOCKJACOBI_H
#define KYRA_PRECONDITIONER_BLOCKJACOBI_H

#include "core/Options.h"
#include "preconditioner/PerScalar.h"
#include "preconditioner/Preconditioner.h"

namespace Iterative {

// M^-1 = the inverses of A's dense diagonal blocks of blockSize rows (the
// last block may be smaller), as one explicit matrix on A's platform.
class BlockJacobi : public Preconditioner {
  public:
    explicit BlockJacobi(const kyraSparseBlockjacobiOptions* precondOpts)
        : options_(copyOrDefault(precondOpts)) {}
    std::string name() const override;
    // Raises status 3 "precondOpts.blockSize > 0".
    void parameterCheck() const override;

  protected:
    KYRA_PRECONDITIONER_SLOTS

  private:
    template <typename T>
    void generate_(const Context& context, const Platform& platform, const Matrix<T>& A);
    template <typename T>
    void apply_(TransOp op, const Vector<T>& in, Vector<T>& out) const;

    kyraSparseBlockjacobiOptions options_;
    PerScalar<Matrix> blockInverses_;
};

}  // namespace Iterative

#endif
