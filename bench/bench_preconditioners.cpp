// Set-up and application times of the host preconditioners on the 2-D
// 5-point Poisson matrix (double precision), against one CSR product with
// A (the yardstick), and the set-up scaling of the two approximate inverses
// from one to two OpenMP threads.
//
// The first set-up of each preconditioner is reported on its own: it runs
// on fresh memory, whose page faults the later set-ups (the library reuses
// released blocks) no longer pay.
//
// Yardsticks: Jacobi's application is compared with the product of a
// diagonal CSR matrix built here (n entries), block Jacobi's with the
// product with A (5 entries per row, like blocks of 5); ILU0's set-up with
// one product with A. The scaling runs alternate one and two threads and
// are followed by the same measurement of a plain compute loop (on a shared
// machine it shows how much of a second core the run really had) and of
// bare LAPACK ?posv calls on FSAI's small systems. Last, the approximate
// inverses' pattern powers on a band of 2,000 rows with 20 entries each,
// for pattern options 1 to 3 (A^2 to A^4).
//
// Usage: bench_preconditioners [grid side, default 1000 (10^6 rows)]
//                              [repetitions, default 5]

#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
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
#include "preconditioner/host/lapack.h"
#include "preconditioner/host/power_pattern.h"

#include "BenchSupport.h"

namespace {

using Iterative::HostCsrMatrixRef;
using Iterative::HostVectorAlloc;
using Iterative::IndexType;
using Iterative::Preconditioner;
using Iterative::TransOp;

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
    double firstSetup;  // the first set-up of the run, on fresh memory
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
    const Timing first = measure(1, [&] { p.generate<double>(env.context, env.platform, A); });
    const Timing setup = measure(setupRepetitions, [&] { p.generate<double>(env.context, env.platform, A); });
    const Timing apply = measure(applyRepetitions, [&] { p.apply<double>(TransOp::NoTrans, in, out); });
    return {name, first.min, setup, apply, applyReference};
}

// Times of work with the OpenMP team limited to one and to two threads. The
// runs alternate, so that a change in machine load hits both alike.
std::pair<Timing, Timing> oneAndTwoThreads(int repetitions, const std::function<void()>& work) {
    const int saved = omp_get_max_threads();
    std::vector<double> seconds[2];
    for (int r = 0; r < repetitions; ++r) {
        for (int threads = 1; threads <= 2; ++threads) {
            omp_set_num_threads(threads);
            seconds[threads - 1].push_back(secondsOf(work));
        }
    }
    omp_set_num_threads(saved);
    return {timingOf(seconds[0]), timingOf(seconds[1])};
}

std::pair<Timing, Timing> setupScaling(Environment& env, Preconditioner& p, const Csr& a, int repetitions) {
    const auto A = a.matrix();
    return oneAndTwoThreads(repetitions, [&] { p.generate<double>(env.context, env.platform, A); });
}

// Speed-up from one to two threads of `count` independent calls of
// work(i), by the best times.
template <typename Work>
double speedupOf(int repetitions, int count, Work work) {
    const auto [one, two] = oneAndTwoThreads(repetitions, [&] {
#pragma omp parallel for schedule(static)
        for (int i = 0; i < count; ++i) work(i);
    });
    return one.min / two.min;
}

// A plain compute loop: shows how much of a second core this run really had.
double computeSpeedup(int repetitions) {
    std::vector<double> sums(omp_get_max_threads() * 8, 0.0);
    return speedupOf(repetitions, 500, [&](int i) {
        double sum = 0;
        for (int k = 0; k < 100000; ++k) sum += std::sqrt(static_cast<double>(i * 100000 + k));
        sums[omp_get_thread_num() * 8] += sum;
    });
}

// LAPACK ?posv on the 2 x 2 systems FSAI solves for the Poisson matrix: the
// vendor routine's own scaling, which bounds the set-up's.
double posvSpeedup(int repetitions) {
    return speedupOf(repetitions, 500000, [](int i) {
        double g[4] = {4.0, -1.0, 0.0, 4.0 + 1e-9 * (i % 7)};
        double y[2] = {-1.0, -1.0};
        pc::host::Lapack<double>::posv(2, g, 2, y, 2);
    });
}

