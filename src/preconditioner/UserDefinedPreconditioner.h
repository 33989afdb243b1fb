#ifndef KYRA_PRECONDITIONER_USERDEFINEDPRECONDITIONER_H
#define KYRA_PRECONDITIONER_USERDEFINEDPRECONDITIONER_H

#include <vector>

#include "core/TypedContainer.h"
#include "preconditioner/Preconditioner.h"

namespace Iterative {

// Applies the caller's callback for the scalar type being solved; the
// caller sets its preconditioner up itself. The callback always sees vectors
// in the caller's numbering: on a renumbered system they are carried out of
// and back into the platform's numbering around the call, through buffers
// made at set-up.
class UserDefinedPreconditioner : public Preconditioner {
  public:
    UserDefinedPreconditioner(const kyraSparseUserDefinedOptions* precondOpts, void* userData);
    std::string name() const override { return "user defined"; }
    void parameterCheck() const override {}

  protected:
    KYRA_PRECONDITIONER_SLOTS

  private:
    template <typename T>
    void generate_(const Context&, const Platform& platform, const Matrix<T>& A);
    template <typename T>
    void apply_(TransOp op, const Vector<T>& in, Vector<T>& out) const;

    kyraSparseUserDefinedOptions options_;
    void* userData_;
    // The platform's permutation at set-up (empty: no renumbering) and the
    // callback's input and output in the caller's numbering.
    std::vector<int> permutation_;
    TypedContainer<Vector> callerIn_;
    TypedContainer<Vector> callerOut_;
};

}  // namespace Iterative

#endif
