#ifndef KYRA_MATRIX_MATRIXFREE_H
#define KYRA_MATRIX_MATRIXFREE_H

// The system matrix given only as the caller's product callback y <- op(A) x.
// It has no entries, so every operation other than the plain product keeps
// the "feature not implemented" behaviour of Matrix.

#include <string>

#include "matrix/DataFormat.h"
#include "matrix/Matrix.h"

namespace Iterative {

template <typename T>
class MatrixFree : public Matrix<T> {
  public:
    using Callback = MatrixFreeCallback<T>;

    // platform says where the vectors handed to the callback live.
    MatrixFree(PlatformType platform, int m, int n, Callback ax, void* user)
        : platform_(platform), m_(m), n_(n), ax_(ax), user_(user) {}

    int m() const override { return m_; }
    int n() const override { return n_; }
    PlatformType platform() const override { return platform_; }
    std::string name() const override { return "matrix free"; }

    // Only y <- op(A) x: alpha must be exactly 1 and beta exactly 0.
    void mvm_(TransOp op, T alpha, const Vector<T>& x, T beta, Vector<T>& y) const override;

  private:
    PlatformType platform_;
    int m_;
    int n_;
    Callback ax_;
    void* user_;
};

}  // namespace Iterative

#endif
