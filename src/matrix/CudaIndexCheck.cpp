// The descriptions of the device index check, worded as the host check words
// them (IndexCheck.cpp) so that a bad array reads the same on every platform.

#if defined(KYRA_WITH_CUDA)

#include "matrix/CudaIndexCheck.h"

#include <cuda_runtime_api.h>

#include "core/Exception.h"
#include "cudalib/ErrorChecker.h"
#include "matrix/CudaIndexCheckScan.h"

namespace Iterative {

namespace {

int deviceValue(const int* array, long position) {
    int value;
    cudalib::CudaErrorChecker(cudaMemcpy(&value, array + position, sizeof value, cudaMemcpyDeviceToHost));
    return value;
}

std::string element(const char* name, long position, int value) {
    return std::string(name) + "[" + std::to_string(position) + "] = " + std::to_string(value);
}

std::string pointerError(const char* name, int n, int nnz, const int* pointers, int base,
                         const DeviceIndexScan& scan) {
    if (scan.firstPointer != base) {
        return element(name, 0, scan.firstPointer) + " must equal the index base " + std::to_string(base);
    }
    if (scan.firstDecrease != DeviceIndexScan::kNone) {
        const long i = scan.firstDecrease;
        return element(name, i, deviceValue(pointers, i)) + " is less than " +
               element(name, i - 1, deviceValue(pointers, i - 1));
    }
    const long long end = static_cast<long long>(nnz) + base;
    if (scan.lastPointer != end) {
        return element(name, n, scan.lastPointer) + " must equal nnz + base = " + std::to_string(end);
    }
    return {};
}

std::string rangeError(const char* name, int n, const int* indices, unsigned firstOutOfRange) {
    if (firstOutOfRange == DeviceIndexScan::kNone) return {};
    return element(name, firstOutOfRange, deviceValue(indices, firstOutOfRange)) +
           " is out of range for n = " + std::to_string(n);
}

std::string compressedError(const char* pointerName, const char* indexName, int n, int nnz,
                            const int* pointers, const int* indices, int base) {
    const DeviceIndexScan scan = scanDeviceIndices(n, nnz, pointers, indices, nullptr, base);
    std::string error = pointerError(pointerName, n, nnz, pointers, base, scan);
    if (error.empty()) error = rangeError(indexName, n, indices, scan.firstOutOfRange[0]);
    return error;
}

void raiseIfFound(const std::string& error) {
    if (!error.empty()) KyraSparseExceptionTemplate<kyraSparseDataFormatError>::raise(error);
}

}  // namespace

std::string findCudaCsrIndexError(int n, int nnz, const int* rowPtr, const int* colInd, int base) {
    return compressedError("rowPtr", "colInd", n, nnz, rowPtr, colInd, base);
}

std::string findCudaCscIndexError(int n, int nnz, const int* colPtr, const int* rowInd, int base) {
    return compressedError("colPtr", "rowInd", n, nnz, colPtr, rowInd, base);
}

std::string findCudaCooIndexError(int n, int nnz, const int* rowInd, const int* colInd, int base) {
    const DeviceIndexScan scan = scanDeviceIndices(n, nnz, nullptr, rowInd, colInd, base);
    std::string error = rangeError("rowInd", n, rowInd, scan.firstOutOfRange[0]);
    if (error.empty()) error = rangeError("colInd", n, colInd, scan.firstOutOfRange[1]);
    return error;
}

void checkCudaCsrIndices(int n, int nnz, const int* rowPtr, const int* colInd, int base) {
    raiseIfFound(findCudaCsrIndexError(n, nnz, rowPtr, colInd, base));
}

void checkCudaCscIndices(int n, int nnz, const int* colPtr, const int* rowInd, int base) {
    raiseIfFound(findCudaCscIndexError(n, nnz, colPtr, rowInd, base));
}

void checkCudaCooIndices(int n, int nnz, const int* rowInd, const int* colInd, int base) {
    raiseIfFound(findCudaCooIndexError(n, nnz, rowInd, colInd, base));
}

}  // namespace Iterative

#endif
