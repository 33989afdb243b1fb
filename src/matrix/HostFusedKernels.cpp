#include "matrix/HostFusedKernels.h"

#include <omp.h>

#include <algorithm>

#include "matrix/HostSparseKernels.h"
#include "matrix/ScalarTypes.h"

namespace Iterative {
namespace fused {

namespace {

// Lengths below which a kernel stays on the calling thread. Measured with
// bench_iteration --crossover on the 2-core development machine, microseconds
// per pass on 1 / 2 threads:
//   length                     8192       16384      32768      65536      1048576
//   reduction (2 reads)        2.0 / 2.2  4.0 / 3.5  8.0 / 6.4  17 / 11    640 / 360
//   update (4 reads, 2 writes) 4.9 / 4.2  9.8 / 7.1  20 / 13    47 / 29    1384 / 740
// A team pays from about ten thousand elements on an idle machine, but when
// the other core is busy each parallel region waits for it (milliseconds,
// seen in the same benchmark under load), so teams start only where they
// save a third to a half of a pass of some tens of microseconds.
constexpr long kReductionParallelLength = 65536;
constexpr long kUpdateParallelLength = 32768;
// The product's weight (stored entries plus rows), as for the plain product.
constexpr long kProductParallelWeight = 32768;

// More threads than this would only add partial sums.
constexpr int kMaxThreads = 64;

// Independent partial sums of each quantity per thread in a reduction.
constexpr int kLanes = 4;

// How far ahead of the current row the product asks for the value and index
// streams, into every cache level (as the plain product does, and for its
// reasons).
constexpr int kPrefetchBytes = 2048;

// The partial sums of a reduction, in real scalars so that the compiler can
// keep one per SIMD lane: the real and imaginary parts of a dot product and
// two sums of squares.
template <typename T>
struct Sums {
    Real<T> dotRe = 0;
    Real<T> dotIm = 0;
    Real<T> first = 0;
    Real<T> second = 0;

