#include "preconditioner/host/power_pattern.h"

#include <omp.h>

#include <algorithm>

#include "core/Complex.h"
#include "core/Exception.h"
#include "matrix/ScalarTypes.h"
#include "preconditioner/host/parallel.h"

namespace pc {
namespace host {

int patternPower(int patternOption) {
    switch (patternOption) {
        case 1:
            return 2;
        case 2:
            return 3;
        case 3:
            return 4;
        default:
            return 1;
    }
}

namespace detail {

namespace {

// Below this many rows a thread team costs more than it saves.
constexpr int kParallelRows = 4096;

// Collects the pattern rows of one thread's contiguous row range. Row r of
// A^p is built level by level: the columns reachable in k + 1 steps are the
// union of the rows of the columns reachable in k steps, each column kept
// once by a marker. The cost follows the sizes of these sets, not the
// number of paths.
class RowCollector {
  public:
    RowCollector(int n, const int* rowPtr, const int* colInd)
        : rowPtr_(rowPtr), colInd_(colInd), marker_(n, 0) {}

    // Appends row r of the power pattern (sorted) and returns its length.
    template <bool Upper>
    int collectRow(int p, int r) {
        level_.assign(1, r);
        for (int step = 1; step < p; ++step) {
            next_.clear();
            unionOfRows(level_, 0, next_);
            level_.swap(next_);
        }
        // The upper variant keeps only the upper triangle of the last step.
        const std::size_t start = columns_.size();
        unionOfRows(level_, Upper ? r : 0, columns_);
        std::sort(columns_.begin() + static_cast<std::ptrdiff_t>(start), columns_.end());
        return static_cast<int>(columns_.size() - start);
    }

    void reserve(std::size_t capacity) { columns_.reserve(capacity); }
    std::vector<int> takeColumns() { return std::move(columns_); }

  private:
    // Appends to out each column >= lowest of the given rows, once.
    void unionOfRows(const std::vector<int>& rows, int lowest, std::vector<int>& out) {
        if (++stamp_ == 0) {
            std::fill(marker_.begin(), marker_.end(), 0u);
            stamp_ = 1;
        }
        for (int row : rows) {
            for (int q = rowPtr_[row]; q < rowPtr_[row + 1]; ++q) {
                const int c = colInd_[q];
                if (c >= lowest && marker_[c] != stamp_) {
                    marker_[c] = stamp_;
                    out.push_back(c);
                }
            }
        }
    }

