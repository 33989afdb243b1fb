#ifndef KYRA_MATRIX_VECTOR_H
#define KYRA_MATRIX_VECTOR_H

// The dense vector every solver and preconditioner works on. The element
// count of an operation is always the receiver's n(); the operand is read
// through its val()/inc() only, so both must belong to the same family.

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <utility>

#include "core/Complex.h"
#include "matrix/MatrixEnums.h"

namespace Iterative {

template <typename T>
class Vector {
  public:
    using Scalar = T;
    using RealScalar = kyra::Real<T>;

    Vector() = default;
    Vector(const Vector&) = delete;
    Vector& operator=(const Vector&) = delete;
    virtual ~Vector() = default;

    virtual int n() const = 0;
    virtual int inc() const = 0;
    virtual PlatformType platform() const = 0;
    virtual T* val() = 0;
    virtual const T* val() const = 0;
    virtual std::string name() const = 0;

    // x_i <- v for the n() consecutive elements from val() (stride not applied).
    virtual void fill_(T v);
    // A new vector of the same length and platform; values are not copied.
    virtual std::shared_ptr<Vector<T>> clone_() const;
    // this <- this + alpha x
    virtual void axpy_(T alpha, const Vector<T>& x);
    // this <- x
    virtual void copy_(const Vector<T>& x);
    // sum conj(y_i) this_i: the operand is the conjugated one.
    virtual T dot_(const Vector<T>& y) const;
    virtual RealScalar nrm2_() const;
    // this <- alpha this
    virtual void scal_(T alpha);
    // this <- alpha this + x, as scal_(alpha) then axpy_(1, x).
    virtual void xpay_(T alpha, const Vector<T>& x);

    // Fused operations: each does in one pass over memory what its comment
    // states as a sequence of the operations above, with the same arithmetic
    // per element; only the order in which reductions are summed may differ.
    // The defaults run that sequence, so a platform needs to override only
    // those that pay. "Squares" is the plain sum of |v_i|^2 of a result, to
    // be turned into a norm by normFrom_.

    // this <- alpha x: copy_(x) then scal_(alpha).
    virtual void scaledCopy_(T alpha, const Vector<T>& x);
    // this <- x + alpha this, returning the squares of this: xpay_ then nrm2_.
    virtual RealScalar xpaySquares_(T alpha, const Vector<T>& x);
    // this <- x + alpha (this + gamma y): axpy_(gamma, y) then xpay_(alpha, x).
    virtual void axpyXpay_(T gamma, const Vector<T>& y, T alpha, const Vector<T>& x);
    // this <- this + alpha x, returning <w, this>: axpy_ then dot_(w).
    virtual T axpyDot_(T alpha, const Vector<T>& x, const Vector<T>& w);
    // this <- this + alpha x, returning the squares of this: axpy_ then nrm2_.
    virtual RealScalar axpySquares_(T alpha, const Vector<T>& x);
    // this <- y1 + alpha1 x1 and w2 <- y2 + alpha2 x2, returning the squares
    // of this and of w2. this may be y1 and w2 may be y2 (an update in
    // place); w2 must be none of this, y1 and x1.
    virtual std::pair<RealScalar, RealScalar> waxpyPairSquares_(const Vector<T>& y1, T alpha1,
                                                                const Vector<T>& x1, Vector<T>& w2,
                                                                const Vector<T>& y2, T alpha2,
                                                                const Vector<T>& x2);

    // |this| from the squares a fused operation measured on it: their square
    // root while the sum is exact to rounding, otherwise (overflow, or
    // underflow of small elements) nrm2_, which scales.
    RealScalar normFrom_(RealScalar squares) const;
};

// Whether a plain sum of squares kept every element's contribution to
// rounding: finite, and large enough that squares lost to underflow cannot
// matter: each lost square is below the smallest normal number (2^-1022,
// 2^-126), so a sum above 2^-900 (2^-60 in single precision) loses less than
// n 2^-122 (n 2^-66) of itself.
template <typename R>
bool squaresAreExact(R squares) {
    const R smallest = std::ldexp(R(1), std::numeric_limits<R>::digits > 24 ? -900 : -60);
    return squares <= std::numeric_limits<R>::max() && squares >= smallest;
}

}  // namespace Iterative

#endif
