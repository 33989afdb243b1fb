#include "preconditioner/host/ilu0.h"

#include <algorithm>
#include <vector>

#include "core/Complex.h"
#include "core/Exception.h"
#include "matrix/ScalarTypes.h"

namespace pc {
namespace host {

namespace {

using Iterative::KyraSparseExceptionTemplate;

// Below this many rows the pattern checks are not worth a thread team.
constexpr int kParallelRows = 1 << 14;

// Zero-based view of the CSR arrays; small, so it is passed by value and
// lives in registers in the loops below.
struct Pattern {
    const int* rowPtr;
    const int* colInd;
    int base;

    int begin(int row) const { return rowPtr[row] - base; }
    int end(int row) const { return rowPtr[row + 1] - base; }
    int col(int p) const { return colInd[p] - base; }
};

// Storage position of the first entry of row i that lies in column i, or -1.
int diagonalOf(int i, Pattern a) {
    const int end = a.end(i);
    for (int p = a.begin(i); p < end; ++p) {
        if (a.col(p) == i) return p;
    }
    return -1;
}

bool isSorted(int i, Pattern a) {
    const int end = a.end(i);
    for (int p = a.begin(i) + 1; p < end; ++p) {
        if (a.col(p) <= a.col(p - 1)) return false;
    }
    return true;
}

// Records where each column of row i is stored. Entries left over from
// earlier rows are not cleared: they point before row i's first position,
// which tells them apart.
void recordPositions(int i, Pattern a, int* iw) {
    const int end = a.end(i);
    for (int p = a.begin(i); p < end; ++p) iw[a.col(p)] = p;
}

// Row i minus multiples of the rows k < i it references, restricted to
// row i's pattern: l_ik = a_ik / u_kk, then a_ij -= l_ik u_kj.
template <typename T>
void eliminateRow(int i, Pattern a, const int* diag, const int* iw, T* val) {
    const int rowBegin = a.begin(i);
    const int diagonal = diag[i];
    for (int j = rowBegin; j < diagonal; ++j) {
        const int k = a.col(j);
        const T pivot = val[diag[k]];
        if (kyra::isZero(pivot)) {
            KyraSparseExceptionTemplate<kyraSparsePreconditionerError>::raise(
                "input matrix has an explicit zero on the diagonal");
        }
        const T lik = val[j] * (T(1) / pivot);
        val[j] = lik;
        const int endK = a.end(k);
        for (int q = diag[k] + 1; q < endK; ++q) {
            const int target = iw[a.col(q)];
            if (target >= rowBegin) val[target] -= lik * val[q];
        }
    }
}

}  // namespace

// Both checks read only the pattern, so every row is checked at once; an
// unsorted row is reported only when the factorisation reaches it, after
// the zero pivots of the rows before it.
template <typename T>
Ilu0Rows<T>::Ilu0Rows(int m, int n, int base, T* val, const int* rowPtr, const int* colInd)
    : m_(m),
      base_(base),
      val_(val),
      rowPtr_(rowPtr),
      colInd_(colInd),
      diag_(m),
      firstUnsorted_(m),
      iw_(n, -1) {
    const Pattern a{rowPtr, colInd, base};
    bool missingDiagonal = false;
    int firstUnsorted = m;
#pragma omp parallel for schedule(static) reduction(||                 \
                                                    : missingDiagonal) \
    reduction(min                                                      \
              : firstUnsorted) if (m > kParallelRows)
    for (int i = 0; i < m; ++i) {
        diag_[i] = diagonalOf(i, a);
        missingDiagonal = missingDiagonal || diag_[i] < 0;
        if (i < firstUnsorted && !isSorted(i, a)) firstUnsorted = i;
    }
    if (missingDiagonal) {
        KyraSparseExceptionTemplate<kyraSparsePreconditionerError>::raise(
            "input matrix is missing a diagonal element");
    }
    firstUnsorted_ = firstUnsorted;
}

template <typename T>
void Ilu0Rows<T>::factorUpTo(int end) {
    const Pattern a{rowPtr_, colInd_, base_};
    const int last = std::min(end, firstUnsorted_);
    for (; next_ < last; ++next_) {
        recordPositions(next_, a, iw_.data());
        eliminateRow(next_, a, diag_.data(), iw_.data(), val_);
    }
}

template <typename T>
void Ilu0Rows<T>::finish() const {
    if (firstUnsorted_ < m_) {
        KyraSparseExceptionTemplate<kyraSparsePreconditionerError>::raise("input matrix must be sorted");
    }
}

template <typename T>
void ilu0(int m, int n, int /*nnz*/, int base, T* val, const int* rowPtr, const int* colInd) {
    Ilu0Rows<T> rows(m, n, base, val, rowPtr, colInd);
    rows.factorUpTo(m);
    rows.finish();
}

#define KYRA_INSTANTIATE_ILU0(T)                                           \
    template void ilu0<T>(int, int, int, int, T*, const int*, const int*); \
    template class Ilu0Rows<T>;
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_ILU0)

}  // namespace host
}  // namespace pc
