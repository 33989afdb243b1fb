#if defined(KYRA_WITH_CUDA)

#include "platform/CudaDevicePlatform.h"

#include <cuda_runtime_api.h>

#include "core/Exception.h"
#include "core/Options.h"
#include "cudalib/CudaException.h"
#include "cudalib/ErrorChecker.h"
#include "matrix/CudaDeviceConvert.h"
#include "matrix/CudaIndexCheck.h"
#include "matrix/CudaVector.h"
#include "matrix/MatrixFree.h"
#include "platform/CudaPlatformOptions.h"

namespace Iterative {

namespace {

// Fills the platform's zero-based matrix with convert(), which returns the
// conversion's status. It runs on indices the device check has accepted, so
// a failure other than running out of memory is the data format error. A
// matrix without entries has no value or index arrays for a conversion to
// write (the conversions refuse null outputs): its row pointers are all 0.
template <typename T, typename Convert>
void convertInto(CudaCsrMatrixAlloc<T>& matrix, Convert convert, const char* failure) {
    if (matrix.nnz() == 0) {
        cudalib::CudaErrorChecker::CheckError(
            cudaMemset(matrix.rowPtr(), 0, (matrix.m() + 1L) * sizeof(int)));
        return;
    }
    const kyraSparseStatus status = convert();
    if (status == kyraSparseNoError) return;
    if (status == kyraSparseInsufficientMemory) throw cudalib::CudaMemoryException(failure);
    KyraSparseExceptionTemplate<kyraSparseDataFormatError>::raise(failure);
}

template <typename T>
std::shared_ptr<CudaCsrMatrixAlloc<T>> zeroBasedCsr(const Context& ctx, int n, int nnz) {
    return std::make_shared<CudaCsrMatrixAlloc<T>>(ctx, n, n, nnz, IndexType(IndexType::ZeroBased));
}

}  // namespace

CudaDevicePlatform::CudaDevicePlatform(const Context& ctx, const kyraSparseCudaDeviceOptions* opts)
    : Platform(ctx), options_(copyOrDefault(opts)) {
    checkCudaDevicePlatformOptions(options_);
}

template <typename T>
void CudaDevicePlatform::prepareCoo(const CooDataFormat<T>& format) {
    checkDeviceAlignment(format);
    const int n = format.n();
    const int nnz = format.nnz();
    checkCudaCooIndices(n, nnz, format.rowInd(), format.colInd(), format.indexing());
    auto matrix = zeroBasedCsr<T>(ctx(), n, nnz);
    convertInto(
        *matrix,
        [&] {
            return cudaDeviceCoo2csr(n, nnz, format.colInd(), format.rowInd(), format.a(), matrix->colInd(),
                                     matrix->rowPtr(), matrix->val(), format.indexing(), 0);
        },
        "conversion from coo to csr failed");
    prepare<T>(std::move(matrix), format.x(), format.b());
}

template <typename T>
void CudaDevicePlatform::prepareCsr(const CsrDataFormat<T>& format) {
    checkDeviceAlignment(format);
    const int n = format.n();
    checkCudaCsrIndices(n, format.nnz(), format.rowPtr(), format.colInd(), format.indexing());
    prepare<T>(std::make_shared<CudaCsrMatrixRef<T>>(ctx(), n, n, format.nnz(), format.a(), format.rowPtr(),
                                                     format.colInd(), IndexType(format.indexing())),
               format.x(), format.b());
}

template <typename T>
void CudaDevicePlatform::prepareCsc(const CscDataFormat<T>& format) {
    checkDeviceAlignment(format);
    const int n = format.n();
    const int nnz = format.nnz();
    checkCudaCscIndices(n, nnz, format.colPtr(), format.rowInd(), format.indexing());
    auto matrix = zeroBasedCsr<T>(ctx(), n, nnz);
    convertInto(
        *matrix,
        [&] {
            return cudaDeviceCsc2csr(n, nnz, format.colPtr(), format.rowInd(), format.a(), matrix->colInd(),
                                     matrix->rowPtr(), matrix->val(), format.indexing(), 0);
        },
        "conversion from csc to csr failed");
    prepare<T>(std::move(matrix), format.x(), format.b());
}

template <typename T>
void CudaDevicePlatform::prepareMatrixFree(const MatrixFreeDataFormat<T>& format) {
    checkDeviceAlignment(format);
    const int n = format.n();
    store<T>(std::make_shared<MatrixFree<T>>(PlatformType::Cuda, n, n, format.ax(), format.user()),
             std::make_shared<CudaVectorRef<T>>(ctx(), n, format.x()),
             std::make_shared<CudaVectorRef<T>>(ctx(), n, format.b()));
}

template <typename T>
void CudaDevicePlatform::prepare(std::shared_ptr<CudaCsrMatrix<T>> matrix, T* x, const T* b) {
    if (options_.useHybridFormat == 1) matrix->hybrid();
    const int n = matrix->n();
    store<T>(std::move(matrix), std::make_shared<CudaVectorRef<T>>(ctx(), n, x),
             std::make_shared<CudaVectorRef<T>>(ctx(), n, b));
}

#define KYRA_DEFINE_CUDA_DEVICE_PLATFORM(T)                                                              \
    void CudaDevicePlatform::prepareData(const CooDataFormat<T>& format) { prepareCoo(format); }         \
    void CudaDevicePlatform::prepareData(const CsrDataFormat<T>& format) { prepareCsr(format); }         \
    void CudaDevicePlatform::prepareData(const CscDataFormat<T>& format) { prepareCsc(format); }         \
    void CudaDevicePlatform::prepareData(const MatrixFreeDataFormat<T>& format) {                        \
        prepareMatrixFree(format);                                                                       \
    }                                                                                                    \
    void CudaDevicePlatform::cleanupData(CooDataFormat<T>&) {}                                           \
    void CudaDevicePlatform::cleanupData(CsrDataFormat<T>&) {}                                           \
    void CudaDevicePlatform::cleanupData(CscDataFormat<T>&) {}                                           \
    void CudaDevicePlatform::cleanupData(MatrixFreeDataFormat<T>&) {}                                    \
    std::shared_ptr<Vector<T>> CudaDevicePlatform::makeVector(T*, int n) const {                         \
        return std::make_shared<CudaVectorAlloc<T>>(ctx(), n);                                           \
    }                                                                                                    \
    std::shared_ptr<CsrMatrix<T>> CudaDevicePlatform::makeCsrMatrix(T*, int n, int nnz, IndexType index) \
        const {                                                                                          \
        return std::make_shared<CudaCsrMatrixAlloc<T>>(ctx(), n, n, nnz, index);                         \
    }
KYRA_FOR_EACH_SCALAR(KYRA_DEFINE_CUDA_DEVICE_PLATFORM)

}  // namespace Iterative

#endif
