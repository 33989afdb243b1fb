#include "matrix/HostSparseKernels.h"

#include <omp.h>

#include "core/Exception.h"
#include "matrix/MatrixEnums.h"
#include "matrix/ScalarTypes.h"

namespace Iterative {
namespace sparse {

namespace {

// Below this many entries plus rows a product is not worth a thread team.
constexpr long kParallelThreshold = 32768;

// How far ahead of the current row the product asks for the value and index
// streams. One core alone cannot keep enough misses in flight to saturate
// memory; the hardware prefetchers start too late for short rows. The lines
// are fetched into every cache level: a non-temporal hint keeps the matrix
// out of the last-level cache, so a matrix that would fit there came from
// memory again at every product (twice the time, measured on the 10^6-row
// 3-D Poisson matrix).
constexpr int kPrefetchBytes = 2048;

enum class Operation { Plain, Transpose, ConjugateTranspose };

Operation parseOperation(char trans) {
    switch (trans) {
        case 'N':
        case 'n':
            return Operation::Plain;
        case 'T':
        case 't':
            return Operation::Transpose;
        case 'C':
        case 'c':
            return Operation::ConjugateTranspose;
        default:
            KyraSparseExceptionTemplate<kyraSparseInternalError>::raise("");
    }
}

// The first four descriptor characters, decoded once per call.
struct Descriptor {
    bool triangular;
    bool lower;
    bool unitDiagonal;
    int base;
};

Descriptor parseDescriptor(const char* matdescra) {
    Descriptor d;
    const char type = matdescra[0];
    if (type != 'G' && type != 'g' && type != 'T' && type != 't') {
        KyraSparseExceptionTemplate<kyraSparseInternalError>::raise("unsupported sparse matrix type");
    }
    d.triangular = (type == 'T' || type == 't');
    d.lower = (matdescra[1] == 'L' || matdescra[1] == 'l');
    d.unitDiagonal = (matdescra[2] == 'U' || matdescra[2] == 'u');
    d.base = IndexType::fromChar(matdescra[3]).toInt();
    return d;
}

template <typename T>
T applyOperation(const T& a, Operation op) {
    return op == Operation::ConjugateTranspose ? kyra::conj(a) : a;
}

// Every stored entry takes part in the product.
struct WholeMatrix {
    bool keep(int, int) const { return true; }
};

// Only one triangle takes part; a unit diagonal replaces the stored one.
struct Triangle {
    bool lower;
    bool unitDiagonal;
    bool keep(int row, int col) const {
        if (col == row) return !unitDiagonal;
        return lower ? col < row : col > row;
    }
};

bool hasUnitDiagonal(const WholeMatrix&) { return false; }
bool hasUnitDiagonal(const Triangle& t) { return t.unitDiagonal; }

// The arrays of one CSR matrix; the index base is a constant of the type so
// that the hot loops fold it into their addressing.
template <typename T, int Base>
struct CsrArrays {
    static constexpr int base = Base;
    const T* val;
    const int* rowPtr;
    const int* colInd;

