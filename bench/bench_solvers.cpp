// Time per iteration of the Krylov methods on 10^6 unknowns, against the
// memory-bandwidth bound of one iteration, with the STREAM triad measured in
// the same run and the same threads. MINRES (and CG, for reference) runs on
// the 2-D 5-point Poisson matrix, the nonsymmetric methods on a 2-D upwind
// convection-diffusion matrix of the same size and pattern. No
// preconditioner: each application of M^-1 is a copy, except where a method
// uses its input in place (CG, and GMRES's Arnoldi steps).
//
// Bound of one iteration (8-byte values, 4-byte indices), from the counts
// stated at the top of each method's source file:
//   vector values moved (n-value units, stagnation norms included) x 8 n
//   + products x (12 nnz + 4 (n+1) + 16 n)
//   + preconditioner applications x 16 n,
// divided by the triad bandwidth (24 bytes per element). Each repeat
// measures the triad right before its runs and forms its own ratio, so a
// machine whose bandwidth drifts shifts both sides alike; the table gives
// the median triad, the min and median time, and the min and median ratio.
// For the cycle methods (BiCGSTAB(l), GMRES(m)) one iteration is one cycle.
//
// Per-iteration time is (t(k2) - t(k1)) / (k2 - k1) for runs stopped by the
// iteration limit, which removes the set-up (work-vector allocation, first
// residual) from the figure. Each run is repeated; min and median reported.
//
// usage: bench_solvers [grid (default 1000)] [repeats (default 5)] [method]
// (a method name prefix, e.g. bicgstab, runs only the matching methods)

#include <omp.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Context.h"
#include "core/Options.h"
#include "matrix/HostCsrMatrix.h"
#include "matrix/HostVector.h"
#include "platform/HostPlatform.h"
#include "preconditioner/NoPreconditioner.h"
#include "solver/Bicg.h"
#include "solver/Bicgstab.h"
#include "solver/Bicgstabl.h"
#include "solver/Cg.h"
#include "solver/Gmres.h"
#include "solver/Minres.h"

#include "BenchSupport.h"

namespace {

using Iterative::HostCsrMatrixAlloc;
using Iterative::HostVectorAlloc;
using Iterative::Solver;
using Iterative::TransOp;

std::unique_ptr<HostCsrMatrixAlloc<double>> poisson(int g) { return fivePointStencil(g, 4.0, -1.0, -1.0); }

// Upwind convection-diffusion, Peclet number 20 on the unit square.
std::unique_ptr<HostCsrMatrixAlloc<double>> convectionDiffusion(int g) {
    const double h = 1.0 / (g + 1);
    return fivePointStencil(g, 4.0 + 20.0 * h, -1.0 - 20.0 * h, -1.0);
}

// One method as benchmarked: its traffic per iteration and how to make it.
struct Method {
    std::string name;
    bool symmetric;  // Poisson or convection-diffusion
    double vectorValues;
    double products;
    double applications;
    int shortRun;
    int longRun;
    std::function<std::unique_ptr<Solver>()> make;
};

// Vector traffic per cycle as stated in Bicgstabl.cpp and Gmres.cpp.
double bicgstablValues(double l) { return (11 * l * l + 39 * l + 26) / 2; }
double gmresValues(double k) { return 2 * k * k + 8 * k + 8; }

std::vector<Method> methods() {
    const kyraSparseBicgOptions formed{1};
    const kyraSparseBicgOptions viaProduct{0};
    const kyraSparseBicgstablOptions l2{2};
    const kyraSparseGmresOptions m20{20};
    return {
        {"cg", true, 10, 1, 0, 4, 24, [] { return std::make_unique<Iterative::Cg>(nullptr); }},
        {"minres", true, 53 + 2, 1, 1, 4, 24, [] { return std::make_unique<Iterative::Minres>(nullptr); }},
        {"bicg (formed A^H)", false, 20 + 2, 2, 2, 4, 24,
         [=] { return std::make_unique<Iterative::Bicg>(&formed); }},
        {"bicg (A^H product)", false, 20 + 2, 2, 2, 2, 8,
         [=] { return std::make_unique<Iterative::Bicg>(&viaProduct); }},
        {"bicgstab", false, 20, 2, 2, 4, 24, [] { return std::make_unique<Iterative::Bicgstab>(nullptr); }},
        {"bicgstabl(2)", false, bicgstablValues(2), 4, 5, 2, 12,
         [=] { return std::make_unique<Iterative::Bicgstabl>(&l2); }},
        {"gmres(20)", false, gmresValues(20), 21, 1, 1, 3,
         [=] { return std::make_unique<Iterative::Gmres>(&m20); }},
    };
}

// Runs a solver for exactly `iterations` iterations (the tolerances cannot
// be met) and returns the seconds of the whole run.
class SolveRunner {
  public:
    SolveRunner() : platform_(context_, nullptr), none_(nullptr) {}

