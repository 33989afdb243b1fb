// Set-up and application times of the host preconditioners on the 2-D
// 5-point Poisson matrix (double precision), against one CSR product with
// A (the yardstick), and the set-up scaling of the two approximate inverses
// from one to two OpenMP threads.
//
// Yardsticks: Jacobi's application is compared with the product of a
// diagonal CSR matrix built here (n entries), block Jacobi's with the
// product with A (5 entries per row, like blocks of 5); ILU0's set-up with
// one product with A.
//
// Usage: bench_preconditioners [grid side, default 1000 (10^6 rows)]
//                              [repetitions, default 5]

#include <omp.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Context.h"
#include "matrix/HostCsrMatrix.h"
#include "matrix/HostVector.h"
#include "platform/HostPlatform.h"
#include "preconditioner/Ainv.h"
#include "preconditioner/BlockJacobi.h"
#include "preconditioner/FactorizedAinv.h"
#include "preconditioner/Ilu0.h"
#include "preconditioner/Jacobi.h"

namespace {

using Iterative::HostCsrMatrixRef;
using Iterative::HostVectorAlloc;
using Iterative::IndexType;
using Iterative::Preconditioner;
using Iterative::TransOp;

struct Timing {
    double min;
    double median;
};

Timing measure(int repetitions, const std::function<void()>& work) {
    work();  // warm-up: page faults, caches, thread pool
    std::vector<double> seconds;
    for (int r = 0; r < repetitions; ++r) {
        const auto start = std::chrono::steady_clock::now();
        work();
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    return {seconds.front(), seconds[seconds.size() / 2]};
}

struct Csr {
    int n = 0;
    std::vector<int> rowPtr{0};
    std::vector<int> colInd;
    std::vector<double> val;

    void add(int column, double value) {
        colInd.push_back(column);
        val.push_back(value);
    }
    void endRow() {
        rowPtr.push_back(static_cast<int>(colInd.size()));
        ++n;
    }
    int nnz() const { return static_cast<int>(val.size()); }
    HostCsrMatrixRef<double> matrix() const {
        return HostCsrMatrixRef<double>(n, n, nnz(), val.data(), rowPtr.data(), colInd.data(),
                                        IndexType::ZeroBased);
    }
};

Csr poisson(int side) {
    Csr a;
    for (int i = 0; i < side; ++i) {
        for (int j = 0; j < side; ++j) {
            const int k = i * side + j;
            if (i > 0) a.add(k - side, -1.0);
            if (j > 0) a.add(k - 1, -1.0);
            a.add(k, 4.0);
            if (j + 1 < side) a.add(k + 1, -1.0);
            if (i + 1 < side) a.add(k + side, -1.0);
            a.endRow();
        }
    }
    return a;
}

Csr diagonalOf(const Csr& a) {
    Csr d;
    for (int i = 0; i < a.n; ++i) {
        d.add(i, 0.25);
        d.endRow();
    }
    return d;
}

struct Environment {
    Iterative::Context context;
    Iterative::HostPlatform platform{context, nullptr};
};

struct Row {
    std::string name;
    Timing setup;
    Timing apply;
    double applyReference;  // product time the application is compared with
};

Row measurePreconditioner(Environment& env, const std::string& name, Preconditioner& p, const Csr& a,
                          double applyReference, int setupRepetitions, int applyRepetitions) {
    const auto A = a.matrix();
    HostVectorAlloc<double> in(a.n);
    HostVectorAlloc<double> out(a.n);
    in.fill_(1.0);
    const Timing setup = measure(setupRepetitions, [&] { p.generate<double>(env.context, env.platform, A); });
    const Timing apply = measure(applyRepetitions, [&] { p.apply<double>(TransOp::NoTrans, in, out); });
    return {name, setup, apply, applyReference};
}

// Set-up time with the OpenMP team limited to `threads`.
Timing setupWith(int threads, Environment& env, Preconditioner& p, const Csr& a, int repetitions) {
    const int saved = omp_get_max_threads();
    omp_set_num_threads(threads);
    const auto A = a.matrix();
    const Timing t = measure(repetitions, [&] { p.generate<double>(env.context, env.platform, A); });
    omp_set_num_threads(saved);
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    const int side = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int repetitions = argc > 2 ? std::atoi(argv[2]) : 5;
    if (side < 2 || repetitions < 1) {
        std::fprintf(stderr, "usage: bench_preconditioners [grid side >= 2] [repetitions >= 1]\n");
        return 2;
    }
    const Csr a = poisson(side);
    const Csr d = diagonalOf(a);
    Environment env;
    const int applyRepetitions = 4 * repetitions;

    HostVectorAlloc<double> x(a.n);
    HostVectorAlloc<double> y(a.n);
    x.fill_(1.0);
    const auto A = a.matrix();
    const auto D = d.matrix();
    const Timing productA = measure(applyRepetitions, [&] { A.mvm_(TransOp::NoTrans, 1.0, x, 0.0, y); });
    const Timing productD = measure(applyRepetitions, [&] { D.mvm_(TransOp::NoTrans, 1.0, x, 0.0, y); });

    Iterative::Jacobi jacobi(nullptr);
    Iterative::BlockJacobi blockJacobi(nullptr);
    Iterative::Ilu0 ilu0(nullptr);
    Iterative::Ainv ainv(nullptr);
    Iterative::FactorizedAinv fsai(nullptr);
    const int slowRepetitions = std::max(1, repetitions / 2);
    std::vector<Row> rows;
    rows.push_back(
        measurePreconditioner(env, jacobi.name(), jacobi, a, productD.min, repetitions, applyRepetitions));
    rows.push_back(measurePreconditioner(env, blockJacobi.name(), blockJacobi, a, productA.min, repetitions,
                                         applyRepetitions));
    rows.push_back(
        measurePreconditioner(env, ilu0.name(), ilu0, a, productA.min, repetitions, applyRepetitions));
    rows.push_back(
        measurePreconditioner(env, ainv.name(), ainv, a, productA.min, slowRepetitions, applyRepetitions));
    rows.push_back(
        measurePreconditioner(env, fsai.name(), fsai, a, productA.min, slowRepetitions, applyRepetitions));

    std::printf("2-D Poisson, n = %d, nnz = %d, %d threads, %d repetitions (min and median)\n", a.n, a.nnz(),
                omp_get_max_threads(), repetitions);
    std::printf("CSR product with A: %.3f / %.3f ms; with a diagonal matrix: %.3f / %.3f ms\n\n",
                productA.min * 1e3, productA.median * 1e3, productD.min * 1e3, productD.median * 1e3);
    std::printf("%-34s %10s %10s %10s %10s %10s %12s\n", "preconditioner", "setup ms", "median", "apply ms",
                "median", "setup/A.x", "apply/ref");
    for (const Row& r : rows) {
        std::printf("%-34s %10.2f %10.2f %10.3f %10.3f %10.1f %12.2f\n", r.name.c_str(), r.setup.min * 1e3,
                    r.setup.median * 1e3, r.apply.min * 1e3, r.apply.median * 1e3, r.setup.min / productA.min,
                    r.apply.min / r.applyReference);
    }

    const Timing ainv1 = setupWith(1, env, ainv, a, slowRepetitions);
    const Timing ainv2 = setupWith(2, env, ainv, a, slowRepetitions);
    const Timing fsai1 = setupWith(1, env, fsai, a, slowRepetitions);
    const Timing fsai2 = setupWith(2, env, fsai, a, slowRepetitions);
    std::printf("\n%-34s %12s %12s %8s\n", "set-up scaling", "1 thread ms", "2 threads ms", "speed-up");
    std::printf("%-34s %12.1f %12.1f %8.2f\n", ainv.name().c_str(), ainv1.min * 1e3, ainv2.min * 1e3,
                ainv1.min / ainv2.min);
    std::printf("%-34s %12.1f %12.1f %8.2f\n", fsai.name().c_str(), fsai1.min * 1e3, fsai2.min * 1e3,
                fsai1.min / fsai2.min);

    std::printf(
        "\nCSV columns: bench,preconditioner,n,nnz,threads,setup_min_s,setup_median_s,apply_min_s,"
        "apply_median_s,product_a_min_s,apply_reference_min_s\n");
    for (const Row& r : rows) {
        std::printf("CSV,bench_preconditioners,%s,%d,%d,%d,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f\n", r.name.c_str(),
                    a.n, a.nnz(), omp_get_max_threads(), r.setup.min, r.setup.median, r.apply.min,
                    r.apply.median, productA.min, r.applyReference);
    }
    std::printf("CSV columns: bench,scaling,preconditioner,setup_1_thread_min_s,setup_2_threads_min_s\n");
    std::printf("CSV,bench_preconditioners,scaling,%s,%.6f,%.6f\n", ainv.name().c_str(), ainv1.min,
                ainv2.min);
    std::printf("CSV,bench_preconditioners,scaling,%s,%.6f,%.6f\n", fsai.name().c_str(), fsai1.min,
                fsai2.min);
    return 0;
}
