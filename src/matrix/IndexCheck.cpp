#include "matrix/IndexCheck.h"

#include <algorithm>

#include "core/Exception.h"

namespace Iterative {

namespace {

// Below this many elements a parallel region costs more than the scan.
constexpr long kParallelThreshold = 1 << 16;
// Elements tested together: a block is scanned without stopping, which
// vectorises, and only a block holding a fault is searched element by
// element.
constexpr long kBlock = 2048;

// Position of the first k in [begin, end) for which isBad(k) holds, or end.
// blockIsBad(from, to) tells whether some k in [from, to) is bad. Positions
// are long so that n + 1 cannot overflow.
template <typename BlockIsBad, typename IsBad>
long firstBadPosition(long begin, long end, BlockIsBad blockIsBad, IsBad isBad) {
    const long blocks = (end - begin + kBlock - 1) / kBlock;
    long firstBadBlock = blocks;
#pragma omp parallel for schedule(static) reduction(min \
                                                    : firstBadBlock) if (end - begin >= kParallelThreshold)
    for (long block = 0; block < blocks; ++block) {
        const long from = begin + block * kBlock;
        if (blockIsBad(from, std::min(end, from + kBlock))) firstBadBlock = std::min(firstBadBlock, block);
    }
    if (firstBadBlock == blocks) return end;
    long k = begin + firstBadBlock * kBlock;
    while (!isBad(k)) ++k;
    return k;
}

// The first k in [0, count) with indices[k] outside [base, base + n), or count.
// Unsigned arithmetic folds both bounds into one comparison without overflow.
long firstOutOfRange(const int* indices, long count, int base, int n) {
    const unsigned ubase = static_cast<unsigned>(base);
    const unsigned un = static_cast<unsigned>(n);
    auto isBad = [=](long k) { return static_cast<unsigned>(indices[k]) - ubase >= un; };
    auto blockIsBad = [=](long from, long to) {
        const unsigned* const block = reinterpret_cast<const unsigned*>(indices + from);
        const int length = static_cast<int>(to - from);
        unsigned bad = 0;
#pragma omp simd reduction(| : bad)
        for (int i = 0; i < length; ++i) bad |= block[i] - ubase >= un;
        return bad != 0;
    };
    return firstBadPosition(0, count, blockIsBad, isBad);
}

// The first i in [1, count) with pointers[i] < pointers[i - 1], or count.
long firstDecrease(const int* pointers, long count) {
    auto isBad = [=](long i) { return pointers[i] < pointers[i - 1]; };
    auto blockIsBad = [=](long from, long to) {
        const int* const block = pointers + from;
        const int length = static_cast<int>(to - from);
        int bad = 0;
#pragma omp simd reduction(| : bad)
        for (int i = 0; i < length; ++i) bad |= block[i] < block[i - 1];
        return bad != 0;
    };
    return firstBadPosition(1, count, blockIsBad, isBad);
}

std::string element(const char* name, long position, int value) {
    return std::string(name) + "[" + std::to_string(position) + "] = " + std::to_string(value);
}

std::string findPointerError(const char* name, int n, int nnz, const int* pointers, int base) {
    if (pointers[0] != base) {
        return element(name, 0, pointers[0]) + " must equal the index base " + std::to_string(base);
    }
    const long decrease = firstDecrease(pointers, n + 1L);
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
    const long bad = firstOutOfRange(indices, nnz, base, n);
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
