#ifndef KYRA_BENCH_BENCHSUPPORT_H
#define KYRA_BENCH_BENCHSUPPORT_H

// Timing helpers and test matrices shared by the benchmark programs.

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <numeric>
#include <random>
#include <vector>

#include "matrix/HostCsrMatrix.h"

struct Timing {
    double min;
    double median;
};

inline double secondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Minimum and median of a set of measurements.
inline Timing timingOf(std::vector<double> seconds) {
    std::sort(seconds.begin(), seconds.end());
    return {seconds.front(), seconds[seconds.size() / 2]};
}

// Runs work once to warm up (page faults, caches, thread pool), then
// `repetitions` times; minimum and median seconds.
inline Timing measure(int repetitions, const std::function<void()>& work) {
    work();
    std::vector<double> seconds;
    for (int r = 0; r < repetitions; ++r) seconds.push_back(secondsOf(work));
    return timingOf(seconds);
}

// The 5-point stencil on a g x g grid, zero-based, columns sorted: diagonal
// d, west w, east e, north and south -1. (4, -1, -1) is the 2-D Poisson
// matrix.
inline std::unique_ptr<Iterative::HostCsrMatrixAlloc<double>> fivePointStencil(int g, double d, double w,
                                                                               double e) {
    const int n = g * g;
    auto A = std::make_unique<Iterative::HostCsrMatrixAlloc<double>>(n, n, 5 * n - 4 * g,
                                                                     Iterative::IndexType::ZeroBased);
    double* val = A->val();
    int* rowPtr = A->rowPtr();
    int* colInd = A->colInd();
    int p = 0;
    for (int r = 0; r < g; ++r) {
        for (int c = 0; c < g; ++c) {
            const int i = r * g + c;
            rowPtr[i] = p;
            const auto add = [&](int j, double v) {
                colInd[p] = j;
                val[p++] = v;
            };
            if (r > 0) add(i - g, -1.0);
            if (c > 0) add(i - 1, w);
            add(i, d);
            if (c < g - 1) add(i + 1, e);
            if (r < g - 1) add(i + g, -1.0);
        }
    }
    rowPtr[n] = p;
    return A;
}

// STREAM triad a = b + s c over arrays far larger than the last-level
// cache, first touched by the threads that use them; bytes per second.
inline double triadBandwidth(long length, int repeats) {
    std::unique_ptr<double[]> a(new double[length]);
    std::unique_ptr<double[]> b(new double[length]);
    std::unique_ptr<double[]> c(new double[length]);
#pragma omp parallel for schedule(static)
    for (long i = 0; i < length; ++i) {
        a[i] = 0.0;
        b[i] = 1.0;
        c[i] = 2.0;
    }
    const Timing t = measure(repeats, [&] {
        double* __restrict pa = a.get();
        const double* __restrict pb = b.get();
        const double* __restrict pc = c.get();
#pragma omp parallel for schedule(static)
        for (long i = 0; i < length; ++i) pa[i] = pb[i] + 3.0 * pc[i];
    });
    return 24.0 * length / t.min;
}

template <typename T>
struct Coo {
    int n = 0;
    std::vector<int> rowInd, colInd;
    std::vector<T> a;
};

// The 2-D 5-point Poisson matrix on a side x side grid as one-based COO
// arrays, entries in a fixed random order.
template <typename T>
Coo<T> shuffledPoisson(int side) {
    Coo<T> coo;
    coo.n = side * side;
    auto add = [&coo](int row, int col, double value) {
        coo.rowInd.push_back(row + 1);
        coo.colInd.push_back(col + 1);
        coo.a.push_back(T(value));
    };
    for (int i = 0; i < side; ++i) {
        for (int j = 0; j < side; ++j) {
            const int row = i * side + j;
            if (i > 0) add(row, row - side, -1.0);
            if (j > 0) add(row, row - 1, -1.0);
            add(row, row, 4.0);
            if (j + 1 < side) add(row, row + 1, -1.0);
            if (i + 1 < side) add(row, row + side, -1.0);
        }
    }
    std::vector<int> order(coo.a.size());
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(12345));
    Coo<T> shuffled;
    shuffled.n = coo.n;
    for (int k : order) {
        shuffled.rowInd.push_back(coo.rowInd[k]);
        shuffled.colInd.push_back(coo.colInd[k]);
        shuffled.a.push_back(coo.a[k]);
    }
    return shuffled;
}

#endif
