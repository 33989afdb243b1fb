#ifndef KYRA_MATRIX_MATRIX_H
#define KYRA_MATRIX_MATRIX_H

// The system matrix as solvers and preconditioners see it: products,
// triangular solves, and factories for preconditioners, triangular views and
// transposes. Every operation a matrix kind lacks raises "feature not
// implemented" with a text naming the operation.

#include <memory>
#include <string>

#include "kyraSparse.h"
#include "matrix/MatrixEnums.h"
#include "matrix/Vector.h"

namespace Iterative {

// What a fused product gathers on its way: <w, y> = sum conj(w_i) y_i and
// <y, y>, the plain sum of |y_i|^2.
template <typename T>
struct ProductDots {
    T dot;
    kyra::Real<T> squares;
};

template <typename T>
class Matrix {
  public:
    using Scalar = T;
    using Pointer = std::shared_ptr<Matrix<T>>;

    Matrix() = default;
    Matrix(const Matrix&) = delete;
    Matrix& operator=(const Matrix&) = delete;
    virtual ~Matrix() = default;

    virtual int m() const = 0;
    virtual int n() const = 0;
    virtual PlatformType platform() const = 0;
    virtual std::string name() const = 0;

    // y <- alpha op(A) x + beta y
    virtual void mvm_(TransOp op, T alpha, const Vector<T>& x, T beta, Vector<T>& y) const;
    // y <- A x, returning <w, y>: mvm_ then y.dot_(w), fused where the
    // platform can (optional; the default runs that sequence).
    virtual T mvmDot_(const Vector<T>& x, Vector<T>& y, const Vector<T>& w) const;
    // y <- A x, returning <w, y> and <y, y>: mvm_, y.dot_(w) and y.dot_(y).
    virtual ProductDots<T> mvmDots_(const Vector<T>& x, Vector<T>& y, const Vector<T>& w) const;
    // y <- op(A)^-1 x for a triangular A.
    virtual void trsv_(SideType side, TransOp op, DiagType diag, const Vector<T>& x, Vector<T>& y) const;

    // Preconditioner operators built from this matrix, on its platform.
    virtual Pointer makeJacobi_(const kyraSparseJacobiOptions& options) const;
    virtual Pointer makeBlockJacobi_(const kyraSparseBlockjacobiOptions& options) const;
    virtual Pointer makeIlu0_(const kyraSparseIlu0Options& options) const;
    virtual Pointer makeAinv_(const kyraSparseAinvOptions& options) const;
    virtual Pointer makeFactorizedAinv_(const kyraSparseFainvOptions& options) const;

    // A triangle of this matrix sharing its storage; it must not outlive it.
    virtual Pointer makeMatrixView_(SideType side, DiagType diag) const;
    // A new matrix holding the transpose, or the conjugate transpose.
    virtual Pointer transpose_(bool conjugate) const;
    virtual bool isValidFormat_() const;
};

}  // namespace Iterative

#endif
