#include "preconditioner/host/spai.h"

#include <omp.h>

#include <algorithm>
#include <vector>

#include "core/Complex.h"
#include "core/Exception.h"
#include "matrix/HostCsrMatrix.h"
#include "matrix/ScalarTypes.h"
#include "preconditioner/host/lapack.h"
#include "preconditioner/host/parallel.h"

namespace pc {
namespace host {

void requireZeroBased(int base, const char* what) {
    if (base != 0) Iterative::KyraSparseExceptionTemplate<kyraSparseFeatureNotImplemented>::raise(what);
}

namespace {

using Iterative::KyraSparseExceptionTemplate;

// A matrix by columns: the CSR arrays of its transpose.
template <typename T>
struct Columns {
    std::vector<int> ptr;
    std::vector<int> row;
    std::vector<T> val;

    int begin(int j) const { return ptr[j]; }
    int end(int j) const { return ptr[j + 1]; }
};

// M's pattern by columns; source[t] is the position in M of the t-th entry,
// so that a column's solution is written straight into M's values.
struct PatternColumns {
    std::vector<int> ptr;
    std::vector<int> row;
    std::vector<int> source;

    int begin(int j) const { return ptr[j]; }
    int end(int j) const { return ptr[j + 1]; }
};

template <typename T>
Columns<T> columnsOf(int n, int nnz, const T* val, const int* rowPtr, const int* colInd) {
    Columns<T> a;
    a.ptr.resize(n + 1);
    a.row.resize(nnz);
    a.val.resize(nnz);
    Iterative::HostCsrTranspose<T>(n, nnz, 0, val, rowPtr, colInd, a.val.data(), a.ptr.data(), a.row.data(),
                                   false);
    return a;
}

// Counting sort of the pattern by column, remembering where each entry came from.
PatternColumns patternColumns(int n, const int* rowPtr, const int* colInd) {
    const int nnz = rowPtr[n];
    PatternColumns pattern;
    pattern.ptr.assign(n + 1, 0);
    pattern.row.resize(nnz);
    pattern.source.resize(nnz);
    for (int q = 0; q < nnz; ++q) ++pattern.ptr[colInd[q] + 1];
    for (int j = 0; j < n; ++j) pattern.ptr[j + 1] += pattern.ptr[j];
    std::vector<int> cursor(pattern.ptr.begin(), pattern.ptr.end() - 1);
    for (int k = 0; k < n; ++k) {
        for (int q = rowPtr[k]; q < rowPtr[k + 1]; ++q) {
            const int t = cursor[colInd[q]]++;
            pattern.row[t] = k;
            pattern.source[t] = q;
        }
    }
    return pattern;
}

// One thread's work space for the columns of its range. The dense arrays
// only grow, so a thread allocates a few times at most.
template <typename T>
class ColumnSolver {
  public:
    ColumnSolver(int n, const Columns<T>& a, const PatternColumns& mPattern)
        : a_(a), mPattern_(mPattern), map_(n, -1), work_(1) {}

    // Column j of M into mVal at its positions in M.
    void solve(int j, T* mVal) {
        const int first = mPattern_.begin(j);
        const int nJ = mPattern_.end(j) - first;
        const int* J = mPattern_.row.data() + first;
        collectCandidateRows(J, nJ);
        const int nI = static_cast<int>(rows_.size());
        if (nI < nJ) KyraSparseExceptionTemplate<kyraSparsePreconditionerError>::raise("malformed a matrix");
        const bool jInI = map_[j] != -1;
        fillSystem(j, J, nJ, nI);
        for (int i : rows_) map_[i] = -1;
        // Without row j among the candidates the right-hand side is zero, and
        // so is the solution.
        if (jInI) leastSquares(nI, nJ);
        for (int t = 0; t < nJ; ++t) mVal[mPattern_.source[first + t]] = jInI ? rhs_[t] : T(0);
    }

  private:
    // I: the sorted rows with an entry in any column of A named by J, and
    // map[i] = position of i in I.
    void collectCandidateRows(const int* J, int nJ) {
        rows_.clear();
        for (int t = 0; t < nJ; ++t) {
            for (int q = a_.begin(J[t]); q < a_.end(J[t]); ++q) {
                const int i = a_.row[q];
                if (map_[i] == -1) {
                    map_[i] = 0;
                    rows_.push_back(i);
                }
            }
        }
        std::sort(rows_.begin(), rows_.end());
        for (int t = 0; t < static_cast<int>(rows_.size()); ++t) map_[rows_[t]] = t;
    }

    // B = A(I, J), column-major nI x nJ, and the right-hand side e_j on I.
    void fillSystem(int j, const int* J, int nJ, int nI) {
        dense_.assign(static_cast<std::size_t>(nI) * nJ, T(0));
        for (int t = 0; t < nJ; ++t) {
            T* column = dense_.data() + static_cast<std::size_t>(t) * nI;
            for (int q = a_.begin(J[t]); q < a_.end(J[t]); ++q) column[map_[a_.row[q]]] = a_.val[q];
        }
        rhs_.assign(nI, T(0));
        if (map_[j] != -1) rhs_[map_[j]] = T(1);
    }

    // min |B x - rhs|; x overwrites the first nJ entries of rhs.
    void leastSquares(int nI, int nJ) {
        T optimum;
        int info = Lapack<T>::gels(nI, nJ, dense_.data(), nI, rhs_.data(), nI, &optimum, -1);
        const int lwork = std::max(1, static_cast<int>(kyra::realPart(optimum)));
        if (static_cast<int>(work_.size()) < lwork) work_.resize(lwork);
        if (info == 0) {
            info = Lapack<T>::gels(nI, nJ, dense_.data(), nI, rhs_.data(), nI, work_.data(), lwork);
        }
        if (info != 0) KyraSparseExceptionTemplate<kyraSparsePreconditionerError>::raise("gels failure");
    }

    const Columns<T>& a_;
    const PatternColumns& mPattern_;
    std::vector<int> map_;
    std::vector<int> rows_;
    std::vector<T> dense_;
    std::vector<T> rhs_;
    std::vector<T> work_;
};

}  // namespace

template <typename T>
void spai(int /*m*/, int n, int nnz, int base, const T* aVal, const int* aRowPtr, const int* aColInd, T* mVal,
          const int* mRowPtr, const int* mColInd) {
    requireZeroBased(base, "spai preconditioning");
    const Columns<T> a = columnsOf(n, nnz, aVal, aRowPtr, aColInd);
    const PatternColumns mPattern = patternColumns(n, mRowPtr, mColInd);
    ExceptionSlot failure;
#pragma omp parallel
    {
        const Range columns = threadRange(n, omp_get_thread_num(), omp_get_num_threads());
        try {
            ColumnSolver<T> solver(n, a, mPattern);
            for (int j = columns.first; j < columns.last && !failure.raised(); ++j) solver.solve(j, mVal);
        } catch (...) {
            failure.capture();
        }
    }
    failure.rethrowIfRaised();
}

#define KYRA_INSTANTIATE_SPAI(T) \
    template void spai<T>(int, int, int, int, const T*, const int*, const int*, T*, const int*, const int*);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_SPAI)

}  // namespace host
}  // namespace pc
