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
// Rows up to this length are sorted by insertion; longer ones by merging.
constexpr int kInsertionSortLimit = 32;
// A bucket of rows should hold about this many entries, so that sorting it
// by row stays within one core's cache...
constexpr long kBucketEntries = 8192;
// ...and there should be no more buckets than this, so that the scatter into
// them writes to few enough places at once to keep its writes in cache.
constexpr int kMaxBuckets = 1024;

// The conversion is a stable sort of the entries by row in two cache-sized
// steps: a scatter into buckets of consecutive rows (few write streams), then
// a counting sort by row inside each bucket, followed by a sort of each row
// by column. Entries are split into contiguous chunks, one per thread, each
// with its own bucket counters; chunk t's entries of a bucket land after
// those of the chunks before it, so input order survives among equal rows.
struct EntryChunks {
    int count;
    long total;
    long begin(int t) const { return total * t / count; }
    long end(int t) const { return total * (t + 1) / count; }
};

// Buckets of 2^shift consecutive rows.
struct RowBuckets {
    int shift;
    int count;
    int firstRow(int b) const { return b << shift; }
    int rowsIn(int b, int n) const { return std::min(1 << shift, n - firstRow(b)); }
};

RowBuckets rowBucketsFor(int n, int nnz) {
    const double entriesPerRow = n > 0 ? static_cast<double>(nnz) / n : 0.0;
    int shift = 0;
    while ((1L << shift) < n &&
           ((n >> shift) >= kMaxBuckets || entriesPerRow * (2L << shift) <= kBucketEntries)) {
        ++shift;
    }
    return {shift, n > 0 ? ((n - 1) >> shift) + 1 : 0};
}

int threadsFor(int nnz) { return nnz < kSerialLimit ? 1 : omp_get_max_threads(); }

// Per-thread working memory for sorting one bucket at a time.
template <typename T>
struct BucketScratch {
    BucketScratch(int threads, int rowsPerBucket, long largestBucket)
        : rowsPerBucket(rowsPerBucket),
          largestBucket(largestBucket),
          rowStart(static_cast<std::size_t>(threads) * (rowsPerBucket + 1)),
          cols(static_cast<std::size_t>(threads) * largestBucket),
          vals(static_cast<std::size_t>(threads) * largestBucket) {}

    int* rowStartOf(int thread) {
        return rowStart.data() + static_cast<std::size_t>(thread) * (rowsPerBucket + 1);
    }
    int* colsOf(int thread) { return cols.data() + static_cast<std::size_t>(thread) * largestBucket; }
    T* valsOf(int thread) { return vals.data() + static_cast<std::size_t>(thread) * largestBucket; }

    int rowsPerBucket;
    long largestBucket;
    std::vector<int> rowStart;
    std::vector<int> cols;
    std::vector<T> vals;
};

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

// Counting sort of one bucket by row, from the output arrays into scratch
// and back, with short rows sorted by column on the way. Writes the bucket's
// zero-based row pointers.
template <typename T>
void sortBucket(int rows, int firstRow, long begin, long end, const int* localRow, int* csrRowPtr,
                int* csrColInd, T* csrVal, int* rowStart, int* cols, T* vals) {
    std::fill(rowStart, rowStart + rows + 1, 0);
    for (long k = begin; k < end; ++k) ++rowStart[localRow[k] + 1];
    for (int i = 0; i < rows; ++i) {
        rowStart[i + 1] += rowStart[i];
        csrRowPtr[firstRow + i] = static_cast<int>(begin) + rowStart[i];
    }
    for (long k = begin; k < end; ++k) {
        const int position = rowStart[localRow[k]]++;
        cols[position] = csrColInd[k];
        vals[position] = csrVal[k];
    }
    // rowStart[i] now holds the end of row i.
    for (int i = 0, rowBegin = 0; i < rows; rowBegin = rowStart[i++]) {
        const int length = rowStart[i] - rowBegin;
        if (length <= kInsertionSortLimit) insertionSortRow(cols + rowBegin, vals + rowBegin, length);
    }
    std::copy(cols, cols + (end - begin), csrColInd + begin);
    std::copy(vals, vals + (end - begin), csrVal + begin);
}

