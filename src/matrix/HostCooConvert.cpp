#include "matrix/HostCooConvert.h"

#include <omp.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "core/Complex.h"
#include "core/Options.h"
#include "matrix/DataFormat.h"
#include "matrix/IndexCheck.h"
#include "matrix/ScalarTypes.h"

namespace Iterative {

namespace {

// Below this many entries a parallel region costs more than it saves.
constexpr int kSerialLimit = 1 << 15;
// Rows up to this length are sorted by a sorting network; longer ones by
// merging.
constexpr int kShortRowLimit = 16;
// A bucket of rows should hold about this many entries, so that sorting it
// by row stays within one core's cache...
constexpr long kBucketEntries = 32768;
// ...and there should be no more buckets than this, so that the scatter into
// them writes to few enough places at once to keep its writes in cache.
constexpr int kMaxBuckets = 256;
// A row's position inside its bucket is kept in 16 bits, which caps the
// bucket at 2^16 rows.
using LocalRow = std::uint16_t;
constexpr int kMaxBucketShift = 16;

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
    while (shift < kMaxBucketShift && (1L << shift) < n &&
           ((n >> shift) >= kMaxBuckets || entriesPerRow * (2L << shift) <= kBucketEntries)) {
        ++shift;
    }
    return {shift, n > 0 ? ((n - 1) >> shift) + 1 : 0};
}

int threadsFor(int nnz) { return nnz < kSerialLimit ? 1 : omp_get_max_threads(); }

// A bucket whose columns span at most kNarrowRange times its entry count is
// sorted by two counting sorts, by column and then by row; others by row and
// then each row by column.
constexpr long kNarrowRange = 2;

// Per-thread working memory for sorting one bucket at a time.
template <typename T>
struct BucketScratch {
    BucketScratch(int threads, int rowsPerBucket, long largestBucket)
        : rowsPerBucket(rowsPerBucket),
          largestBucket(largestBucket),
          rowStart(static_cast<std::size_t>(threads) * (rowsPerBucket + 1)),
          columnCounts(static_cast<std::size_t>(threads) * (kNarrowRange * largestBucket + 1)),
          rows(static_cast<std::size_t>(threads) * largestBucket),
          cols(static_cast<std::size_t>(threads) * largestBucket),
          vals(static_cast<std::size_t>(threads) * largestBucket) {}

    int* rowStartOf(int thread) {
        return rowStart.data() + static_cast<std::size_t>(thread) * (rowsPerBucket + 1);
    }
    int* columnCountsOf(int thread) {
        return columnCounts.data() + static_cast<std::size_t>(thread) * (kNarrowRange * largestBucket + 1);
    }
    int* rowsOf(int thread) { return rows.data() + static_cast<std::size_t>(thread) * largestBucket; }
    int* colsOf(int thread) { return cols.data() + static_cast<std::size_t>(thread) * largestBucket; }
    T* valsOf(int thread) { return vals.data() + static_cast<std::size_t>(thread) * largestBucket; }

