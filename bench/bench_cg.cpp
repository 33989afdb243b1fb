// CG through the public interface on a 2-D 5-point Poisson matrix of 10^6
// unknowns: time per iteration against the memory-bandwidth lower bound of
// one iteration, and the whole-call overhead of a tiny solve.
//
// Bytes of one iteration without preconditioner (8-byte values, 4-byte
// indices): the product 12 nnz + 4 (n+1) + 16 n; the vector work of
// z = r (16 n), two dots (32 n), p = z + beta p (24 n), two axpys (48 n),
// the residual norm (8 n) and the stagnation test's two norms (16 n).

#include <omp.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "kyraSparse.h"

#include "BenchSupport.h"

namespace {

struct Csr {
    int n = 0;
    std::vector<int> rowPtr{0}, colInd;
    std::vector<double> values;
};

Csr poisson(int g) {
    Csr a;
    a.n = g * g;
    a.colInd.reserve(5 * static_cast<size_t>(a.n));
    a.values.reserve(5 * static_cast<size_t>(a.n));
    for (int i = 0; i < g; ++i) {
        for (int j = 0; j < g; ++j) {
            auto add = [&](int c, double v) {
                a.colInd.push_back(c);
                a.values.push_back(v);
            };
            if (i > 0) add((i - 1) * g + j, -1);
            if (j > 0) add(i * g + j - 1, -1);
            add(i * g + j, 4);
            if (j < g - 1) add(i * g + j + 1, -1);
            if (i < g - 1) add((i + 1) * g + j, -1);
            a.rowPtr.push_back(static_cast<int>(a.colInd.size()));
        }
    }
    return a;
}

double solveSeconds(kyraSparseHandle h, kyraSparsePlan plan, const kyraSparseConfig& config,
                    kyraSparseResult& r) {
    const auto start = std::chrono::steady_clock::now();
    kyraSparseExecutePlan(h, plan, &config, &r);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
    const double stream = triadBandwidth(20000000, 8) / 1e9;
    kyraSparseHandle h = nullptr;
    kyraSparseCreate(&h);

    const Csr a = poisson(1000);
    std::vector<double> b(a.n, 1.0), x(a.n, 0.0);
    kyraSparsePlan plan = nullptr;
    kyraSparseCreatePlan(h, &plan);
    kyraSparseSetCgSolver(h, plan, nullptr);
    kyraSparseSetDcsrData(h, plan, nullptr, a.n, static_cast<int>(a.values.size()), a.values.data(),
                          a.rowPtr.data(), a.colInd.data(), x.data(), b.data());
    kyraSparseConfig config;
    kyraSparseConfigInit(h, &config);
    config.maxIterations = 200;
    kyraSparseResult result;
    std::vector<double> perIteration;
    for (int rep = 0; rep < 5; ++rep) {
        solveSeconds(h, plan, config, result);
        perIteration.push_back(result.solverTime / result.iterations);
    }
    std::sort(perIteration.begin(), perIteration.end());
    const double n = a.n, nnz = static_cast<double>(a.values.size());
    const double bytes = 12 * nnz + 4 * (n + 1) + 16 * n + 144 * n;
    const double bound = bytes / (stream * 1e9);
    std::printf("STREAM triad: %.2f GB/s (%d threads)\n", stream, omp_get_max_threads());
    std::printf(
        "CG, 2-D Poisson n = %.0f: %.3f ms per iteration (min), %.3f ms (median); bound %.3f ms; ratio "
        "%.2f\n",
        n, perIteration.front() * 1e3, perIteration[perIteration.size() / 2] * 1e3, bound * 1e3,
        perIteration.front() / bound);
    std::printf("csv,bench_cg,per_iteration_ms,%.4f,bound_ms,%.4f,ratio,%.3f\n", perIteration.front() * 1e3,
                bound * 1e3, perIteration.front() / bound);
    kyraSparseDestroyPlan(plan);

    // Whole-call overhead: 100 unknowns, 10 iterations.
    const Csr small = poisson(10);
    std::vector<double> bs(small.n, 1.0), xs(small.n, 0.0);
    kyraSparseCreatePlan(h, &plan);
    kyraSparseSetCgSolver(h, plan, nullptr);
    kyraSparseSetDcsrData(h, plan, nullptr, small.n, static_cast<int>(small.values.size()),
                          small.values.data(), small.rowPtr.data(), small.colInd.data(), xs.data(),
                          bs.data());
    config.maxIterations = 10;
    std::vector<double> calls;
    for (int rep = 0; rep < 200; ++rep) calls.push_back(solveSeconds(h, plan, config, result));
    std::sort(calls.begin(), calls.end());
    std::printf("small solve (n = 100, %d iterations): whole call %.1f us (min), %.1f us (median)\n",
                result.iterations, calls.front() * 1e6, calls[calls.size() / 2] * 1e6);
    std::printf("csv,bench_cg,small_call_us,%.2f,%.2f\n", calls.front() * 1e6, calls[calls.size() / 2] * 1e6);
    kyraSparseDestroyPlan(plan);
    kyraSparseDestroy(h);
    return 0;
}