// Stable counting sort of the entries by row. forEachEntry(begin, end, f)
// calls f(k, row, col) for the entries k of [begin, end) in input order, with
// zero-based row and column. Leaves zero-based row pointers in csrRowPtr and
// the columns, shifted to outBase, in csrColInd; rows longer than
// kInsertionSortLimit are not yet sorted by column.
template <typename T, typename ForEachEntry>
void sortByRow(int n, int nnz, const T* a, int outBase, ForEachEntry forEachEntry, int* csrRowPtr,
               int* csrColInd, T* csrVal) {
    const EntryChunks chunks{threadsFor(nnz), nnz};
    const RowBuckets buckets = rowBucketsFor(n, nnz);
    const int mask = (1 << buckets.shift) - 1;
    // Per chunk, per bucket: first the count, then the next free position.
    std::vector<int> next(static_cast<std::size_t>(chunks.count) * buckets.count);
    std::vector<int> bucketStart(buckets.count + 1);
    std::unique_ptr<int[]> localRow(new int[nnz]);

#pragma omp parallel for schedule(static) num_threads(chunks.count)
    for (int t = 0; t < chunks.count; ++t) {
        int* const counts = next.data() + static_cast<std::size_t>(t) * buckets.count;
        const int shift = buckets.shift;
        forEachEntry(chunks.begin(t), chunks.end(t), [=](long, int row, int) { ++counts[row >> shift]; });
    }
    int position = 0;
    for (int b = 0; b < buckets.count; ++b) {
        bucketStart[b] = position;
        for (int t = 0; t < chunks.count; ++t) {
            int& slot = next[static_cast<std::size_t>(t) * buckets.count + b];
            const int count = slot;
            slot = position;
            position += count;
        }
    }
    bucketStart[buckets.count] = position;

    int* const rowOf = localRow.get();
#pragma omp parallel for schedule(static) num_threads(chunks.count)
    for (int t = 0; t < chunks.count; ++t) {
        int* const chunkNext = next.data() + static_cast<std::size_t>(t) * buckets.count;
        const int shift = buckets.shift;
        forEachEntry(chunks.begin(t), chunks.end(t), [=](long k, int row, int col) {
            const int slot = chunkNext[row >> shift]++;
            csrColInd[slot] = col + outBase;
            csrVal[slot] = a[k];
            rowOf[slot] = row & mask;
        });
    }

    long largestBucket = 0;
    for (int b = 0; b < buckets.count; ++b)
        largestBucket = std::max<long>(largestBucket, bucketStart[b + 1] - bucketStart[b]);
    // One bucket of scratch per thread; fewer threads when a huge bucket
    // would make that outgrow the matrix.
    const int threads = static_cast<int>(
        std::min<long>(threadsFor(nnz), largestBucket > 0 ? std::max(1L, nnz / largestBucket) : 1));
    BucketScratch<T> scratch(threads, 1 << buckets.shift, largestBucket);
#pragma omp parallel for schedule(dynamic, 1) num_threads(threads)
    for (int b = 0; b < buckets.count; ++b) {
        const int thread = omp_get_thread_num();
        sortBucket(buckets.rowsIn(b, n), buckets.firstRow(b), bucketStart[b], bucketStart[b + 1], rowOf,
                   csrRowPtr, csrColInd, csrVal, scratch.rowStartOf(thread), scratch.colsOf(thread),
                   scratch.valsOf(thread));
    }
    csrRowPtr[n] = nnz;
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

// Sorts the rows longer than kInsertionSortLimit by column (zero-based row
// pointers). Such rows are rare; they get scratch space, with fewer threads
// when one row of scratch per thread would outgrow the matrix.
template <typename T>
void sortLongRows(int n, int nnz, const int* rowPtr, int* cols, T* vals) {
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
    sortByRow(n, nnz, a, outBase, forEachEntry, csrRowPtr, csrColInd, csrVal);
    sortLongRows(n, nnz, csrRowPtr, csrColInd, csrVal);
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
    sortByRow(n, nnz, a, outBase, forEachEntry, csrRowPtr, csrColInd, csrVal);
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
