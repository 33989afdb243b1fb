#ifndef KYRA_PRECONDITIONER_CUDA_FACTORIES_H
#define KYRA_PRECONDITIONER_CUDA_FACTORIES_H

// The preconditioner operators of a device CSR matrix: the bodies of
// CudaCsrMatrix<T>'s factories makeJacobi_ .. makeFactorizedAinv_. Jacobi and
// block Jacobi are computed by device kernels, ILU0 by cuSPARSE; the
// approximate inverses are computed on the host from the matrix's host copy
// and uploaded. Each returns a new device CSR matrix on A's context; A
// itself is never changed.

#if defined(KYRA_WITH_CUDA)

#include <memory>

#include "kyraSparse.h"
#include "matrix/CudaCsrMatrix.h"

namespace pc {
namespace cuda {

template <typename T>
using MatrixPointer = std::shared_ptr<Iterative::Matrix<T>>;

template <typename T>
MatrixPointer<T> makeJacobi(const Iterative::CudaCsrMatrix<T>& A, const kyraSparseJacobiOptions& options);
template <typename T>
MatrixPointer<T> makeBlockJacobi(const Iterative::CudaCsrMatrix<T>& A,
                                 const kyraSparseBlockjacobiOptions& options);
// L and U in one matrix with A's pattern and index base. Unsorted rows (checked
// first), a missing diagonal entry and a zero pivot raise status 2 with the
// host factorisation's texts.
template <typename T>
MatrixPointer<T> makeIlu0(const Iterative::CudaCsrMatrix<T>& A, const kyraSparseIlu0Options& options);
template <typename T>
MatrixPointer<T> makeAinv(const Iterative::CudaCsrMatrix<T>& A, const kyraSparseAinvOptions& options);
template <typename T>
MatrixPointer<T> makeFactorizedAinv(const Iterative::CudaCsrMatrix<T>& A,
                                    const kyraSparseFainvOptions& options);

}  // namespace cuda
}  // namespace pc

#endif
#endif
