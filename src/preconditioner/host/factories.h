#ifndef KYRA_PRECONDITIONER_HOST_FACTORIES_H
#define KYRA_PRECONDITIONER_HOST_FACTORIES_H

// The preconditioner operators of a host CSR matrix, computed on the host:
// the bodies of HostCsrMatrix<T>'s factories makeJacobi_ .. makeFactorizedAinv_.
// Each returns a new host CSR matrix; A itself is never changed.

#include <memory>

#include "kyraSparse.h"
#include "matrix/HostCsrMatrix.h"

namespace pc {
namespace host {

template <typename T>
using MatrixPointer = std::shared_ptr<Iterative::Matrix<T>>;

// D^-1 as a diagonal CSR matrix with A's index base.
template <typename T>
MatrixPointer<T> makeJacobi(const Iterative::HostCsrMatrix<T>& A, const kyraSparseJacobiOptions& options);

// The inverses of A's diagonal blocks as one CSR matrix with A's index base.
template <typename T>
MatrixPointer<T> makeBlockJacobi(const Iterative::HostCsrMatrix<T>& A,
                                 const kyraSparseBlockjacobiOptions& options);

// L and U of the zero-fill incomplete factorisation in one matrix with A's
// pattern and index base.
template <typename T>
MatrixPointer<T> makeIlu0(const Iterative::HostCsrMatrix<T>& A, const kyraSparseIlu0Options& options);

// M ~ A^-1 on the pattern of a power of A, zero-based, small entries
// optionally dropped.
template <typename T>
MatrixPointer<T> makeAinv(const Iterative::HostCsrMatrix<T>& A, const kyraSparseAinvOptions& options);

// The upper triangular factor Z with Z^H Z ~ A^-1 on the upper pattern of a
// power of A, zero-based, small entries optionally dropped.
template <typename T>
MatrixPointer<T> makeFactorizedAinv(const Iterative::HostCsrMatrix<T>& A,
                                    const kyraSparseFainvOptions& options);

}  // namespace host
}  // namespace pc

#endif