    double run(Solver& solver, const HostCsrMatrixAlloc<double>& A, const HostVectorAlloc<double>& b,
               HostVectorAlloc<double>& x, int iterations) {
        kyraSparseResult result{};
        Iterative::SetDefault(result.config);
        result.config.relativeTolerance = 1e-300;
        result.config.absoluteTolerance = 1e-300;
        result.config.maxIterations = iterations;
        kyraSparseFlag flag = kyraSparseUnknownIterationError;
        const double seconds = secondsOf([&] {
            solver.beginRun(context_, result.config, result);
            try {
                solver.details(platform_, none_, A, b, x);
            } catch (kyraSparseFlag thrown) {
                flag = thrown;
            }
        });
        if (flag != kyraSparseMaxIterationsReached || result.iterations != iterations) {
            std::fprintf(stderr, "%s: flag %d after %d iterations, expected %d\n", solver.name().c_str(),
                         flag, result.iterations, iterations);
            std::exit(1);
        }
        return seconds;
    }

  private:
    Iterative::Context context_;
    Iterative::HostPlatform platform_;
    Iterative::NoPreconditioner none_;
};

}  // namespace

int main(int argc, char** argv) {
    const int grid = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 5;
    const std::string only = argc > 3 ? argv[3] : "";

    const long triadLength = 40L * 1000 * 1000;
    const double firstTriad = triadBandwidth(triadLength, 10);
    const auto symmetric = poisson(grid);
    const auto nonsymmetric = convectionDiffusion(grid);
    const double n = symmetric->m();
    const double nnz = symmetric->nnz();
    const double productBytes = 12 * nnz + 4 * (n + 1) + 16 * n;

    HostVectorAlloc<double> x(symmetric->m());
    HostVectorAlloc<double> ones(symmetric->m());
    HostVectorAlloc<double> bSymmetric(symmetric->m());
    HostVectorAlloc<double> bNonsymmetric(symmetric->m());
    ones.fill_(1.0);
    symmetric->mvm_(TransOp::NoTrans, 1.0, ones, 0.0, bSymmetric);
    nonsymmetric->mvm_(TransOp::NoTrans, 1.0, ones, 0.0, bNonsymmetric);

    std::printf("threads %d, n %.0f, nnz %.0f, STREAM triad %.2f GB/s at start, %d repeats\n",
                omp_get_max_threads(), n, nnz, firstTriad * 1e-9, repeats);
    std::printf("%-20s %8s %4s %5s %7s %9s %9s %9s %7s %7s\n", "method", "values", "A", "M^-1", "GB/s",
                "bound ms", "min ms", "median ms", "min/bd", "med/bd");
    SolveRunner runner;
    for (const Method& m : methods()) {
        if (m.name.compare(0, only.size(), only) != 0) continue;
        const HostCsrMatrixAlloc<double>& A = m.symmetric ? *symmetric : *nonsymmetric;
        const HostVectorAlloc<double>& b = m.symmetric ? bSymmetric : bNonsymmetric;
        const double bytes = m.vectorValues * 8 * n + m.products * productBytes + m.applications * 16 * n;
        const std::unique_ptr<Solver> solver = m.make();
        runner.run(*solver, A, b, x, m.shortRun);  // warm-up
        // Each repeat pairs a triad with the runs it is compared with.
        std::vector<double> perIteration;
        std::vector<double> ratios;
        std::vector<double> bandwidths;
        for (int rep = 0; rep < repeats; ++rep) {
            const double triad = triadBandwidth(triadLength, 3);
            const double shortRun = runner.run(*solver, A, b, x, m.shortRun);
            const double longRun = runner.run(*solver, A, b, x, m.longRun);
            const double seconds = (longRun - shortRun) / (m.longRun - m.shortRun);
            perIteration.push_back(seconds);
            ratios.push_back(seconds / (bytes / triad));
            bandwidths.push_back(triad);
        }
        const Timing t = timingOf(perIteration);
        const Timing ratio = timingOf(ratios);
        const double triad = timingOf(bandwidths).median;
        const double bound = bytes / triad;
        std::printf("%-20s %7.0fn %4.0f %5.0f %7.2f %9.3f %9.3f %9.3f %7.2f %7.2f\n", m.name.c_str(),
                    m.vectorValues, m.products, m.applications, triad * 1e-9, bound * 1e3, t.min * 1e3,
                    t.median * 1e3, ratio.min, ratio.median);
        std::printf(
            "csv,bench_solvers,%s,n,%.0f,triad_gbs,%.3f,bound_ms,%.4f,min_ms,%.4f,median_ms,%.4f,ratio_min,%."
            "3f,"
            "ratio_median,%.3f\n",
            m.name.c_str(), n, triad * 1e-9, bound * 1e3, t.min * 1e3, t.median * 1e3, ratio.min,
            ratio.median);
        std::fflush(stdout);
    }
    return 0;
}
