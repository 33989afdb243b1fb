#ifndef KYRA_BENCH_BENCHSUPPORT_H
#define KYRA_BENCH_BENCHSUPPORT_H

// Timing helpers shared by the benchmark programs.

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

struct Timing {
    double min;
    double median;
};

// Runs work once to warm up (page faults, caches, thread pool), then
// `repetitions` times; minimum and median seconds.
inline Timing measure(int repetitions, const std::function<void()>& work) {
    work();
    std::vector<double> seconds;
    for (int r = 0; r < repetitions; ++r) {
        const auto start = std::chrono::steady_clock::now();
        work();
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    return {seconds.front(), seconds[seconds.size() / 2]};
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

#endif
