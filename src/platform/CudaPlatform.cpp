#if defined(KYRA_WITH_CUDA)

#include "platform/CudaPlatform.h"

#include "core/Options.h"
#include "cudalib/Memory.h"
#include "matrix/CudaCsrMatrix.h"
#include "matrix/CudaVector.h"
#include "matrix/MatrixFree.h"
#include "platform/CudaPlatformOptions.h"
#include "platform/HostCsrPreparation.h"
#include "preconditioner/Reorder.h"

namespace Iterative {

CudaPlatform::CudaPlatform(const Context& ctx, const kyraSparseCudaOptions* opts)
    : Platform(ctx), options_(copyOrDefault(opts)) {
    checkCudaPlatformOptions(options_);
}

template <typename Format>
void CudaPlatform::prepareMatrix(const Format& format) {
    prepare(hostCsrMatrix(format), format.x(), format.b());
}

template <typename T>
void CudaPlatform::prepareMatrixFree(const MatrixFreeDataFormat<T>& format) {
    const int n = format.n();
    store<T>(std::make_shared<MatrixFree<T>>(PlatformType::Cuda, n, n, format.ax(), format.user()),
             std::make_shared<CudaVectorAlloc<T>>(ctx(), n, format.x()),
             std::make_shared<CudaVectorAlloc<T>>(ctx(), n, format.b()));
    renumbering_.clear();
}

template <typename T>
void CudaPlatform::prepare(std::shared_ptr<HostCsrMatrix<T>> hostA, const T* x, const T* b) {
    const int n = hostA->n();
    std::vector<int> permutation;
    std::vector<T> reorderedX;
    std::vector<T> reorderedB;
    if (options_.reordering != kyraSparseNoReordering) {
        ReorderedMatrix<T> reordered = reorderWithPermutation(options_.reordering, *hostA);
        hostA = std::move(reordered.matrix);
        permutation = std::move(reordered.permutation);
        reorderedX.resize(n);
        reorderedB.resize(n);
        gather(permutation, x, reorderedX.data());
        gather(permutation, b, reorderedB.data());
        x = reorderedX.data();
        b = reorderedB.data();
    }
    // No host copy is kept with the device matrix: for CSR data it would
    // borrow the caller's arrays, which are not read after preparation.
    auto A =
        std::make_shared<CudaCsrMatrixAlloc<T>>(ctx(), hostA->m(), hostA->n(), hostA->nnz(), hostA->index());
    copy(*hostA, *A);
    auto deviceX = std::make_shared<CudaVectorAlloc<T>>(ctx(), n, x);
    auto deviceB = std::make_shared<CudaVectorAlloc<T>>(ctx(), n, b);
    if (options_.useHybridFormat == 1) A->hybrid();
    store<T>(std::move(A), std::move(deviceX), std::move(deviceB));
    renumbering_ = std::move(permutation);
}

template <typename T>
void CudaPlatform::cleanup(int n, T* x) const {
    const T* solved = this->x<T>().val();
    if (renumbering_.empty()) {
        cudalib::MemcpyDeviceToHost(x, solved, static_cast<size_t>(n));
        return;
    }
    std::vector<T> renumbered(static_cast<size_t>(n));
    cudalib::MemcpyDeviceToHost(renumbered.data(), solved, renumbered.size());
    scatter(renumbering_, renumbered.data(), x);
}

#define KYRA_DEFINE_CUDA_PLATFORM(T)                                                                       \
    void CudaPlatform::prepareData(const CooDataFormat<T>& format) { prepareMatrix(format); }              \
    void CudaPlatform::prepareData(const CsrDataFormat<T>& format) { prepareMatrix(format); }              \
    void CudaPlatform::prepareData(const CscDataFormat<T>& format) { prepareMatrix(format); }              \
    void CudaPlatform::prepareData(const MatrixFreeDataFormat<T>& format) { prepareMatrixFree(format); }   \
    void CudaPlatform::cleanupData(CooDataFormat<T>& format) { cleanup(format.n(), format.x()); }          \
    void CudaPlatform::cleanupData(CsrDataFormat<T>& format) { cleanup(format.n(), format.x()); }          \
    void CudaPlatform::cleanupData(CscDataFormat<T>& format) { cleanup(format.n(), format.x()); }          \
    void CudaPlatform::cleanupData(MatrixFreeDataFormat<T>& format) { cleanup(format.n(), format.x()); }   \
    std::shared_ptr<Vector<T>> CudaPlatform::makeVector(T*, int n) const {                                 \
        return std::make_shared<CudaVectorAlloc<T>>(ctx(), n);                                             \
    }                                                                                                      \
    std::shared_ptr<CsrMatrix<T>> CudaPlatform::makeCsrMatrix(T*, int n, int nnz, IndexType index) const { \
        return std::make_shared<CudaCsrMatrixAlloc<T>>(ctx(), n, n, nnz, index);                           \
    }
KYRA_FOR_EACH_SCALAR(KYRA_DEFINE_CUDA_PLATFORM)

}  // namespace Iterative

#endif
