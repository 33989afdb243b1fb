#include "platform/HostPlatform.h"

#include "core/Exception.h"
#include "core/Options.h"
#include "matrix/HostVector.h"
#include "matrix/MatrixFree.h"
#include "platform/HostCsrPreparation.h"
#include "preconditioner/Reorder.h"

namespace Iterative {

HostPlatform::HostPlatform(const Context& ctx, const kyraSparseHostOptions* opts)
    : Platform(ctx), options_(copyOrDefault(opts)) {
    checkArgument(isZeroOrOne(options_.debug), "platformOpts.debug != {0, 1}");
    checkArgument(isKnownReordering(options_.reordering),
                  "platformOpts.reordering != {kyraSparseNoReordering, kyraSparseAmdReordering, "
                  "kyraSparseSymamdReordering}");
}

template <typename Format>
void HostPlatform::prepareMatrix(const Format& format) {
    prepare(hostCsrMatrix(format), format.x(), format.b());
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
    void HostPlatform::prepareData(const CooDataFormat<T>& format) { prepareMatrix(format); }              \
    void HostPlatform::prepareData(const CsrDataFormat<T>& format) { prepareMatrix(format); }              \
    void HostPlatform::prepareData(const CscDataFormat<T>& format) { prepareMatrix(format); }              \
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
