#include "platform/HostCsrPreparation.h"

#include <new>

#include "core/Exception.h"
#include "matrix/HostCooConvert.h"
#include "matrix/IndexCheck.h"
#include "matrix/ScalarTypes.h"

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

template <typename T>
std::shared_ptr<HostCsrMatrix<T>> hostCsrMatrix(const CooDataFormat<T>& format) {
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
    return matrix;
}

template <typename T>
std::shared_ptr<HostCsrMatrix<T>> hostCsrMatrix(const CsrDataFormat<T>& format) {
    const int n = format.n();
    checkCsrIndices(n, format.nnz(), format.rowPtr(), format.colInd(), format.indexing());
    return std::make_shared<HostCsrMatrixRef<T>>(n, n, format.nnz(), format.a(), format.rowPtr(),
                                                 format.colInd(), IndexType(format.indexing()));
}

template <typename T>
std::shared_ptr<HostCsrMatrix<T>> hostCsrMatrix(const CscDataFormat<T>& format) {
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
    return matrix;
}

#define KYRA_INSTANTIATE_HOST_CSR_PREPARATION(T)                                       \
    template std::shared_ptr<HostCsrMatrix<T>> hostCsrMatrix(const CooDataFormat<T>&); \
    template std::shared_ptr<HostCsrMatrix<T>> hostCsrMatrix(const CsrDataFormat<T>&); \
    template std::shared_ptr<HostCsrMatrix<T>> hostCsrMatrix(const CscDataFormat<T>&);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_HOST_CSR_PREPARATION)

}  // namespace Iterative
