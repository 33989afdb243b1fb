#ifndef KYRA_PRECONDITIONER_USERDEFINEDPRECONDITIONER_H
#define KYRA_PRECONDITIONER_USERDEFINEDPRECONDITIONER_H

#include "preconditioner/Preconditioner.h"

namespace Iterative {

// Applies the caller's callback for the scalar type being solved; the
// caller sets its preconditioner up itself.
class UserDefinedPreconditioner : public Preconditioner {
  public:
    UserDefinedPreconditioner(const kyraSparseUserDefinedOptions* precondOpts, void* userData);
    std::string name() const override { return "user defined"; }
    void parameterCheck() const override {}

  protected:
    KYRA_PRECONDITIONER_SLOTS

  private:
    template <typename T>
    void generate_(const Context&, const Platform&, const Matrix<T>&) {}
    template <typename T>
    void apply_(TransOp op, const Vector<T>& in, Vector<T>& out) const;

    kyraSparseUserDefinedOptions options_;
    void* userData_;
};

}  // namespace Iterative

#endif