    int begin(int row) const { return rowPtr[row] - base; }
    int end(int row) const { return rowPtr[row + 1] - base; }
    int col(int p) const { return colInd[p] - base; }
};

// Calls work with the arrays typed by their index base.
template <typename T, typename Work>
void withArrays(const T* val, const int* rowPtr, const int* colInd, int base, Work&& work) {
    if (base == 0) {
        work(CsrArrays<T, 0>{val, rowPtr, colInd});
    } else {
        work(CsrArrays<T, 1>{val, rowPtr, colInd});
    }
}

// y_i <- alpha (A x)_i + beta y_i for rows [first, last).
template <typename T, int Base, typename Part, bool BetaIsZero>
void productRows(const CsrArrays<T, Base>& A, const Part& part, int first, int last, int k, T alpha,
                 const T* x, T beta, T* y) {
    // Prefetch addresses stay inside this range's entries: an address past
    // the arrays, or an offset from the null arrays of an empty matrix, is
    // undefined even when it is never read.
    constexpr int ahead = kPrefetchBytes / sizeof(T);
    const int stop = first < last ? A.end(last - 1) : 0;
    for (int i = first; i < last; ++i) {
        T sum = T(0);
        const int begin = A.begin(i);
        const int end = A.end(i);
        if (begin + ahead < stop) {
            __builtin_prefetch(A.val + begin + ahead, 0, 3);
            __builtin_prefetch(A.colInd + begin + ahead, 0, 3);
        }
        for (int p = begin; p < end; ++p) {
            const int c = A.col(p);
            if (part.keep(i, c)) sum += A.val[p] * x[c];
        }
        if (hasUnitDiagonal(part) && i < k) sum += x[i];
        y[i] = BetaIsZero ? alpha * sum : alpha * sum + beta * y[i];
    }
}

// The rows are split by equal entry counts; no thread allocates anything.
template <typename T, int Base, typename Part>
void plainProduct(const CsrArrays<T, Base>& A, const Part& part, int m, int k, T alpha, const T* x, T beta,
                  T* y) {
    const bool betaIsZero = kyra::isZero(beta);
    const long weight = static_cast<long>(A.rowPtr[m] - A.rowPtr[0]) + m;
#pragma omp parallel if (weight > kParallelThreshold)
    {
        const int threads = omp_get_num_threads();
        const int thread = omp_get_thread_num();
        const int first = firstRowAtWeight(A.rowPtr, m, weight * thread / threads);
        const int last = firstRowAtWeight(A.rowPtr, m, weight * (thread + 1) / threads);
        if (betaIsZero) {
            productRows<T, Base, Part, true>(A, part, first, last, k, alpha, x, beta, y);
        } else {
            productRows<T, Base, Part, false>(A, part, first, last, k, alpha, x, beta, y);
        }
    }
}

// y <- beta y over n elements, writing zeros without reading when beta is zero.
template <typename T>
void scaleOutput(int n, T beta, T* y) {
    const bool betaIsZero = kyra::isZero(beta);
#pragma omp parallel for schedule(static) if (n > kParallelThreshold)
    for (int j = 0; j < n; ++j) y[j] = betaIsZero ? T(0) : beta * y[j];
}

// y <- alpha op(A) x + beta y for op a transpose: row i of A scatters into y.
// The scatter is serial, so rows that share columns never race.
template <typename T, int Base, typename Part>
void transposedProduct(const CsrArrays<T, Base>& A, const Part& part, Operation op, int m, int k, T alpha,
                       const T* x, T beta, T* y) {
    scaleOutput(k, beta, y);
    for (int i = 0; i < m; ++i) {
        const T ax = alpha * x[i];
        const int end = A.end(i);
        for (int p = A.begin(i); p < end; ++p) {
            const int c = A.col(p);
            if (part.keep(i, c)) y[c] += applyOperation(A.val[p], op) * ax;
        }
        if (hasUnitDiagonal(part) && i < k) y[i] += ax;
    }
}

template <typename T, int Base, typename Part>
void product(const CsrArrays<T, Base>& A, const Part& part, Operation op, int m, int k, T alpha, const T* x,
             T beta, T* y) {
    if (op == Operation::Plain) {
        plainProduct(A, part, m, k, alpha, x, beta, y);
    } else {
        transposedProduct(A, part, op, m, k, alpha, x, beta, y);
    }
}

// op applied to the sum of the stored diagonal entries of row i.
template <typename T, int Base>
T diagonalOf(const CsrArrays<T, Base>& A, int i, Operation op) {
    T d = T(0);
    for (int p = A.begin(i); p < A.end(i); ++p) {
        if (A.col(p) == i) d += applyOperation(A.val[p], op);
    }
    return d;
}

// Substitution by rows: y_i = (alpha x_i - sum_j a_ij y_j) / a_ii over the
// solved columns j (below i for a lower triangle, above for an upper one).
template <typename T, int Base>
void solveByRows(const CsrArrays<T, Base>& A, const Descriptor& d, int m, T alpha, const T* x, T* y) {
    for (int step = 0; step < m; ++step) {
        const int i = d.lower ? step : m - 1 - step;
        T sum = alpha * x[i];
        T diagonal = T(0);
        for (int p = A.begin(i); p < A.end(i); ++p) {
            const int c = A.col(p);
            if (c == i) {
                diagonal += A.val[p];
            } else if (d.lower ? c < i : c > i) {
                sum -= A.val[p] * y[c];
            }
        }
        y[i] = d.unitDiagonal ? sum : sum / diagonal;
    }
}

// Substitution by columns for op(A) = A^T or A^H: row i of A is column i of
// op(A), so once y_i is final it is scattered into the unsolved entries.
template <typename T, int Base>
void solveByColumns(const CsrArrays<T, Base>& A, const Descriptor& d, Operation op, int m, T alpha,
                    const T* x, T* y) {
    for (int i = 0; i < m; ++i) y[i] = alpha * x[i];
    for (int step = 0; step < m; ++step) {
        const int i = d.lower ? m - 1 - step : step;
        if (!d.unitDiagonal) y[i] = y[i] / diagonalOf(A, i, op);
        const T yi = y[i];
        for (int p = A.begin(i); p < A.end(i); ++p) {
            const int c = A.col(p);
            if (d.lower ? c < i : c > i) y[c] -= applyOperation(A.val[p], op) * yi;
        }
    }
}

}  // namespace

int firstRowAtWeight(const int* rowPtr, int m, long weight) {
    int lo = 0;
    int hi = m;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (static_cast<long>(rowPtr[mid] - rowPtr[0]) + mid < weight) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

template <typename T>
void csrmv(char trans, int m, int k, T alpha, const char* matdescra, const T* val, const int* rowPtr,
           const int* colInd, const T* x, T beta, T* y) {
    const Operation op = parseOperation(trans);
    const Descriptor d = parseDescriptor(matdescra);
    if (m <= 0) {
        if (op != Operation::Plain) scaleOutput(k, beta, y);
        return;
    }
    withArrays(val, rowPtr, colInd, d.base, [&](const auto& A) {
        if (d.triangular) {
            product(A, Triangle{d.lower, d.unitDiagonal}, op, m, k, alpha, x, beta, y);
        } else {
            product(A, WholeMatrix{}, op, m, k, alpha, x, beta, y);
        }
    });
}

template <typename T>
void csrsv(char trans, int m, T alpha, const char* matdescra, const T* val, const int* rowPtr,
           const int* colInd, const T* x, T* y) {
    const Operation op = parseOperation(trans);
    const Descriptor d = parseDescriptor(matdescra);
    if (m <= 0) return;
    withArrays(val, rowPtr, colInd, d.base, [&](const auto& A) {
        if (op == Operation::Plain) {
            solveByRows(A, d, m, alpha, x, y);
        } else {
            solveByColumns(A, d, op, m, alpha, x, y);
        }
    });
}

namespace {

// Number of entries per column, or the one-based row of the first entry whose
// column is outside [0, n).
template <typename T, int Base>
int countColumns(const CsrArrays<T, Base>& A, int m, int n, int* counts) {
    for (int i = 0; i < m; ++i) {
        for (int p = A.begin(i); p < A.end(i); ++p) {
            const int c = A.col(p);
            if (c < 0 || c >= n) return i + 1;
            ++counts[c];
        }
    }
    return 0;
}

// Row by row, so row indices come out sorted in each column; columnCursor
// starts at each column's first position and ends at the next column's.
template <typename T, int Base>
void scatterToColumns(const CsrArrays<T, Base>& A, int m, int* columnCursor, T* outVal, int* outRowInd) {
    for (int i = 0; i < m; ++i) {
        for (int p = A.begin(i); p < A.end(i); ++p) {
            const int position = columnCursor[A.col(p)]++;
            outRowInd[position] = i + Base;
            if (outVal) outVal[position] = A.val[p];
        }
    }
}

}  // namespace

// Counting sort by column, without work arrays: outColPtr holds the counts,
// then the insertion cursors, and is shifted back into column starts.
template <typename T>
int csrToCsc(int m, int n, int base, const T* val, const int* rowPtr, const int* colInd, T* outVal,
             int* outColPtr, int* outRowInd) {
    int info = 0;
    withArrays(val, rowPtr, colInd, base, [&](const auto& A) {
        for (int c = 0; c <= n; ++c) outColPtr[c] = 0;
        info = countColumns(A, m, n, outColPtr + 1);
        if (info != 0) return;
        for (int c = 0; c < n; ++c) outColPtr[c + 1] += outColPtr[c];
        scatterToColumns(A, m, outColPtr, outVal, outRowInd);
        for (int c = n; c > 0; --c) outColPtr[c] = outColPtr[c - 1] + base;
        outColPtr[0] = base;
    });
    return info;
}

#define KYRA_INSTANTIATE_SPARSE_KERNELS(T)                                                                \
    template void csrmv<T>(char, int, int, T, const char*, const T*, const int*, const int*, const T*, T, \
                           T*);                                                                           \
    template void csrsv<T>(char, int, T, const char*, const T*, const int*, const int*, const T*, T*);    \
    template int csrToCsc<T>(int, int, int, const T*, const int*, const int*, T*, int*, int*);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_SPARSE_KERNELS)

}  // namespace sparse
}  // namespace Iterative