// Times the pattern of A^p for the band's pattern options 1 to 3; the band
// has columns r - 10 .. r + 9 (clipped) in row r.
void powerPatternTimes(int repetitions) {
    const int n = 2000;
    std::vector<int> rowPtr{0};
    std::vector<int> colInd;
    for (int r = 0; r < n; ++r) {
        for (int c = std::max(0, r - 10); c < std::min(n, r + 10); ++c) colInd.push_back(c);
        rowPtr.push_back(static_cast<int>(colInd.size()));
    }
    std::printf("\n%-34s %12s %12s\n", "pattern power, band n = 2000", "min ms", "median ms");
    for (int option = 1; option <= 3; ++option) {
        const int p = pc::host::patternPower(option);
        const Timing t = measure(repetitions, [&] {
            pc::host::GetPowerPattern(p, n, rowPtr.back(), rowPtr.data(), colInd.data());
        });
        std::printf("%-34s %12.2f %12.2f\n", ("pattern " + std::to_string(option)).c_str(), t.min * 1e3,
                    t.median * 1e3);
    }
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
    std::printf("%-34s %10s %10s %10s %10s %10s %10s %12s\n", "preconditioner", "first ms", "setup ms",
                "median", "apply ms", "median", "setup/A.x", "apply/ref");
    for (const Row& r : rows) {
        std::printf("%-34s %10.2f %10.2f %10.2f %10.3f %10.3f %10.1f %12.2f\n", r.name.c_str(),
                    r.firstSetup * 1e3, r.setup.min * 1e3, r.setup.median * 1e3, r.apply.min * 1e3,
                    r.apply.median * 1e3, r.setup.min / productA.min, r.apply.min / r.applyReference);
    }

    const auto [ainv1, ainv2] = setupScaling(env, ainv, a, repetitions);
    const auto [fsai1, fsai2] = setupScaling(env, fsai, a, repetitions);
    std::printf("\n%-34s %12s %12s %8s   (medians)\n", "set-up scaling", "1 thread ms", "2 threads ms",
                "speed-up");
    auto scalingRow = [](const std::string& name, const Timing& one, const Timing& two) {
        std::printf("%-34s %12.1f %12.1f %8.2f   (%.1f, %.1f, %.2f)\n", name.c_str(), one.min * 1e3,
                    two.min * 1e3, one.min / two.min, one.median * 1e3, two.median * 1e3,
                    one.median / two.median);
    };
    scalingRow(ainv.name(), ainv1, ainv2);
    scalingRow(fsai.name(), fsai1, fsai2);
    const double control = computeSpeedup(repetitions);
    std::printf("%-34s %34.2f\n", "control: plain compute loop", control);
    std::printf("%-34s %34.2f\n", "control: LAPACK dposv, 2 x 2", posvSpeedup(repetitions));
    powerPatternTimes(repetitions);

    std::printf(
        "\nCSV columns: "
        "bench,preconditioner,n,nnz,threads,first_setup_s,setup_min_s,setup_median_s,apply_min_s,"
        "apply_median_s,product_a_min_s,apply_reference_min_s\n");
    for (const Row& r : rows) {
        std::printf("CSV,bench_preconditioners,%s,%d,%d,%d,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f\n",
                    r.name.c_str(), a.n, a.nnz(), omp_get_max_threads(), r.firstSetup, r.setup.min,
                    r.setup.median, r.apply.min, r.apply.median, productA.min, r.applyReference);
    }
    std::printf(
        "CSV columns: bench,scaling,preconditioner,setup_1_thread_min_s,setup_1_thread_median_s,"
        "setup_2_threads_min_s,setup_2_threads_median_s,control_speedup\n");
    for (const auto& [name, one, two] :
         {std::make_tuple(ainv.name(), ainv1, ainv2), std::make_tuple(fsai.name(), fsai1, fsai2)}) {
        std::printf("CSV,bench_preconditioners,scaling,%s,%.6f,%.6f,%.6f,%.6f,%.3f\n", name.c_str(), one.min,
                    one.median, two.min, two.median, control);
    }
    return 0;
}
