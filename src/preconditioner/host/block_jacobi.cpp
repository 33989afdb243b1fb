#include "preconditioner/host/block_jacobi.h"

#include <algorithm>
#include <vector>

#include "core/Complex.h"
#include "matrix/ScalarTypes.h"

namespace pc {
namespace host {

namespace details {

namespace {

// Element (r, c) of a row-major block with row stride lda.
template <typename T>
class BlockView {
  public:
    BlockView(T* a, int lda) : a_(a), lda_(lda) {}
    T& operator()(int r, int c) const { return a_[static_cast<long>(r) * lda_ + c]; }

  private:
    T* a_;
    int lda_;
};

template <typename T>
void setIdentity(int k, const BlockView<T>& a) {
    for (int r = 0; r < k; ++r) {
        for (int c = 0; c < k; ++c) a(r, c) = r == c ? T(1) : T(0);
    }
}

// A = L U in place (unit L below the diagonal, U on and above it). Returns
// false at the first pivot that is exactly zero.
template <typename T>
bool factorWithoutPivoting(int k, const BlockView<T>& a) {
    for (int j = 0; j < k; ++j) {
        if (kyra::isZero(a(j, j))) return false;
        const T inversePivot = T(1) / a(j, j);
        for (int r = j + 1; r < k; ++r) a(r, j) *= inversePivot;
        for (int r = j + 1; r < k; ++r) {
            for (int c = j + 1; c < k; ++c) a(r, c) -= a(r, j) * a(j, c);
        }
    }
    return true;
}

// U <- U^-1 in place, column by column: column j of the inverse is
// -U^-1[0..j-1, 0..j-1] U[0..j-1, j] / u_jj, using the columns already done.
template <typename T>
void invertUpper(int k, const BlockView<T>& a) {
    for (int j = 0; j < k; ++j) {
        a(j, j) = T(1) / a(j, j);
        const T scale = -a(j, j);
        // x <- U^-1[0..j-1, 0..j-1] x with x = column j above the diagonal;
        // row i only reads entries i..j-1 of x, which are not yet replaced.
        for (int i = 0; i < j; ++i) {
            T sum = a(i, i) * a(i, j);
            for (int l = i + 1; l < j; ++l) sum += a(i, l) * a(l, j);
            a(i, j) = sum * scale;
        }
    }
}

// A^-1 = U^-1 L^-1: the unit lower factor is eliminated from the right,
// from the last column to the first.
template <typename T>
void multiplyByInverseLower(int k, const BlockView<T>& a, std::vector<T>& work) {
    for (int j = k - 2; j >= 0; --j) {
        for (int r = j + 1; r < k; ++r) {
            work[r] = a(r, j);
            a(r, j) = T(0);
        }
        for (int r = 0; r < k; ++r) {
            T sum = a(r, j);
            for (int l = j + 1; l < k; ++l) sum -= a(r, l) * work[l];
            a(r, j) = sum;
        }
    }
}

}  // namespace

template <typename T>
void InvertN(int k, T* data, int lda, std::vector<T>& work) {
    const BlockView<T> a(data, lda);
    if (!factorWithoutPivoting(k, a)) {
        setIdentity(k, a);
        return;
    }
    invertUpper(k, a);
    if (static_cast<int>(work.size()) < k) work.resize(k);
    multiplyByInverseLower(k, a, work);
}

template <typename T>
void InvertN(int k, T* data, int lda) {
    std::vector<T> work(k);
    InvertN(k, data, lda, work);
}

}  // namespace details

namespace {

// Below this many rows a thread team costs more than it saves.
constexpr int kParallelRows = 4096;

// Row i of the block that starts at row and column s: the b columns from s
// (clamped to n - 1), preset to the identity row, then A's entries inside
// the block's columns (the last stored duplicate wins).
template <typename T>
void extractRow(int i, int s, int b, int n, int base, const T* aVal, const int* aRowPtr, const int* aColInd,
                T* outVal, int* outRowPtr, int* outColInd) {
    const long first = static_cast<long>(i) * b;
    outRowPtr[i] = static_cast<int>(first) + base;
    for (int t = 0; t < b; ++t) {
        outColInd[first + t] = std::min(s + t, n - 1) + base;
        outVal[first + t] = t == i - s ? T(1) : T(0);
    }
    const int end = aRowPtr[i + 1] - base;
    for (int p = aRowPtr[i] - base; p < end; ++p) {
        const int c = aColInd[p] - base;
        if (c >= s && c < s + b) outVal[first + (c - s)] = aVal[p];
    }
}

}  // namespace

// Blocks are independent: each is extracted and inverted by one thread,
// with one scratch vector per thread.
template <typename T>
void block_jacobi(int blockSize, int m, int n, int /*nnz*/, int base, const T* aVal, const int* aRowPtr,
                  const int* aColInd, T* outVal, int* outRowPtr, int* outColInd) {
    const int b = blockSize;
    const int blocks = (m + b - 1) / b;
#pragma omp parallel if (m > kParallelRows)
    {
        std::vector<T> work(b);
#pragma omp for schedule(static)
        for (int k = 0; k < blocks; ++k) {
            const int s = k * b;
            const int rowsEnd = std::min(s + b, m);
            for (int i = s; i < rowsEnd; ++i) {
                extractRow(i, s, b, n, base, aVal, aRowPtr, aColInd, outVal, outRowPtr, outColInd);
            }
            const int kb = std::min(b, n - s);
            if (kb > 0) details::InvertN(kb, outVal + static_cast<long>(s) * b, b, work);
        }
    }
    outRowPtr[m] = m * b + base;
}

#define KYRA_INSTANTIATE_BLOCK_JACOBI(T)                                                               \
    template void block_jacobi<T>(int, int, int, int, int, const T*, const int*, const int*, T*, int*, \
                                  int*);                                                               \
    template void details::InvertN<T>(int, T*, int);                                                   \
    template void details::InvertN<T>(int, T*, int, std::vector<T>&);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_BLOCK_JACOBI)

}  // namespace host
}  // namespace pc
