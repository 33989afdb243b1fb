#ifndef KYRA_PRECONDITIONER_NOPRECONDITIONER_H
#define KYRA_PRECONDITIONER_NOPRECONDITIONER_H

#include "core/Options.h"
#include "preconditioner/Preconditioner.h"

namespace Iterative {

// M = I: every application copies its input, whatever the operation; an
// application in place has nothing to do.
class NoPreconditioner : public Preconditioner {
  public:
    explicit NoPreconditioner(const kyraSparseEmptyOptions* opts) : options_(copyOrDefault(opts)) {}
    std::string name() const override { return "no preconditioner"; }
    void parameterCheck() const override {}
    bool isIdentity() const override { return true; }

  protected:
    KYRA_PRECONDITIONER_SLOTS

  private:
    template <typename T>
    void generate_(const Context&, const Platform&, const Matrix<T>&) {}
    template <typename T>
    void apply_(TransOp, const Vector<T>& in, Vector<T>& out) const {
        if (&in != &out) out.copy_(in);
    }

    kyraSparseEmptyOptions options_;
};

}  // namespace Iterative

#endif
