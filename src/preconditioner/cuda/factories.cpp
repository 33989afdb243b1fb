#if defined(KYRA_WITH_CUDA)

#include "preconditioner/cuda/factories.h"

#include "matrix/ScalarTypes.h"
#include "preconditioner/cuda/kernels.h"
#include "preconditioner/host/factories.h"

namespace pc {
namespace cuda {

namespace {

using Iterative::CudaCsrMatrix;
using Iterative::CudaCsrMatrixAlloc;
using Iterative::HostCsrMatrix;

template <typename T>
int baseOf(const CudaCsrMatrix<T>& A) {
    return A.index().toInt();
}

// A host operator on the device, on A's context. The host factories return
// host CSR matrices.
template <typename T>
MatrixPointer<T> upload(const CudaCsrMatrix<T>& A, const MatrixPointer<T>& hostResult) {
    return std::make_shared<CudaCsrMatrixAlloc<T>>(A.ctx(),
                                                   std::static_pointer_cast<HostCsrMatrix<T>>(hostResult));
}

}  // namespace

template <typename T>
MatrixPointer<T> makeJacobi(const CudaCsrMatrix<T>& A, const kyraSparseJacobiOptions&) {
    auto D = std::make_shared<CudaCsrMatrixAlloc<T>>(A.ctx(), A.m(), A.n(), A.n(), A.index());
    jacobi<T>(A.m(), A.n(), A.nnz(), baseOf(A), A.val(), A.rowPtr(), A.colInd(), D->val(), D->rowPtr(),
              D->colInd());
    return D;
}

template <typename T>
MatrixPointer<T> makeBlockJacobi(const CudaCsrMatrix<T>& A, const kyraSparseBlockjacobiOptions& options) {
    const int b = options.blockSize;
    auto M = std::make_shared<CudaCsrMatrixAlloc<T>>(A.ctx(), A.m(), A.n(), b * A.m(), A.index());
    block_jacobi<T>(b, A.m(), A.n(), A.nnz(), baseOf(A), A.val(), A.rowPtr(), A.colInd(), M->val(),
                    M->rowPtr(), M->colInd());
    return M;
}

template <typename T>
MatrixPointer<T> makeAinv(const CudaCsrMatrix<T>& A, const kyraSparseAinvOptions& options) {
    return upload(A, pc::host::makeAinv(*A.host(), options));
}

template <typename T>
MatrixPointer<T> makeFactorizedAinv(const CudaCsrMatrix<T>& A, const kyraSparseFainvOptions& options) {
    return upload(A, pc::host::makeFactorizedAinv(*A.host(), options));
}

#define KYRA_INSTANTIATE_CUDA_FACTORIES(T)                                                                   \
    template MatrixPointer<T> makeJacobi(const CudaCsrMatrix<T>&, const kyraSparseJacobiOptions&);           \
    template MatrixPointer<T> makeBlockJacobi(const CudaCsrMatrix<T>&, const kyraSparseBlockjacobiOptions&); \
    template MatrixPointer<T> makeAinv(const CudaCsrMatrix<T>&, const kyraSparseAinvOptions&);               \
    template MatrixPointer<T> makeFactorizedAinv(const CudaCsrMatrix<T>&, const kyraSparseFainvOptions&);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_CUDA_FACTORIES)

}  // namespace cuda
}  // namespace pc

#endif
