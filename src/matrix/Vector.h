#ifndef KYRA_MATRIX_VECTOR_H
#define KYRA_MATRIX_VECTOR_H

// The dense vector every solver and preconditioner works on. The element
// count of an operation is always the receiver's n(); the operand is read
// through its val()/inc() only, so both must belong to the same family.

#include <memory>
#include <string>

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
};

}  // namespace Iterative

#endif