    int rowsPerBucket;
    long largestBucket;
    std::vector<int> rowStart;
    std::vector<int> columnCounts;
    std::vector<int> rows;
    std::vector<int> cols;
    std::vector<T> vals;
};

// Batcher's odd-even merge sort network for N inputs, as the list of its
// comparators, built at compile time: the network for the next power of two,
// without the comparators that touch the missing inputs (they would compare
// with padding larger than every key and never exchange).
struct Comparator {
    int low;
    int high;
};

template <int N, typename Visit>
constexpr void forEachBatcherComparator(Visit&& visit) {
    for (int p = 1; p < N; p <<= 1)
        for (int k = p; k >= 1; k >>= 1)
            for (int j = k % p; j + k < N; j += 2 * k)
                for (int i = 0; i < k && i + j + k < N; ++i)
                    if ((i + j) / (2 * p) == (i + j + k) / (2 * p)) visit(i + j, i + j + k);
}

template <int N>
constexpr int batcherSize() {
    int count = 0;
    forEachBatcherComparator<N>([&count](int, int) { ++count; });
    return count;
}

template <int N>
constexpr std::array<Comparator, batcherSize<N>()> batcherNetwork() {
    std::array<Comparator, batcherSize<N>()> network{};
    int next = 0;
    forEachBatcherComparator<N>([&](int low, int high) { network[next++] = Comparator{low, high}; });
    return network;
}

// Compare-exchange by masks rather than min/max, which compilers may turn
// back into a branch; the unrolled network keeps the keys in registers.
template <int N>
void sortKeys(std::uint64_t* keys) {
    static constexpr auto network = batcherNetwork<N>();
#pragma GCC unroll 64
    for (const Comparator& c : network) {
        const std::uint64_t low = keys[c.low];
        const std::uint64_t high = keys[c.high];
        const std::uint64_t swap = (low ^ high) & (std::uint64_t(0) - std::uint64_t(high < low));
        keys[c.low] = low ^ swap;
        keys[c.high] = high ^ swap;
    }
}

template <std::size_t... N>
constexpr std::array<void (*)(std::uint64_t*), sizeof...(N)> sortKeysTable(std::index_sequence<N...>) {
    return {&sortKeys<static_cast<int>(N)>...};
}

// sortKeys for every row length up to kShortRowLimit, by length.
constexpr auto kSortKeys = sortKeysTable(std::make_index_sequence<kShortRowLimit + 1>());

// Stable sort of one short row by column into its final place. The keys
// carry each entry's position in the row below the column, so equal columns
// keep their order, and a sorting network sorts them without the branch
// mispredictions that dominate an insertion sort of randomly ordered rows.
template <typename T>
void sortShortRow(const int* cols, const T* vals, int length, int* outCols, T* outVals) {
    constexpr int kPositionBits = 4;
    static_assert(kShortRowLimit <= (1 << kPositionBits), "row positions must fit the key");
    bool sorted = true;
    for (int j = 1; j < length; ++j) sorted &= cols[j - 1] <= cols[j];
    if (sorted) {
        std::copy(cols, cols + length, outCols);
        std::copy(vals, vals + length, outVals);
        return;
    }
    std::uint64_t keys[kShortRowLimit];
    for (int j = 0; j < length; ++j) keys[j] = static_cast<std::uint64_t>(cols[j]) << kPositionBits | j;
    kSortKeys[length](keys);
    for (int r = 0; r < length; ++r) {
        outCols[r] = static_cast<int>(keys[r] >> kPositionBits);
        outVals[r] = vals[keys[r] & ((1 << kPositionBits) - 1)];
    }
}

// How pass 1 hands each entry's row within its bucket to pass 2. When that
// row and the column fit 32 bits together, the row rides above the column in
// the column array, which saves the scatter a write stream; otherwise it gets
// an array of its own. It is passed by value: a copy cannot alias the arrays
// being written, so the loops keep its fields in registers.
struct RowTags {
    int colBits;         // the column's bits below a packed row
    LocalRow* separate;  // the rows when they are not packed

