#include "matrix/DataFormat.h"

#include <cstdint>
#include <string>

#include "core/Exception.h"
#include "core/Options.h"
#include "matrix/ScalarTypes.h"

namespace Iterative {

namespace {

constexpr std::uintptr_t kDeviceAlignment = 16;

// The checks shared by the three sparse formats, in the order the caller sees
// them reported; the two index arrays are named by the format.
void checkSparseArguments(int indexing, int n, int nnz, const void* a, const int* firstIndex,
                          const char* firstIndexCheck, const int* secondIndex, const char* secondIndexCheck,
                          const void* x, const void* b) {
    checkArgument(isZeroOrOne(indexing), "formatOpts.indexing != {0, 1}");
    checkArgument(n >= 0, "n >= 0");
    checkArgument(nnz >= 0, "nnz >= 0");
    checkArgument(a != nullptr, "a != 0");
    checkArgument(firstIndex != nullptr, firstIndexCheck);
    checkArgument(secondIndex != nullptr, secondIndexCheck);
    checkArgument(x != nullptr, "x != 0");
    checkArgument(b != nullptr, "b != 0");
}

void checkAligned(const void* array, const char* name) {
    if (reinterpret_cast<std::uintptr_t>(array) % kDeviceAlignment != 0) {
        KyraSparseExceptionTemplate<kyraSparseAlignmentError>::raise(
            std::string(name) + "must be " + std::to_string(kDeviceAlignment) + "-byte aligned");
    }
}

}  // namespace

template <typename T>
CsrDataFormat<T>::CsrDataFormat(const kyraSparseCsrOptions* opts, int n, int nnz, const T* a,
                                const int* rowPtr, const int* colInd, T* x, const T* b)
    : options_(copyOrDefault(opts)), n_(n), nnz_(nnz), a_(a), rowPtr_(rowPtr), colInd_(colInd), x_(x), b_(b) {
    checkSparseArguments(options_.indexing, n, nnz, a, rowPtr, "rowPtr != 0", colInd, "colInd != 0", x, b);
}

template <typename T>
CscDataFormat<T>::CscDataFormat(const kyraSparseCscOptions* opts, int n, int nnz, const T* a,
                                const int* rowInd, const int* colPtr, T* x, const T* b)
    : options_(copyOrDefault(opts)), n_(n), nnz_(nnz), a_(a), rowInd_(rowInd), colPtr_(colPtr), x_(x), b_(b) {
    checkSparseArguments(options_.indexing, n, nnz, a, rowInd, "rowInd != 0", colPtr, "colPtr != 0", x, b);
}

template <typename T>
CooDataFormat<T>::CooDataFormat(const kyraSparseCooOptions* opts, int n, int nnz, const T* a,
                                const int* rowInd, const int* colInd, T* x, const T* b)
    : options_(copyOrDefault(opts)), n_(n), nnz_(nnz), a_(a), rowInd_(rowInd), colInd_(colInd), x_(x), b_(b) {
    checkSparseArguments(options_.indexing, n, nnz, a, rowInd, "rowInd != 0", colInd, "colInd != 0", x, b);
}

template <typename T>
MatrixFreeDataFormat<T>::MatrixFreeDataFormat(const kyraSparseMatrixFreeOptions* opts, int n,
                                              MatrixFreeCallback<T> ax, void* user, T* x, const T* b)
    : options_(copyOrDefault(opts)), n_(n), ax_(ax), user_(user), x_(x), b_(b) {
    checkArgument(n >= 0, "n >= 0");
    checkArgument(ax != nullptr, "ax != 0");
    checkArgument(x != nullptr, "x != 0");
    checkArgument(b != nullptr, "b != 0");
}

template <typename T>
void checkDeviceAlignment(const CsrDataFormat<T>& format) {
    checkAligned(format.a(), "data.a");
    checkAligned(format.rowPtr(), "data.rowPtr");
    checkAligned(format.colInd(), "data.colInd");
    checkAligned(format.x(), "data.x");
    checkAligned(format.b(), "data.b");
}

template <typename T>
void checkDeviceAlignment(const CscDataFormat<T>& format) {
    checkAligned(format.a(), "data.a");
    checkAligned(format.rowInd(), "data.rowInd");
    checkAligned(format.colPtr(), "data.colPtr");
    checkAligned(format.x(), "data.x");
    checkAligned(format.b(), "data.b");
}

template <typename T>
void checkDeviceAlignment(const CooDataFormat<T>& format) {
    checkAligned(format.a(), "data.a");
    checkAligned(format.rowInd(), "data.rowInd");
    checkAligned(format.colInd(), "data.colInd");
    checkAligned(format.x(), "data.x");
    checkAligned(format.b(), "data.b");
}

template <typename T>
void checkDeviceAlignment(const MatrixFreeDataFormat<T>& format) {
    checkAligned(format.x(), "data.x");
    checkAligned(format.b(), "data.b");
}

#define KYRA_INSTANTIATE_DATA_FORMATS(T)                         \
    template class CsrDataFormat<T>;                             \
    template class CscDataFormat<T>;                             \
    template class CooDataFormat<T>;                             \
    template class MatrixFreeDataFormat<T>;                      \
    template void checkDeviceAlignment(const CsrDataFormat<T>&); \
    template void checkDeviceAlignment(const CscDataFormat<T>&); \
    template void checkDeviceAlignment(const CooDataFormat<T>&); \
    template void checkDeviceAlignment(const MatrixFreeDataFormat<T>&);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_DATA_FORMATS)

}  // namespace Iterative
