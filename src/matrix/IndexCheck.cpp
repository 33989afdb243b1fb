#include "matrix/IndexCheck.h"

#include <algorithm>

#include "core/Exception.h"

namespace Iterative {

namespace {

// Below this many elements a parallel region costs more than the scan.
constexpr long kParallelThreshold = 1 << 16;

// Position of the first k in [begin, end) for which isBad(k) holds, or end.
// Every thread scans its whole share; valid input, the common case, needs the
// full scan anyway.
// Positions are long so that n + 1 cannot overflow.
template <typename IsBad>
long firstBadPosition(long begin, long end, IsBad isBad) {
    long first = end;
#pragma omp parallel for schedule(static) reduction(min : first) if (end - begin >= kParallelThreshold)
    for (long k = begin; k < end; ++k) {
        if (isBad(k)) first = std::min(first, k);
    }
    return first;
}

std::string element(const char* name, long position, int value) {
    return std::string(name) + "[" + std::to_string(position) + "] = " + std::to_string(value);
}

std::string findPointerError(const char* name, int n, int nnz, const int* pointers, int base) {
    if (pointers[0] != base) {
        return element(name, 0, pointers[0]) + " must equal the index base " + std::to_string(base);
    }
    const long decrease =
        firstBadPosition(1, n + 1L, [pointers](long i) { return pointers[i] < pointers[i - 1]; });
    if (decrease <= n) {
        return element(name, decrease, pointers[decrease]) + " is less than " +
               element(name, decrease - 1, pointers[decrease - 1]);
    }
    const long long end = static_cast<long long>(nnz) + base;
    if (pointers[n] != end) {
        return element(name, n, pointers[n]) + " must equal nnz + base = " + std::to_string(end);
    }
    return {};
}

std::string findRangeError(const char* name, int n, int nnz, const int* indices, int base) {
    // Unsigned arithmetic folds both bounds into one comparison without overflow.
    const unsigned ubase = static_cast<unsigned>(base);
    const unsigned un = static_cast<unsigned>(n);
    const long bad =
        firstBadPosition(0, nnz, [=](long k) { return static_cast<unsigned>(indices[k]) - ubase >= un; });
    if (bad < nnz) return element(name, bad, indices[bad]) + " is out of range for n = " + std::to_string(n);
    return {};
}

std::string findCompressedError(const char* pointerName, const char* indexName, int n, int nnz,
                                const int* pointers, const int* indices, int base) {
    std::string error = findPointerError(pointerName, n, nnz, pointers, base);
    if (error.empty()) error = findRangeError(indexName, n, nnz, indices, base);
    return error;
}

void raiseIfFound(const std::string& error) {
    if (!error.empty()) KyraSparseExceptionTemplate<kyraSparseDataFormatError>::raise(error);
}

}  // namespace

std::string findCsrIndexError(int n, int nnz, const int* rowPtr, const int* colInd, int base) {
    return findCompressedError("rowPtr", "colInd", n, nnz, rowPtr, colInd, base);
}

std::string findCscIndexError(int n, int nnz, const int* colPtr, const int* rowInd, int base) {
    return findCompressedError("colPtr", "rowInd", n, nnz, colPtr, rowInd, base);
}

std::string findCooIndexError(int n, int nnz, const int* rowInd, const int* colInd, int base) {
    std::string error = findRangeError("rowInd", n, nnz, rowInd, base);
    if (error.empty()) error = findRangeError("colInd", n, nnz, colInd, base);
    return error;
}

void checkCsrIndices(int n, int nnz, const int* rowPtr, const int* colInd, int base) {
    raiseIfFound(findCsrIndexError(n, nnz, rowPtr, colInd, base));
}

void checkCscIndices(int n, int nnz, const int* colPtr, const int* rowInd, int base) {
    raiseIfFound(findCscIndexError(n, nnz, colPtr, rowInd, base));
}

void checkCooIndices(int n, int nnz, const int* rowInd, const int* colInd, int base) {
    raiseIfFound(findCooIndexError(n, nnz, rowInd, colInd, base));
}

}  // namespace Iterative