    const int* rowPtr_;
    const int* colInd_;
    // marker_[c] == stamp_: column c is already in the set being built.
    std::vector<unsigned> marker_;
    unsigned stamp_ = 0;
    std::vector<int> level_;
    std::vector<int> next_;
    std::vector<int> columns_;
};

// A's pattern with each row's duplicate columns collapsed (conversions keep
// duplicates), so that the level unions never walk a column twice.
struct UniquePattern {
    std::vector<int> rowPtr;
    std::vector<int> colInd;
};

UniquePattern collapseDuplicates(int n, const int* rowPtr, const int* colInd) {
    UniquePattern unique{std::vector<int>(n + 1, 0), {}};
    unique.colInd.reserve(rowPtr[n] - rowPtr[0]);
    std::vector<int> lastRow(n, -1);
    for (int r = 0; r < n; ++r) {
        for (int q = rowPtr[r]; q < rowPtr[r + 1]; ++q) {
            const int c = colInd[q];
            if (lastRow[c] != r) {
                lastRow[c] = r;
                unique.colInd.push_back(c);
            }
        }
        unique.rowPtr[r + 1] = static_cast<int>(unique.colInd.size());
    }
    return unique;
}

// The rows of one thread's range: their lengths and their columns.
struct Piece {
    Range rows{0, 0};
    std::vector<int> columns;
};

// Turns the row lengths in outRowPtr[1..n] into row pointers and copies
// the pieces' columns behind each other.
void concatenate(const std::vector<Piece>& pieces, std::vector<int>& outRowPtr, std::vector<int>& colInd) {
    std::vector<int> offsets(pieces.size() + 1, 0);
    for (std::size_t t = 0; t < pieces.size(); ++t) {
        offsets[t + 1] = offsets[t] + static_cast<int>(pieces[t].columns.size());
    }
    colInd.resize(offsets.back());
    const int count = static_cast<int>(pieces.size());
#pragma omp parallel for schedule(static, 1) if (colInd.size() > kParallelRows)
    for (int t = 0; t < count; ++t) {
        const Piece& piece = pieces[t];
        std::copy(piece.columns.begin(), piece.columns.end(), colInd.begin() + offsets[t]);
        int position = offsets[t];
        for (int r = piece.rows.first; r < piece.rows.last; ++r) {
            position += outRowPtr[r + 1];
            outRowPtr[r + 1] = position;
        }
    }
    outRowPtr[0] = 0;
}

// Each thread collects the rows of its range into its own piece; the pieces
// are then concatenated in row order. outRowPtr[r + 1] first holds the
// length of row r.
template <bool Upper>
CsrPattern GetPowerMatrix(int p, int n, const int* rowPtr, const int* colInd) {
    if (p < 1) {
        Iterative::KyraSparseExceptionTemplate<kyraSparsePreconditionerError>::raise(
            "power must be greater than 1");
    }
    const UniquePattern unique = collapseDuplicates(n, rowPtr, colInd);
    CsrPattern pattern{std::make_shared<std::vector<int>>(n + 1), std::make_shared<std::vector<int>>()};
    std::vector<int>& outRowPtr = *pattern.rowPtr;
    std::vector<Piece> pieces(omp_get_max_threads());
    ExceptionSlot failure;
#pragma omp parallel if (n > kParallelRows)
    {
        const int threads = omp_get_num_threads();
        const int thread = omp_get_thread_num();
        Piece& piece = pieces[thread];
        piece.rows = threadRange(n, thread, threads);
        try {
            RowCollector collector(n, unique.rowPtr.data(), unique.colInd.data());
            const double share = static_cast<double>(piece.rows.last - piece.rows.first) / std::max(n, 1);
            const double uniqueNnz = unique.rowPtr[n];
            collector.reserve(
                static_cast<std::size_t>(share * (p == 1 ? uniqueNnz / 2 + n : 2.0 * p * uniqueNnz)));
            for (int r = piece.rows.first; r < piece.rows.last; ++r) {
                outRowPtr[r + 1] = collector.collectRow<Upper>(p, r);
            }
            piece.columns = collector.takeColumns();
        } catch (...) {
            failure.capture();
        }
    }
    failure.rethrowIfRaised();
    concatenate(pieces, outRowPtr, *pattern.colInd);
    return pattern;
}

}  // namespace

}  // namespace detail

CsrPattern GetPowerPattern(int p, int n, int /*nnz*/, const int* rowPtr, const int* colInd) {
    return detail::GetPowerMatrix<false>(p, n, rowPtr, colInd);
}

CsrPattern GetUpperPowerPattern(int p, int n, int /*nnz*/, const int* rowPtr, const int* colInd) {
    return detail::GetPowerMatrix<true>(p, n, rowPtr, colInd);
}

template <typename T>
CsrMatrix<T> drop_tolerance(double tol, int m, int /*n*/, int base, const T* val, const int* rowPtr,
                            const int* colInd) {
    CsrMatrix<T> kept{std::make_shared<std::vector<int>>(m + 1), std::make_shared<std::vector<int>>(),
                      std::make_shared<std::vector<T>>()};
    std::vector<int>& outRowPtr = *kept.rowPtr;
    for (int r = 0; r < m; ++r) {
        outRowPtr[r] = static_cast<int>(kept.colInd->size());
        for (int q = rowPtr[r] - base; q < rowPtr[r + 1] - base; ++q) {
            const int c = colInd[q] - base;
            if (c == r || kyra::abs(val[q]) >= tol) {
                kept.colInd->push_back(c);
                kept.val->push_back(val[q]);
            }
        }
    }
    outRowPtr[m] = static_cast<int>(kept.colInd->size());
    return kept;
}

#define KYRA_INSTANTIATE_DROP_TOLERANCE(T) \
    template CsrMatrix<T> drop_tolerance<T>(double, int, int, int, const T*, const int*, const int*);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_DROP_TOLERANCE)

}  // namespace host
}  // namespace pc
