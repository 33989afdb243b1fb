#ifndef KYRA_MATRIX_HOSTDENSEMATRIX_H
#define KYRA_MATRIX_HOSTDENSEMATRIX_H

// Small column-major dense matrices in main memory (the Hessenberg-like
// systems of the longer solvers), computed on with the dense host BLAS.

#include <string>
#include <vector>

#include "matrix/Matrix.h"

namespace Iterative {

template <typename T>
class HostDenseMatrix : public Matrix<T> {
  public:
    PlatformType platform() const override { return PlatformType::Host; }
    std::string name() const override { return "host dense matrix"; }

    // y <- alpha op(A) x + beta y
    void mvm_(TransOp op, T alpha, const Vector<T>& x, T beta, Vector<T>& y) const override;
    // y <- op(A)^-1 x with A's side triangle and the given diagonal.
    void trsv_(SideType side, TransOp op, DiagType diag, const Vector<T>& x, Vector<T>& y) const override;

    virtual IndexType index() const = 0;
    virtual int lda() const = 0;
    virtual T* data() = 0;
    virtual const T* data() const = 0;

    // Element (i, j) counted from the index base.
    T& operator()(int i, int j) { return data()[offset(i, j)]; }
    const T& operator()(int i, int j) const { return data()[offset(i, j)]; }

  private:
    long offset(int i, int j) const {
        const int base = index().toInt();
        return (i - base) + static_cast<long>(j - base) * lda();
    }
};

// Wraps column-major storage the caller owns.
template <typename T>
class HostDenseMatrixRef : public HostDenseMatrix<T> {
  public:
    HostDenseMatrixRef(int m, int n, T* data, int lda, IndexType index)
        : m_(m), n_(n), data_(data), lda_(lda), index_(index) {}

    int m() const override { return m_; }
    int n() const override { return n_; }
    IndexType index() const override { return index_; }
    int lda() const override { return lda_; }
    T* data() override { return data_; }
    const T* data() const override { return data_; }

  private:
    int m_;
    int n_;
    T* data_;
    int lda_;
    IndexType index_;
};

// Owns m*n column-major elements, zero at construction; lda is m.
template <typename T>
class HostDenseMatrixAlloc : public HostDenseMatrix<T> {
  public:
    HostDenseMatrixAlloc(int m, int n, IndexType index);

    int m() const override { return impl_.m; }
    int n() const override { return impl_.n; }
    IndexType index() const override { return impl_.index; }
    int lda() const override { return impl_.m; }
    T* data() override { return impl_.values.data(); }
    const T* data() const override { return impl_.values.data(); }

  private:
    struct Impl {
        int m;
        int n;
        IndexType index;
        std::vector<T> values;
    };
    Impl impl_;
};

}  // namespace Iterative

#endif
