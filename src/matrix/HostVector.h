#ifndef KYRA_MATRIX_HOSTVECTOR_H
#define KYRA_MATRIX_HOSTVECTOR_H

// Vectors in main memory. Unit-stride operands go through the library's own
// kernels (one pass per operation, see HostFusedKernels.h); strided ones
// through the host BLAS, with the fused operations as their plain sequence.
// HostVectorRef borrows the caller's memory, HostVectorAlloc owns its own.

#include <memory>
#include <string>
#include "matrix/HostStorage.h"
#include "matrix/Vector.h"

namespace Iterative {

template <typename T>
class HostVector : public Vector<T> {
  public:
    using typename Vector<T>::RealScalar;

    PlatformType platform() const override { return PlatformType::Host; }
    std::string name() const override { return "host vector"; }

    void fill_(T v) override;
    std::shared_ptr<Vector<T>> clone_() const override;
    void axpy_(T alpha, const Vector<T>& x) override;
    void copy_(const Vector<T>& x) override;
    T dot_(const Vector<T>& y) const override;
    RealScalar nrm2_() const override;
    void scal_(T alpha) override;

    void scaledCopy_(T alpha, const Vector<T>& x) override;
    RealScalar xpaySquares_(T alpha, const Vector<T>& x) override;
    void axpyXpay_(T gamma, const Vector<T>& y, T alpha, const Vector<T>& x) override;
    T axpyDot_(T alpha, const Vector<T>& x, const Vector<T>& w) override;
    RealScalar axpySquares_(T alpha, const Vector<T>& x) override;
    std::pair<RealScalar, RealScalar> waxpyPairSquares_(const Vector<T>& y1, T alpha1, const Vector<T>& x1,
                                                        Vector<T>& w2, const Vector<T>& y2, T alpha2,
                                                        const Vector<T>& x2) override;

    // Element i of val(); the stride is not applied.
    T& operator()(int i) { return this->val()[i]; }
    const T& operator()(int i) const { return this->val()[i]; }
};

// Wraps memory the caller owns; it must not outlive that memory.
template <typename T>
class HostVectorRef : public HostVector<T> {
  public:
    HostVectorRef(int n, T* val, int inc = 1) : n_(n), inc_(inc), val_(val) {}
    // For read-only operands: the vector is then only read by its users.
    HostVectorRef(int n, const T* val, int inc = 1) : n_(n), inc_(inc), val_(const_cast<T*>(val)) {}

    int n() const override { return n_; }
    int inc() const override { return inc_; }
    T* val() override { return val_; }
    const T* val() const override { return val_; }

  private:
    int n_;
    int inc_;
    T* val_;
};

// Owns n*inc elements, all zero at construction. A length of zero holds no
// storage and val() is null.
template <typename T>
class HostVectorAlloc : public HostVector<T> {
  public:
    // Raises std::bad_alloc when n*inc elements do not fit the address space.
    explicit HostVectorAlloc(int n, int inc = 1);

    int n() const override { return n_; }
    int inc() const override { return inc_; }
    T* val() override { return storage_.empty() ? nullptr : storage_.data(); }
    const T* val() const override { return storage_.empty() ? nullptr : storage_.data(); }

  private:
    int n_;
    int inc_;
    HostArray<T> storage_;
};

}  // namespace Iterative

#endif