    template <bool Packed>
    void put(int* csrColInd, LocalRow* separateRows, int slot, unsigned row, int col) const {
        if constexpr (Packed) {
            csrColInd[slot] = static_cast<int>(row << colBits | static_cast<unsigned>(col));
        } else {
            csrColInd[slot] = col;
            separateRows[slot] = static_cast<LocalRow>(row);
        }
    }
    template <bool Packed>
    int rowAt(const int* csrColInd, long k) const {
        if constexpr (Packed) {
            return static_cast<int>(static_cast<unsigned>(csrColInd[k]) >> colBits);
        } else {
            return separate[k];
        }
    }
    template <bool Packed>
    int colAt(const int* csrColInd, long k) const {
        if constexpr (Packed) {
            return static_cast<int>(static_cast<unsigned>(csrColInd[k]) & ((1u << colBits) - 1));
        } else {
            return csrColInd[k];
        }
    }
};

int bitsFor(unsigned value) {
    int bits = 0;
    while (bits < 32 && (value >> bits) != 0) ++bits;
    return bits;
}

// Two stable counting sorts of a bucket whose columns lie in [colMin,
// colMin + range): by column into scratch, then by row into place. rowStart
// holds the bucket's row starts. Packed entries move through scratch as one
// word; otherwise the rows move beside the columns.
template <bool Packed, typename T>
void sortByColumnThenRow(long begin, long end, int colMin, int range, const RowTags tags, int* rowStart,
                         int* csrColInd, T* csrVal, BucketScratch<T>& scratch, int thread) {
    int* const columnStart = scratch.columnCountsOf(thread);
    int* const words = scratch.colsOf(thread);
    int* const rows = scratch.rowsOf(thread);
    T* const vals = scratch.valsOf(thread);
    std::fill(columnStart, columnStart + range + 1, 0);
    for (long k = begin; k < end; ++k) ++columnStart[tags.colAt<Packed>(csrColInd, k) - colMin + 1];
    for (int c = 0; c < range; ++c) columnStart[c + 1] += columnStart[c];
    for (long k = begin; k < end; ++k) {
        const int position = columnStart[tags.colAt<Packed>(csrColInd, k) - colMin]++;
        words[position] = csrColInd[k];
        if constexpr (!Packed) rows[position] = tags.rowAt<Packed>(csrColInd, k);
        vals[position] = csrVal[k];
    }
    int* const outCols = csrColInd + begin;
    T* const outVals = csrVal + begin;
    for (long p = 0; p < end - begin; ++p) {
        const int row = Packed ? tags.rowAt<true>(words, p) : rows[p];
        const int position = rowStart[row]++;
        outCols[position] = tags.colAt<Packed>(words, p);
        outVals[position] = vals[p];
    }
}

// Counting sort of a bucket by row into scratch, then, when the columns
// still need sorting, each row by column into place (rows longer than
// kShortRowLimit are left for sortLongRows); otherwise straight back.
// rowStart holds the bucket's row starts.
template <bool Packed, typename T>
void sortByRowThenColumn(int rows, long begin, long end, bool sortColumns, const RowTags tags, int* rowStart,
                         int* csrColInd, T* csrVal, BucketScratch<T>& scratch, int thread) {
    int* const cols = scratch.colsOf(thread);
    T* const vals = scratch.valsOf(thread);
    for (long k = begin; k < end; ++k) {
        const int position = rowStart[tags.rowAt<Packed>(csrColInd, k)]++;
        cols[position] = tags.colAt<Packed>(csrColInd, k);
        vals[position] = csrVal[k];
    }
    int* const outCols = csrColInd + begin;
    T* const outVals = csrVal + begin;
    if (!sortColumns) {
        std::copy(cols, cols + (end - begin), outCols);
        std::copy(vals, vals + (end - begin), outVals);
        return;
    }
    // rowStart[i] now holds the end of row i.
    for (int i = 0, rowBegin = 0; i < rows; rowBegin = rowStart[i++]) {
        const int length = rowStart[i] - rowBegin;
        if (length <= kShortRowLimit) {
            sortShortRow(cols + rowBegin, vals + rowBegin, length, outCols + rowBegin, outVals + rowBegin);
        } else {
            std::copy(cols + rowBegin, cols + rowStart[i], outCols + rowBegin);
            std::copy(vals + rowBegin, vals + rowStart[i], outVals + rowBegin);
        }
    }
}

// Sorts one bucket by row and, within each row, by column, keeping the input
// order of equal pairs, from and to its place in the output arrays. Writes the
// bucket's zero-based row pointers. With columnsAscend the entries arrived in
// column order, which the counting sort by row keeps.
template <bool Packed, typename T>
void sortBucket(int rows, int firstRow, long begin, long end, bool columnsAscend, const RowTags tags,
                int* csrRowPtr, int* csrColInd, T* csrVal, BucketScratch<T>& scratch, int thread) {
    int* const rowStart = scratch.rowStartOf(thread);
    int colMin = std::numeric_limits<int>::max();
    int colMax = -1;
    std::fill(rowStart, rowStart + rows + 1, 0);
    if (columnsAscend) {
        for (long k = begin; k < end; ++k) ++rowStart[tags.rowAt<Packed>(csrColInd, k) + 1];
    } else {
        for (long k = begin; k < end; ++k) {
            ++rowStart[tags.rowAt<Packed>(csrColInd, k) + 1];
            const int col = tags.colAt<Packed>(csrColInd, k);
            colMin = std::min(colMin, col);
            colMax = std::max(colMax, col);
        }
    }
    for (int i = 0; i < rows; ++i) {
        rowStart[i + 1] += rowStart[i];
        csrRowPtr[firstRow + i] = static_cast<int>(begin) + rowStart[i];
    }
    const long entries = end - begin;
    if (entries == 0) return;
    if (!columnsAscend && static_cast<long>(colMax) - colMin < kNarrowRange * entries) {
        sortByColumnThenRow<Packed>(begin, end, colMin, colMax - colMin + 1, tags, rowStart, csrColInd,
                                    csrVal, scratch, thread);
    } else {
        sortByRowThenColumn<Packed>(rows, begin, end, !columnsAscend, tags, rowStart, csrColInd, csrVal,
                                    scratch, thread);
    }
}

// Passes 1 and 2: the scatter into the buckets, whose first free positions
// per chunk are in `next`, and the sort of each bucket.
template <bool Packed, typename T, typename ForEachEntry>
void distribute(int n, int nnz, const T* a, int outBase, ForEachEntry forEachEntry, bool columnsAscend,
                const EntryChunks& chunks, const RowBuckets& buckets, std::vector<int>& next,
                const std::vector<int>& bucketStart, const RowTags tags, int* csrRowPtr, int* csrColInd,
                T* csrVal) {
#pragma omp parallel for schedule(static) num_threads(chunks.count)
    for (int t = 0; t < chunks.count; ++t) {
        int* const chunkNext = next.data() + static_cast<std::size_t>(t) * buckets.count;
        const int shift = buckets.shift;
        const unsigned mask = (1u << shift) - 1;
        LocalRow* const separateRows = tags.separate;
        forEachEntry(chunks.begin(t), chunks.end(t), [=](long k, int row, int col) {
            const int slot = chunkNext[row >> shift]++;
            tags.put<Packed>(csrColInd, separateRows, slot, static_cast<unsigned>(row) & mask, col + outBase);
            csrVal[slot] = a[k];
        });
    }

    long largestBucket = 0;
    for (int b = 0; b < buckets.count; ++b) {
        largestBucket = std::max<long>(largestBucket, bucketStart[b + 1] - bucketStart[b]);
    }
    // One bucket of scratch per thread; fewer threads when a huge bucket
    // would make that outgrow the matrix.
    const int threads = static_cast<int>(
        std::min<long>(threadsFor(nnz), largestBucket > 0 ? std::max(1L, nnz / largestBucket) : 1));
    BucketScratch<T> scratch(threads, 1 << buckets.shift, largestBucket);
#pragma omp parallel for schedule(dynamic, 1) num_threads(threads)
    for (int b = 0; b < buckets.count; ++b) {
        sortBucket<Packed>(buckets.rowsIn(b, n), buckets.firstRow(b), bucketStart[b], bucketStart[b + 1],
                           columnsAscend, tags, csrRowPtr, csrColInd, csrVal, scratch, omp_get_thread_num());
    }
}

// Stable counting sort of the entries by row. forEachEntry(begin, end, f)
// calls f(k, row, col) for the entries k of [begin, end) in input order, with
// zero-based row and column. Leaves zero-based row pointers in csrRowPtr and
// the columns, shifted to outBase, in csrColInd; rows longer than
// kShortRowLimit are not yet sorted by column.
template <typename T, typename ForEachEntry>
void sortByRow(int n, int nnz, const T* a, int outBase, ForEachEntry forEachEntry, bool columnsAscend,
               int* csrRowPtr, int* csrColInd, T* csrVal) {
    const EntryChunks chunks{threadsFor(nnz), nnz};
    const RowBuckets buckets = rowBucketsFor(n, nnz);
    // Per chunk, per bucket: first the count, then the next free position.
    std::vector<int> next(static_cast<std::size_t>(chunks.count) * buckets.count);
    std::vector<int> bucketStart(buckets.count + 1);

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

    const int colBits = bitsFor(static_cast<unsigned>(std::max(0, n - 1 + outBase)));
    if (colBits + buckets.shift <= 32) {
        const RowTags tags{colBits, nullptr};
        distribute<true>(n, nnz, a, outBase, forEachEntry, columnsAscend, chunks, buckets, next, bucketStart,
                         tags, csrRowPtr, csrColInd, csrVal);
    } else {
        std::unique_ptr<LocalRow[]> separate(new LocalRow[nnz]);
        const RowTags tags{colBits, separate.get()};
        distribute<false>(n, nnz, a, outBase, forEachEntry, columnsAscend, chunks, buckets, next, bucketStart,
                          tags, csrRowPtr, csrColInd, csrVal);
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

// Sorts the rows longer than kShortRowLimit by column (zero-based row
// pointers). Such rows are rare; they get scratch space, with fewer threads
// when one row of scratch per thread would outgrow the matrix.
template <typename T>
void sortLongRows(int n, int nnz, const int* rowPtr, int* cols, T* vals) {
    const int longest = longestRow(n, rowPtr);
    if (longest <= kShortRowLimit) return;
    const int threads = static_cast<int>(std::min<long>(omp_get_max_threads(), std::max(1, nnz / longest)));
    std::vector<std::pair<int, T>> scratch(static_cast<std::size_t>(threads) * longest);
#pragma omp parallel for schedule(dynamic, 1) num_threads(threads)
    for (int r = 0; r < n; ++r) {
        const int length = rowPtr[r + 1] - rowPtr[r];
        if (length > kShortRowLimit) {
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
    sortByRow(n, nnz, a, outBase, forEachEntry, false, csrRowPtr, csrColInd, csrVal);
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
    sortByRow(n, nnz, a, outBase, forEachEntry, true, csrRowPtr, csrColInd, csrVal);
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
