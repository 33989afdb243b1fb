#include "platform/HostPlatform.h"

#include <new>

#include "core/Exception.h"
#include "core/Options.h"
#include "matrix/HostCooConvert.h"
#include "matrix/HostVector.h"
#include "matrix/IndexCheck.h"
#include "matrix/MatrixFree.h"
#include "preconditioner/Reorder.h"

namespace Iterative {

namespace {

// Runs a conversion whose input has been validated: running out of memory
// stays an allocation failure, anything else is the data format error.
template <typename Convert>
void convertOrRaise(Convert convert, const char* failure) {
    try {
        convert();
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        KyraSparseExceptionTemplate<kyraSparseDataFormatError>::raise(failure);
    }
}

template <typename T>
std::shared_ptr<HostCsrMatrixAlloc<T>> zeroBasedCsr(int n, int nnz) {
    return std::make_shared<HostCsrMatrixAlloc<T>>(n, n, nnz, IndexType(IndexType::ZeroBased));
}

}  // namespace

HostPlatform::HostPlatform(const Context& ctx, const kyraSparseHostOptions* opts)
    : Platform(ctx), options_(copyOrDefault(opts)) {
    checkArgument(isZeroOrOne(options_.debug), "platformOpts.debug != {0, 1}");
    checkArgument(isKnownReordering(options_.reordering),
                  "platformOpts.reordering != {kyraSparseNoReordering, kyraSparseAmdReordering, "
                  "kyraSparseSymamdReordering}");
}

template <typename T>
void HostPlatform::prepareCoo(const CooDataFormat<T>& format) {
    const int n = format.n();
    const int nnz = format.nnz();
    checkCooIndices(n, nnz, format.rowInd(), format.colInd(), format.indexing());
    auto matrix = zeroBasedCsr<T>(n, nnz);
    convertOrRaise(
        [&] {
            convertCooToCsr(n, nnz, format.rowInd(), format.colInd(), format.a(), format.indexing(), 0,
                            matrix->rowPtr(), matrix->colInd(), matrix->val());
        },
        "conversion from coo to csr failed");
    prepare<T>(matrix, format.x(), format.b());
}

template <typename T>
void HostPlatform::prepareCsr(const CsrDataFormat<T>& format) {
    const int n = format.n();
    checkCsrIndices(n, format.nnz(), format.rowPtr(), format.colInd(), format.indexing());
    prepare<T>(std::make_shared<HostCsrMatrixRef<T>>(n, n, format.nnz(), format.a(), format.rowPtr(),
                                                     format.colInd(), IndexType(format.indexing())),
               format.x(), format.b());
}

template <typename T>
void HostPlatform::prepareCsc(const CscDataFormat<T>& format) {
    const int n = format.n();
    const int nnz = format.nnz();
    checkCscIndices(n, nnz, format.colPtr(), format.rowInd(), format.indexing());
    auto matrix = zeroBasedCsr<T>(n, nnz);
    convertOrRaise(
        [&] {
            convertCscToCsr(n, nnz, format.colPtr(), format.rowInd(), format.a(), format.indexing(), 0,
                            matrix->rowPtr(), matrix->colInd(), matrix->val());
        },
        "conversion from csc to csr failed");
    prepare<T>(matrix, format.x(), format.b());
}

template <typename T>
void HostPlatform::prepareMatrixFree(const MatrixFreeDataFormat<T>& format) {
    const int n = format.n();
    store<T>(std::make_shared<MatrixFree<T>>(PlatformType::Host, n, n, format.ax(), format.user()),
             std::make_shared<HostVectorRef<T>>(n, format.x()),
             std::make_shared<HostVectorRef<T>>(n, format.b()));
    setPermutation({});
}

template <typename T>
void HostPlatform::prepare(std::shared_ptr<HostCsrMatrix<T>> matrix, T* x, const T* b) {
    const int n = matrix->n();
    if (options_.reordering == kyraSparseNoReordering) {
        store<T>(std::move(matrix), std::make_shared<HostVectorRef<T>>(n, x),
                 std::make_shared<HostVectorRef<T>>(n, b));
        setPermutation({});
        return;
    }
    ReorderedMatrix<T> reordered = reorderWithPermutation(options_.reordering, *matrix);
    store<T>(std::move(reordered.matrix), std::make_shared<HostVectorAlloc<T>>(n),
             std::make_shared<HostVectorAlloc<T>>(n));
    setPermutation(std::move(reordered.permutation));
    gatherVectors(x, b, true);
}

template <typename T>
void HostPlatform::gatherVectors(const T* x, const T* b, bool initialGuess) {
    if (permutation().empty()) return;
    gather(permutation(), b, this->b<T>().val());
    if (initialGuess) gather(permutation(), x, this->x<T>().val());
}

template <typename T>
void HostPlatform::restoreSolution(T* x) const {
    if (permutation().empty()) return;
    scatter(permutation(), this->x<T>().val(), x);
}

#define KYRA_DEFINE_HOST_PLATFORM(T)                                                                       \
    void HostPlatform::prepareData(const CooDataFormat<T>& format) { prepareCoo(format); }                 \
    void HostPlatform::prepareData(const CsrDataFormat<T>& format) { prepareCsr(format); }                 \
    void HostPlatform::prepareData(const CscDataFormat<T>& format) { prepareCsc(format); }                 \
    void HostPlatform::prepareData(const MatrixFreeDataFormat<T>& format) { prepareMatrixFree(format); }   \
    void HostPlatform::cleanupData(CooDataFormat<T>& format) { restoreSolution(format.x()); }              \
    void HostPlatform::cleanupData(CsrDataFormat<T>& format) { restoreSolution(format.x()); }              \
    void HostPlatform::cleanupData(CscDataFormat<T>& format) { restoreSolution(format.x()); }              \
    void HostPlatform::cleanupData(MatrixFreeDataFormat<T>&) {}                                            \
    void HostPlatform::loadVectors(T* x, const T* b, bool initialGuess) {                                  \
        gatherVectors(x, b, initialGuess);                                                                 \
    }                                                                                                      \
    std::shared_ptr<Vector<T>> HostPlatform::makeVector(T*, int n) const {                                 \
        return std::make_shared<HostVectorAlloc<T>>(n);                                                    \
    }                                                                                                      \
    std::shared_ptr<CsrMatrix<T>> HostPlatform::makeCsrMatrix(T*, int n, int nnz, IndexType index) const { \
        return std::make_shared<HostCsrMatrixAlloc<T>>(n, n, nnz, index);                                  \
    }
KYRA_FOR_EACH_SCALAR(KYRA_DEFINE_HOST_PLATFORM)

}  // namespace Iterative