    Sums& operator+=(const Sums& o) {
        dotRe += o.dotRe;
        dotIm += o.dotIm;
        first += o.first;
        second += o.second;
        return *this;
    }
    T dot() const {
        if constexpr (kyra::IsComplex<T>::value) {
            return T(dotRe, dotIm);
        } else {
            return dotRe;
        }
    }
};

// conj(w) v added to (re, im), with the arithmetic of the complex product.
template <typename R>
inline void addConjProduct(R w, R v, R& re, R&) {
    re += w * v;
}
template <typename R>
inline void addConjProduct(const kyra::Complex<R>& w, const kyra::Complex<R>& v, R& re, R& im) {
    re += w.re * v.re + w.im * v.im;
    im += w.re * v.im - w.im * v.re;
}

template <typename R>
inline R square(R v) {
    return v * v;
}
template <typename R>
inline R square(const kyra::Complex<R>& v) {
    return v.re * v.re + v.im * v.im;
}

// work(begin, end) over [0, n), split into one contiguous share per thread
// when n reaches parallelLength.
template <typename Work>
void inShares(long n, long parallelLength, Work work) {
    if (n < parallelLength) {
        work(0L, n);
        return;
    }
#pragma omp parallel num_threads(std::min(omp_get_max_threads(), kMaxThreads))
    {
        const long threads = omp_get_num_threads();
        const long thread = omp_get_thread_num();
        work(n * thread / threads, n * (thread + 1) / threads);
    }
}

// The sums of sumsOf(begin, end) over the shares of [0, n), added in
// thread order so that a fixed thread count gives a fixed result.
template <typename T, typename SumsOf>
Sums<T> reduceInShares(long n, long parallelLength, SumsOf sumsOf) {
    if (n < parallelLength) return sumsOf(0L, n);
    Sums<T> partial[kMaxThreads];
    int used = 1;
#pragma omp parallel num_threads(std::min(omp_get_max_threads(), kMaxThreads))
    {
        const long threads = omp_get_num_threads();
        const long thread = omp_get_thread_num();
        partial[thread] = sumsOf(n * thread / threads, n * (thread + 1) / threads);
        if (thread == 0) used = static_cast<int>(threads);
    }
    for (int t = 1; t < used; ++t) partial[0] += partial[t];
    return partial[0];
}

// The sums element(i, dotRe, dotIm, first, second) adds up over [0, n).
// Element i adds to the partial sums of lane i mod kLanes (the tail to lane
// 0): with a single SIMD register of sums every addition would wait for the
// one before, and vectors in cache would be summed at a third of the speed.
template <typename T, typename Element>
Sums<T> reduceElements(long n, long parallelLength, Element element) {
    return reduceInShares<T>(n, parallelLength, [&](long begin, long end) {
        Real<T> dotRe[kLanes] = {}, dotIm[kLanes] = {}, first[kLanes] = {}, second[kLanes] = {};
        long i = begin;
        for (; i + kLanes <= end; i += kLanes) {
#pragma omp simd
            for (int lane = 0; lane < kLanes; ++lane) {
                element(i + lane, dotRe[lane], dotIm[lane], first[lane], second[lane]);
            }
        }
        for (; i < end; ++i) element(i, dotRe[0], dotIm[0], first[0], second[0]);
        Sums<T> sums;
        for (int lane = 0; lane < kLanes; ++lane) {
            sums.dotRe += dotRe[lane];
            sums.dotIm += dotIm[lane];
            sums.first += first[lane];
            sums.second += second[lane];
        }
        return sums;
    });
}

}  // namespace

template <typename T>
Real<T> squares(long n, const T* v) {
    return reduceElements<T>(n, kReductionParallelLength,
                             [=](long i, Real<T>&, Real<T>&, Real<T>& s, Real<T>&) { s += square(v[i]); })
        .first;
}

template <typename T>
void scaledCopy(long n, T alpha, const T* x, T* y) {
    inShares(n, kUpdateParallelLength, [=](long begin, long end) {
#pragma omp simd
        for (long i = begin; i < end; ++i) y[i] = alpha * x[i];
    });
}

template <typename T>
Real<T> xpaySquares(long n, T alpha, const T* x, T* y) {
    return reduceElements<T>(n, kUpdateParallelLength,
                             [=](long i, Real<T>&, Real<T>&, Real<T>& s, Real<T>&) {
                                 y[i] = x[i] + alpha * y[i];
                                 s += square(y[i]);
                             })
        .first;
}

template <typename T>
void axpyXpay(long n, T gamma, const T* v, T alpha, const T* x, T* y) {
    inShares(n, kUpdateParallelLength, [=](long begin, long end) {
#pragma omp simd
        for (long i = begin; i < end; ++i) y[i] = x[i] + alpha * (y[i] + gamma * v[i]);
    });
}

template <typename T>
T axpyDot(long n, T alpha, const T* x, T* y, const T* w) {
    return reduceElements<T>(n, kUpdateParallelLength,
                             [=](long i, Real<T>& re, Real<T>& im, Real<T>&, Real<T>&) {
                                 y[i] = y[i] + alpha * x[i];
                                 addConjProduct(w[i], y[i], re, im);
                             })
        .dot();
}

template <typename T>
Real<T> axpySquares(long n, T alpha, const T* x, T* y) {
    return reduceElements<T>(n, kUpdateParallelLength,
                             [=](long i, Real<T>&, Real<T>&, Real<T>& s, Real<T>&) {
                                 y[i] = y[i] + alpha * x[i];
                                 s += square(y[i]);
                             })
        .first;
}

template <typename T>
std::pair<Real<T>, Real<T>> waxpyPairSquares(long n, const T* y1, T alpha1, const T* x1, T* w1, const T* y2,
                                             T alpha2, const T* x2, T* w2) {
    const Sums<T> sums = reduceElements<T>(n, kUpdateParallelLength,
                                           [=](long i, Real<T>&, Real<T>&, Real<T>& s1, Real<T>& s2) {
                                               w1[i] = y1[i] + alpha1 * x1[i];
                                               w2[i] = y2[i] + alpha2 * x2[i];
                                               s1 += square(w1[i]);
                                               s2 += square(w2[i]);
                                           });
    return {sums.first, sums.second};
}

namespace {

// y_i <- (A x)_i for rows [first, last), with the sums of conj(w_i) y_i and
// |y_i|^2. The index base is a constant so that it folds into addressing.
template <int Base, typename T>
Sums<T> productRows(int first, int last, const T* val, const int* rowPtr, const int* colInd, const T* x, T* y,
                    const T* w) {
    Sums<T> sums;
    // Prefetch addresses stay inside the rows' entries: an empty matrix has
    // null arrays, and the last rows must not point past the end.
    constexpr int ahead = kPrefetchBytes / sizeof(T);
    const int stop = first < last ? rowPtr[last] - Base : 0;
    for (int i = first; i < last; ++i) {
        T sum = T(0);
        const int begin = rowPtr[i] - Base;
        const int end = rowPtr[i + 1] - Base;
        if (begin + ahead < stop) {
            __builtin_prefetch(val + begin + ahead, 0, 3);
            __builtin_prefetch(colInd + begin + ahead, 0, 3);
        }
        for (int p = begin; p < end; ++p) sum += val[p] * x[colInd[p] - Base];
        y[i] = sum;
        addConjProduct(w[i], sum, sums.dotRe, sums.dotIm);
        sums.first += square(sum);
    }
    return sums;
}

}  // namespace

template <typename T>
ProductSums<T> csrProductSums(int m, int base, const T* val, const int* rowPtr, const int* colInd, const T* x,
                              T* y, const T* w) {
    const long weight = static_cast<long>(rowPtr[m] - rowPtr[0]) + m;
    const Sums<T> sums = reduceInShares<T>(weight, kProductParallelWeight, [&](long from, long to) {
        const int first = from == 0 ? 0 : sparse::firstRowAtWeight(rowPtr, m, from);
        const int last = to == weight ? m : sparse::firstRowAtWeight(rowPtr, m, to);
        return base == 0 ? productRows<0>(first, last, val, rowPtr, colInd, x, y, w)
                         : productRows<1>(first, last, val, rowPtr, colInd, x, y, w);
    });
    return {sums.dot(), sums.first};
}

template <typename T>
void diagonalProduct(long n, T alpha, const T* d, const T* x, T beta, T* y) {
    const bool betaIsZero = kyra::isZero(beta);
    inShares(n, kUpdateParallelLength, [=](long begin, long end) {
        if (betaIsZero) {
#pragma omp simd
            for (long i = begin; i < end; ++i) y[i] = alpha * (d[i] * x[i]);
        } else {
#pragma omp simd
            for (long i = begin; i < end; ++i) y[i] = alpha * (d[i] * x[i]) + beta * y[i];
        }
    });
}

template <typename T>
ProductSums<T> diagonalProductSums(long n, const T* d, const T* x, T* y, const T* w) {
    const Sums<T> sums = reduceElements<T>(n, kUpdateParallelLength,
                                           [=](long i, Real<T>& re, Real<T>& im, Real<T>& s, Real<T>&) {
                                               y[i] = d[i] * x[i];
                                               addConjProduct(w[i], y[i], re, im);
                                               s += square(y[i]);
                                           });
    return {sums.dot(), sums.first};
}

#define KYRA_INSTANTIATE_FUSED(T)                                                                          \
    template Real<T> squares<T>(long, const T*);                                                           \
    template void scaledCopy<T>(long, T, const T*, T*);                                                    \
    template Real<T> xpaySquares<T>(long, T, const T*, T*);                                                \
    template void axpyXpay<T>(long, T, const T*, T, const T*, T*);                                         \
    template T axpyDot<T>(long, T, const T*, T*, const T*);                                                \
    template Real<T> axpySquares<T>(long, T, const T*, T*);                                                \
    template std::pair<Real<T>, Real<T>> waxpyPairSquares<T>(long, const T*, T, const T*, T*, const T*, T, \
                                                             const T*, T*);                                \
    template void diagonalProduct<T>(long, T, const T*, const T*, T, T*);                                  \
    template ProductSums<T> diagonalProductSums<T>(long, const T*, const T*, T*, const T*);                \
    template ProductSums<T> csrProductSums<T>(int, int, const T*, const int*, const int*, const T*, T*,    \
                                              const T*);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_FUSED)

}  // namespace fused
}  // namespace Iterative
