#ifndef KYRA_PRECONDITIONER_BLOCKINVERSE_H
#define KYRA_PRECONDITIONER_BLOCKINVERSE_H

// The diagonal blocks of block Jacobi, built and inverted the same way on
// the host (one block per thread of a team) and on the device (one block
// per GPU thread).

#include "core/Complex.h"

namespace pc {

// Element (r, c) of a row-major block with row stride lda.
template <typename T>
struct BlockView {
    T* a;
    int lda;
    KYRA_HOST_DEVICE T& operator()(int r, int c) const { return a[static_cast<long long>(r) * lda + c]; }
};

// Row i of the block that starts at row and column s: the b columns from s
// (clamped to n - 1), preset to the identity row, then A's entries inside
// the block's columns (the last stored duplicate wins).
template <typename T>
KYRA_HOST_DEVICE void extractBlockRow(int i, int s, int b, int n, int base, const T* aVal, const int* aRowPtr,
                                      const int* aColInd, T* outVal, int* outRowPtr, int* outColInd) {
    const long long first = static_cast<long long>(i) * b;
    outRowPtr[i] = static_cast<int>(first) + base;
    for (int t = 0; t < b; ++t) {
        outColInd[first + t] = (s + t < n - 1 ? s + t : n - 1) + base;
        outVal[first + t] = t == i - s ? T(1) : T(0);
    }
    const int end = aRowPtr[i + 1] - base;
    for (int p = aRowPtr[i] - base; p < end; ++p) {
        const int c = aColInd[p] - base;
        if (c >= s && c < s + b) outVal[first + (c - s)] = aVal[p];
    }
}

namespace blockinverse {

template <typename T>
KYRA_HOST_DEVICE void setIdentity(int k, BlockView<T> a) {
    for (int r = 0; r < k; ++r) {
        for (int c = 0; c < k; ++c) a(r, c) = r == c ? T(1) : T(0);
    }
}

// A = L U in place (unit L below the diagonal, U on and above it). Returns
// false at the first pivot that is exactly zero.
template <typename T>
KYRA_HOST_DEVICE bool factorWithoutPivoting(int k, BlockView<T> a) {
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
KYRA_HOST_DEVICE void invertUpper(int k, BlockView<T> a) {
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
// from the last column to the first; work holds k values.
template <typename T>
KYRA_HOST_DEVICE void multiplyByInverseLower(int k, BlockView<T> a, T* work) {
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

}  // namespace blockinverse

// Inverts the k x k block a in place by an LU factorisation without
// pivoting, with k values of scratch in work. If a pivot is exactly zero,
// a becomes the identity instead.
template <typename T>
KYRA_HOST_DEVICE void invertBlock(int k, BlockView<T> a, T* work) {
    if (!blockinverse::factorWithoutPivoting(k, a)) {
        blockinverse::setIdentity(k, a);
        return;
    }
    blockinverse::invertUpper(k, a);
    blockinverse::multiplyByInverseLower(k, a, work);
}

}  // namespace pc

#endif
