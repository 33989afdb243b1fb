#include "matrix/HostCooConvert.h"

#include <omp.h>

#include <algorithm>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "api/Options.h"
#include "core/Complex.h"
#include "matrix/DataFormat.h"
#include "matrix/IndexCheck.h"
#include "matrix/ScalarTypes.h"

namespace Iterative {

namespace {

// Below this many entries a parallel region costs more than it saves.
constexpr int kSerialLimit = 1 << 15;
// Rows up to this length are sorted by insertion, in place.
constexpr int kInsertionSortLimit = 32;
// Rows handed to a thread at a time when sorting; row lengths vary.
constexpr int kRowBlock = 2048;

// The entries are split into contiguous chunks, each counted and scattered
// by one thread with its own row counters: the counting pass and the scatter
// see the same split, and chunk t's entries of a row land after those of
// chunks before it, so the sort by row keeps the input order.
struct EntryChunks {
    int count;
    long total;
    long begin(int t) const { return total * t / count; }
    long end(int t) const { return total * (t + 1) / count; }
};

// Every chunk needs n row counters; keep their memory and the passes over
// them within a small multiple of nnz.
int chunkCount(int n, int nnz) {
    if (nnz < kSerialLimit) return 1;
    const long affordable = std::max(1L, 2L * nnz / (n + 1L));
    return static_cast<int>(std::min<long>(omp_get_max_threads(), affordable));
}

// Stable counting sort of the entries by row. forEachEntry(begin, end, f)
// calls f(k, row, col) for the entries k of [begin, end) in input order, with
// zero-based row and column. Leaves zero-based row pointers in csrRowPtr and
// the columns, shifted to outBase, in csrColInd.
template <typename T, typename ForEachEntry>
void scatterByRow(int n, int nnz, const T* a, int outBase, ForEachEntry forEachEntry, int* csrRowPtr,
                  int* csrColInd, T* csrVal) {
    const EntryChunks chunks{chunkCount(n, nnz), nnz};
    const std::size_t rows = static_cast<std::size_t>(n);
    // One block of n counters per chunk: first counts, then next free positions.
    std::unique_ptr<int[]> counters(new int[rows * chunks.count]);
    int* const next = counters.get();

#pragma omp parallel num_threads(chunks.count)
    {
#pragma omp for schedule(static)
        for (int t = 0; t < chunks.count; ++t) {
            int* const counts = next + rows * t;
            std::fill(counts, counts + rows, 0);
            forEachEntry(chunks.begin(t), chunks.end(t), [counts](long, int row, int) { ++counts[row]; });
        }
#pragma omp for schedule(static)
        for (int r = 0; r < n; ++r) {
            int total = 0;
            for (int t = 0; t < chunks.count; ++t) total += next[rows * t + r];
            csrRowPtr[r + 1] = total;
        }
#pragma omp single
        {
            csrRowPtr[0] = 0;
            for (int r = 0; r < n; ++r) csrRowPtr[r + 1] += csrRowPtr[r];
        }
#pragma omp for schedule(static)
        for (int r = 0; r < n; ++r) {
            int position = csrRowPtr[r];
            for (int t = 0; t < chunks.count; ++t) {
                const int count = next[rows * t + r];
                next[rows * t + r] = position;
                position += count;
            }
        }
#pragma omp for schedule(static)
        for (int t = 0; t < chunks.count; ++t) {
            int* const chunkNext = next + rows * t;
            forEachEntry(chunks.begin(t), chunks.end(t), [=](long k, int row, int col) {
                const int position = chunkNext[row]++;
                csrColInd[position] = col + outBase;
                csrVal[position] = a[k];
            });
        }
    }
}

// Stable insertion sort of one short row by column.
template <typename T>
void insertionSortRow(int* cols, T* vals, int length) {
    for (int i = 1; i < length; ++i) {
        const int col = cols[i];
        if (cols[i - 1] <= col) continue;
        const T val = vals[i];
        int j = i;
        do {
            cols[j] = cols[j - 1];
            vals[j] = vals[j - 1];
            --j;
        } while (j > 0 && cols[j - 1] > col);
        cols[j] = col;
        vals[j] = val;
    }
}

// Stable sort of one long row by column through a scratch array of pairs.
template <typename T>
void mergeSortRow(int* cols, T* vals, int length, std::pair<int, T>* scratch) {
    if (std::is_sorted(cols, cols + length)) return;
    for (int i = 0; i < length; ++i) scratch[i] = {cols[i], vals[i]};
    std::stable_sort(scratch, scratch + length, [](const std::pair<int, T>& l, const std::pair<int, T>& r) {
        return l.first < r.first;
    });
    for (int i = 0; i < length; ++i) {
        cols[i] = scratch[i].first;
        vals[i] = scratch[i].second;
    }
}

int longestRow(int n, const int* rowPtr) {
    int longest = 0;
#pragma omp parallel for schedule(static) reduction(max : longest) if (n >= kSerialLimit)
    for (int r = 0; r < n; ++r) longest = std::max(longest, rowPtr[r + 1] - rowPtr[r]);
    return longest;
}

// Sorts the columns within every row (zero-based row pointers), keeping equal
// columns in their order. Short rows, the usual case, are sorted in place; the
// rare long rows get scratch space, with fewer threads when the scratch of
// one row per thread would outgrow the matrix.
template <typename T>
void sortColumnsWithinRows(int n, int nnz, const int* rowPtr, int* cols, T* vals) {
#pragma omp parallel for schedule(dynamic, kRowBlock) if (nnz >= kSerialLimit)
    for (int r = 0; r < n; ++r) {
        const int length = rowPtr[r + 1] - rowPtr[r];
        if (length <= kInsertionSortLimit) insertionSortRow(cols + rowPtr[r], vals + rowPtr[r], length);
    }

    const int longest = longestRow(n, rowPtr);
    if (longest <= kInsertionSortLimit) return;
    const int threads = static_cast<int>(std::min<long>(omp_get_max_threads(), std::max(1, nnz / longest)));
    std::vector<std::pair<int, T>> scratch(static_cast<std::size_t>(threads) * longest);
#pragma omp parallel for schedule(dynamic, 1) num_threads(threads)
    for (int r = 0; r < n; ++r) {
        const int length = rowPtr[r + 1] - rowPtr[r];
        if (length > kInsertionSortLimit) {
            mergeSortRow(cols + rowPtr[r], vals + rowPtr[r], length,
                         scratch.data() + static_cast<std::size_t>(omp_get_thread_num()) * longest);
        }
    }
}

void shiftRowPointers(int n, int outBase, int* csrRowPtr) {
    if (outBase == 0) return;
#pragma omp parallel for schedule(static) if (n >= kSerialLimit)
    for (int r = 0; r <= n; ++r) csrRowPtr[r] += outBase;
}

bool validBases(int inBase, int outBase) { return isZeroOrOne(inBase) && isZeroOrOne(outBase); }

// Runs a conversion under the public contract: never throws.
template <typename Convert>
kyraSparseStatus statusOf(Convert convert) {
    try {
        return convert();
    } catch (const std::bad_alloc&) {
        return kyraSparseInsufficientMemory;
    } catch (...) {
        return kyraSparseRuntimeError;
    }
}

}  // namespace

template <typename T>
void convertCooToCsr(int n, int nnz, const int* rowInd, const int* colInd, const T* a, int inBase,
                     int outBase, int* csrRowPtr, int* csrColInd, T* csrVal) {
    auto forEachEntry = [=](long begin, long end, auto&& visit) {
        for (long k = begin; k < end; ++k) visit(k, rowInd[k] - inBase, colInd[k] - inBase);
    };
    scatterByRow(n, nnz, a, outBase, forEachEntry, csrRowPtr, csrColInd, csrVal);
    sortColumnsWithinRows(n, nnz, csrRowPtr, csrColInd, csrVal);
    shiftRowPointers(n, outBase, csrRowPtr);
}

template <typename T>
void convertCscToCsr(int n, int nnz, const int* colPtr, const int* rowInd, const T* a, int inBase,
                     int outBase, int* csrRowPtr, int* csrColInd, T* csrVal) {
    // Walking the columns in order leaves every row sorted by column.
    auto forEachEntry = [=](long begin, long end, auto&& visit) {
        if (begin == end) return;
        // The column holding entry `begin`: the last c with colPtr[c] - inBase <= begin.
        int col = static_cast<int>(std::upper_bound(colPtr, colPtr + n + 1, begin + inBase) - colPtr) - 1;
        for (long k = begin; k < end; ++k) {
            while (k >= colPtr[col + 1] - inBase) ++col;
            visit(k, rowInd[k] - inBase, col);
        }
    };
    scatterByRow(n, nnz, a, outBase, forEachEntry, csrRowPtr, csrColInd, csrVal);
    shiftRowPointers(n, outBase, csrRowPtr);
}

template <typename T>
kyraSparseStatus hostCoo2csr(int n, int nnz, const int* colInd, const int* rowInd, const T* a, int* csrColInd,
                             int* csrRowPtr, T* csrVal, int inBase, int outBase, IndexValidation validation) {
    if (n < 0 || nnz < 0 || !colInd || !rowInd || !a || !csrColInd || !csrRowPtr || !csrVal ||
        !validBases(inBase, outBase)) {
        return kyraSparseArgumentError;
    }
    return statusOf([&] {
        if (validation == IndexValidation::kCheck &&
            !findCooIndexError(n, nnz, rowInd, colInd, inBase).empty()) {
            return kyraSparseArgumentError;
        }
        convertCooToCsr(n, nnz, rowInd, colInd, a, inBase, outBase, csrRowPtr, csrColInd, csrVal);
        return kyraSparseNoError;
    });
}

template <typename T>
kyraSparseStatus hostCsc2csr(int n, int nnz, const int* colPtr, const int* rowInd, const T* a, int* csrColInd,
                             int* csrRowPtr, T* csrVal, int inBase, int outBase, IndexValidation validation) {
    if (n < 0 || nnz < 0 || !colPtr || !rowInd || !a || !csrColInd || !csrRowPtr || !csrVal ||
        !validBases(inBase, outBase)) {
        return kyraSparseArgumentError;
    }
    return statusOf([&] {
        if (validation == IndexValidation::kCheck &&
            !findCscIndexError(n, nnz, colPtr, rowInd, inBase).empty()) {
            return kyraSparseArgumentError;
        }
        convertCscToCsr(n, nnz, colPtr, rowInd, a, inBase, outBase, csrRowPtr, csrColInd, csrVal);
        return kyraSparseNoError;
    });
}

#define KYRA_INSTANTIATE_CONVERSIONS(T)                                                                    \
    template void convertCooToCsr(int, int, const int*, const int*, const T*, int, int, int*, int*, T*);   \
    template void convertCscToCsr(int, int, const int*, const int*, const T*, int, int, int*, int*, T*);   \
    template kyraSparseStatus hostCoo2csr(int, int, const int*, const int*, const T*, int*, int*, T*, int, \
                                          int, IndexValidation);                                           \
    template kyraSparseStatus hostCsc2csr(int, int, const int*, const int*, const T*, int*, int*, T*, int, \
                                          int, IndexValidation);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_CONVERSIONS)

}  // namespace Iterative

