#ifndef KYRA_PRECONDITIONER_PRECONDITIONER_H
#define KYRA_PRECONDITIONER_PRECONDITIONER_H

// A preconditioner is set up once from the system matrix and then applied
// any number of times: out <- op(M^-1) in. The four scalar types reach the
// algorithms, written once as member templates generate_<T> and apply_<T>,
// through one pair of virtual slots per type.

#include <string>

#include "core/Complex.h"
#include "matrix/Matrix.h"
#include "matrix/MatrixEnums.h"
#include "matrix/Vector.h"

namespace Iterative {

class Context;
class Platform;

class Preconditioner {
  public:
    virtual ~Preconditioner() = default;
    virtual std::string name() const = 0;
    virtual void parameterCheck() const = 0;

    bool isInit() const { return init_; }
    void reset() { init_ = false; }

    template <typename T>
    void generate(const Context& context, const Platform& platform, const Matrix<T>& A) {
        doGenerate(context, platform, A);
        init_ = true;
    }

    template <typename T>
    void apply(TransOp op, const Vector<T>& in, Vector<T>& out) const {
        doApply(op, in, out);
    }

    // Fused applications out <- M^-1 in that also return <in, out> =
    // sum conj(in_i) out_i, or the squares sum |out_i|^2 of the result. A
    // preconditioner overrides them where one pass can do it; the defaults
    // apply and then take the dot product.
    template <typename T>
    T applyDot(const Vector<T>& in, Vector<T>& out) const {
        return doApplyDot(in, out);
    }
    template <typename T>
    kyra::Real<T> applySquares(const Vector<T>& in, Vector<T>& out) const {
        return doApplySquares(in, out);
    }

    // M = I: a method may then use the input itself as M^-1 in.
    virtual bool isIdentity() const { return false; }

  protected:
    virtual void doGenerate(const Context&, const Platform&, const Matrix<float>&) = 0;
    virtual void doGenerate(const Context&, const Platform&, const Matrix<double>&) = 0;
    virtual void doGenerate(const Context&, const Platform&, const Matrix<kyra::Complex<float>>&) = 0;
    virtual void doGenerate(const Context&, const Platform&, const Matrix<kyra::Complex<double>>&) = 0;
    virtual void doApply(TransOp, const Vector<float>&, Vector<float>&) const = 0;
    virtual void doApply(TransOp, const Vector<double>&, Vector<double>&) const = 0;
    virtual void doApply(TransOp, const Vector<kyra::Complex<float>>&,
                         Vector<kyra::Complex<float>>&) const = 0;
    virtual void doApply(TransOp, const Vector<kyra::Complex<double>>&,
                         Vector<kyra::Complex<double>>&) const = 0;

#define KYRA_PRECONDITIONER_FUSED_DEFAULT(T)                                          \
    virtual T doApplyDot(const Vector<T>& in, Vector<T>& out) const {                 \
        doApply(TransOp::NoTrans, in, out);                                           \
        return out.dot_(in);                                                          \
    }                                                                                 \
    virtual kyra::Real<T> doApplySquares(const Vector<T>& in, Vector<T>& out) const { \
        doApply(TransOp::NoTrans, in, out);                                           \
        return kyra::realPart(out.dot_(out));                                         \
    }
    KYRA_PRECONDITIONER_FUSED_DEFAULT(float)
    KYRA_PRECONDITIONER_FUSED_DEFAULT(double)
    KYRA_PRECONDITIONER_FUSED_DEFAULT(kyra::Complex<float>)
    KYRA_PRECONDITIONER_FUSED_DEFAULT(kyra::Complex<double>)
#undef KYRA_PRECONDITIONER_FUSED_DEFAULT

  private:
    bool init_ = false;
};

// Implements the eight typed slots of a concrete preconditioner by forwarding
// to its member templates generate_<T>(context, platform, A) and
// apply_<T>(op, in, out).
#define KYRA_PRECONDITIONER_SLOT(T)                                                                  \
    void doGenerate(const Context& context, const Platform& platform, const Matrix<T>& A) override { \
        generate_<T>(context, platform, A);                                                          \
    }                                                                                                \
    void doApply(TransOp op, const Vector<T>& in, Vector<T>& out) const override { apply_<T>(op, in, out); }

#define KYRA_PRECONDITIONER_SLOTS                  \
    KYRA_PRECONDITIONER_SLOT(float)                \
    KYRA_PRECONDITIONER_SLOT(double)               \
    KYRA_PRECONDITIONER_SLOT(kyra::Complex<float>) \
    KYRA_PRECONDITIONER_SLOT(kyra::Complex<double>)

// Implements the fused slots of a concrete preconditioner by forwarding to
// its member templates applyDot_<T>(in, out) and applySquares_<T>(in, out).
#define KYRA_PRECONDITIONER_FUSED_SLOT(T)                                                              \
    T doApplyDot(const Vector<T>& in, Vector<T>& out) const override { return applyDot_<T>(in, out); } \
    kyra::Real<T> doApplySquares(const Vector<T>& in, Vector<T>& out) const override {                 \
        return applySquares_<T>(in, out);                                                              \
    }

#define KYRA_PRECONDITIONER_FUSED_SLOTS                  \
    KYRA_PRECONDITIONER_FUSED_SLOT(float)                \
    KYRA_PRECONDITIONER_FUSED_SLOT(double)               \
    KYRA_PRECONDITIONER_FUSED_SLOT(kyra::Complex<float>) \
    KYRA_PRECONDITIONER_FUSED_SLOT(kyra::Complex<double>)

}  // namespace Iterative

#endif