// The public entry points; the public complex records share kyra::Complex's
// layout.
#define KYRA_DEFINE_HOST_CONVERSIONS(L, T)                                                              \
    kyraSparseStatus kyraSparseHost##L##coo2csr(                                                        \
        int n, int nnz, const int* colInd, const int* rowInd, const Iterative::PublicScalar<T>* a,      \
        int* csrColInd, int* csrRowPtr, Iterative::PublicScalar<T>* csrVal, int inBase, int outBase) {  \
        return Iterative::hostCoo2csr(n, nnz, colInd, rowInd, reinterpret_cast<const T*>(a), csrColInd, \
                                      csrRowPtr, reinterpret_cast<T*>(csrVal), inBase, outBase);        \
    }                                                                                                   \
    kyraSparseStatus kyraSparseHost##L##csc2csr(                                                        \
        int n, int nnz, const int* colPtr, const int* rowInd, const Iterative::PublicScalar<T>* a,      \
        int* csrColInd, int* csrRowPtr, Iterative::PublicScalar<T>* csrVal, int inBase, int outBase) {  \
        return Iterative::hostCsc2csr(n, nnz, colPtr, rowInd, reinterpret_cast<const T*>(a), csrColInd, \
                                      csrRowPtr, reinterpret_cast<T*>(csrVal), inBase, outBase);        \
    }
KYRA_DEFINE_HOST_CONVERSIONS(S, float)
KYRA_DEFINE_HOST_CONVERSIONS(D, double)
KYRA_DEFINE_HOST_CONVERSIONS(C, kyra::Complex<float>)
KYRA_DEFINE_HOST_CONVERSIONS(Z, kyra::Complex<double>)
