// Cost of one iteration of CG, BiCGSTAB and GMRES(20), and a check that the
// fused vector operations kept the iterates.
//
// Small systems (10^3 to 2 10^4 unknowns, shared and generated matrices):
// time per iteration (per Arnoldi step for GMRES) against a hand-written
// single-threaded loop below that does the same arithmetic with the same
// fusions on the same matrix, in the same run; the ratio should stay at or
// below 1.2.
//
// Large systems (3-D 7-point stencils, 10^6 unknowns): time per iteration
// against the fused traffic bound at the STREAM triad measured in the same
// run. Bytes of one iteration (8-byte values, 4-byte indices):
//   CSR product P = 12 nnz + 4 (n + 1) + 16 n (matrix, x read, y written),
//   Jacobi application J = 24 n (diagonal and input read, output written);
//   CG: P + 11 8n; CG + Jacobi: P + J + 11 8n; BiCGSTAB + Jacobi: 2 P + 2 J
//   + 20 8n (see the traffic comments in Cg.cpp and Bicgstab.cpp).
// Targets: 1.15, 1.15 and 1.2 times the bound. Where the last-level cache
// holds a solve's matrix and vectors (some 100-200 MB here), the iterations
// run faster than memory allows; the table then also gives the ratio to the
// bound at the triad over arrays of the solve's length, which stay in that
// cache too.
//
// Iterates: every solver x preconditioner pair on the shared matrices must
// end with the flag and iteration count (within one) of the reference table
// below, recorded with the code before the fused operations. A pair outside
// that counts as rounding-sensitive when the unfused code itself moves as
// far under another summation order (see the table); the rest are listed
// as DIFFERENT with both outcomes.
//
// usage: bench_iteration [--record | --crossover | --only=large|small|iterates]
//                        [matrix directory]
// --record prints the current outcomes in the form of the reference table
// (the last field left 0: records under several OPENBLAS_CORETYPE values fill it);
// --crossover times a reduction and an update pass on 1 and 2 threads over a
// range of lengths (where a thread team starts to pay).

#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/Context.h"
#include "core/Options.h"
#include "io/MmioReader.h"
#include "matrix/HostCsrMatrix.h"
#include "matrix/HostVector.h"
#include "platform/HostPlatform.h"
#include "preconditioner/Ainv.h"
#include "preconditioner/BlockJacobi.h"
#include "preconditioner/FactorizedAinv.h"
#include "preconditioner/Ilu0.h"
#include "preconditioner/Jacobi.h"
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
using Iterative::IndexType;
using Iterative::Preconditioner;
using Iterative::Solver;
using Iterative::TransOp;
using ComplexDouble = kyra::Complex<double>;

// ------------------------------------------------------------ iterates kept

// The outcome of one solve: flag, or -1 when set-up or solve raised.
struct Outcome {
    const char* matrix;
    const char* solver;
    const char* preconditioner;
    int flag;
    int iterations;
    int orderSensitive;  // reference only: see kReference
};

bool sameOutcome(const Outcome& a, const Outcome& b) {
    return a.flag == b.flag && std::abs(a.iterations - b.iterations) <= 1;
}

// Recorded with the unfused vector operations (relative tolerance 1e-8,
// at most 300 iterations, 50 for GMRES(20)'s cycles, b = A (1, ..., 1),
// x0 = 0, 2 threads). The last field is 1 where that same code changed flag
// or moved by more than one iteration when OpenBLAS ran its Haswell,
// SkylakeX or Sandybridge kernels (OPENBLAS_CORETYPE) instead of the one it
// picks here: only the summation order of the dot products and norms
// differs between those runs, as it does between the unfused and the fused
// operations. 73 of the 504 pairs are such.
const Outcome kReference[] = {
#include "bench_iteration_reference.inc"
};

const char* const kMatrices[] = {"494_bus",  "1138_bus", "bcsstk13", "bcsstk16",    "plat362",
                                 "mhd1280b", "young1c",  "west0479", "orsirr_1",    "cryg2500",
                                 "sherman3", "plskz362", "bcsstm10", "hangGlider_2"};

std::unique_ptr<Solver> makeSolver(const std::string& name) {
    static const kyraSparseBicgstablOptions l2{2};
    static const kyraSparseGmresOptions m20{20};
    if (name == "cg") return std::make_unique<Iterative::Cg>(nullptr);
    if (name == "bicg") return std::make_unique<Iterative::Bicg>(nullptr);
    if (name == "bicgstab") return std::make_unique<Iterative::Bicgstab>(nullptr);
    if (name == "bicgstabl(2)") return std::make_unique<Iterative::Bicgstabl>(&l2);
    if (name == "gmres(20)") return std::make_unique<Iterative::Gmres>(&m20);
    return std::make_unique<Iterative::Minres>(nullptr);
}
const char* const kSolvers[] = {"cg", "bicg", "bicgstab", "bicgstabl(2)", "gmres(20)", "minres"};

std::unique_ptr<Preconditioner> makePreconditioner(const std::string& name) {
    if (name == "jacobi") return std::make_unique<Iterative::Jacobi>(nullptr);
    if (name == "blockjacobi") return std::make_unique<Iterative::BlockJacobi>(nullptr);
    if (name == "ilu0") return std::make_unique<Iterative::Ilu0>(nullptr);
    if (name == "ainv") return std::make_unique<Iterative::Ainv>(nullptr);
    if (name == "fainv") return std::make_unique<Iterative::FactorizedAinv>(nullptr);
    return std::make_unique<Iterative::NoPreconditioner>(nullptr);
}
const char* const kPreconditioners[] = {"none", "jacobi", "blockjacobi", "ilu0", "ainv", "fainv"};

// A zero-based CSR matrix from one-based triplets, rows in order.
template <typename T>
std::unique_ptr<HostCsrMatrixAlloc<T>> csrFromTriplets(int n, const std::vector<int>& rows,
                                                       const std::vector<int>& cols,
                                                       const std::vector<T>& vals) {
    const int nnz = static_cast<int>(vals.size());
    auto A = std::make_unique<HostCsrMatrixAlloc<T>>(n, n, nnz, IndexType::ZeroBased);
    int* rowPtr = A->rowPtr();
    for (int k = 0; k < nnz; ++k) ++rowPtr[rows[k]];
    for (int i = 0; i < n; ++i) rowPtr[i + 1] += rowPtr[i];
    std::vector<int> next(rowPtr, rowPtr + n);
    for (int k = 0; k < nnz; ++k) {
        const int p = next[rows[k] - 1]++;
        A->colInd()[p] = cols[k] - 1;
        A->val()[p] = vals[k];
    }
    return A;
}

// Runs one solver with one preconditioner on A x = A (1, ..., 1), each entry
// of the right-hand side scaled by 1 + perturbation or 1 - perturbation.
template <typename T>
Outcome solveOnce(const HostCsrMatrixAlloc<T>& A, const char* matrix, const char* solverName,
                  const char* preconditionerName, int maxIterations, double tolerance, double perturbation) {
    Outcome outcome{matrix, solverName, preconditionerName, -1, 0, 0};
    const int n = A.m();
    HostVectorAlloc<T> ones(n), b(n), x(n);
    ones.fill_(T(1));
    A.mvm_(TransOp::NoTrans, T(1), ones, T(0), b);
    for (int i = 0; i < n; ++i) {  // signs from a multiplicative hash: + and - in no pattern
        const bool up = (static_cast<unsigned>(i) * 2654435761u) >> 31;
        b.val()[i] = b.val()[i] * T(1 + (up ? perturbation : -perturbation));
    }
    Iterative::Context context;
    Iterative::HostPlatform platform(context, nullptr);
    kyraSparseResult result{};
    Iterative::SetDefault(result.config);
    result.config.relativeTolerance = tolerance;
    result.config.maxIterations = maxIterations;
    const std::unique_ptr<Solver> solver = makeSolver(solverName);
    const std::unique_ptr<Preconditioner> M = makePreconditioner(preconditionerName);
    try {
        M->generate(context, platform, A);
        solver->beginRun(context, result.config, result);
        solver->details(platform, *M, A, b, x);
    } catch (kyraSparseFlag flag) {
        outcome.flag = flag;
        outcome.iterations = result.iterations;
    } catch (...) {
    }
    return outcome;
}

const Outcome* referenceFor(const Outcome& o) {
    for (const Outcome& r : kReference) {
        if (!std::strcmp(r.matrix, o.matrix) && !std::strcmp(r.solver, o.solver) &&
            !std::strcmp(r.preconditioner, o.preconditioner)) {
            return &r;
        }
    }
    return nullptr;
}

// What became of the pairs of one comparison.
struct Tally {
    int pairs = 0;
    int same = 0;
    int sensitive = 0;
};

// Solves every pair on one matrix; records or compares. A pair that differs
// from the reference counts as rounding-sensitive, its difference as noise
// of the method rather than of the fused operations, when the reference
// marks it as sensitive to the summation order, or when changing each entry
// of b by one rounding unit (a factor 1 +- 2^-52, signs scattered) alone
// moves its outcome by more than one iteration.
template <typename T>
void solveAll(const std::string& directory, const char* matrix, bool record, Tally& tally) {
    int n = 0, nnz = 0;
    std::vector<int> rows, cols;
    std::vector<T> vals;
    kyra::io::readMmio(directory + "/" + matrix + ".mtx", n, nnz, rows, cols, vals);
    const auto A = csrFromTriplets(n, rows, cols, vals);
    for (const char* s : kSolvers) {
        const int maxIterations = std::strcmp(s, "gmres(20)") ? 300 : 50;
        for (const char* p : kPreconditioners) {
            const Outcome o = solveOnce(*A, matrix, s, p, maxIterations, 1e-8, 0.0);
            if (record) {
                std::printf("{\"%s\", \"%s\", \"%s\", %d, %d, 0},\n", o.matrix, o.solver, o.preconditioner,
                            o.flag, o.iterations);
                continue;
            }
            const Outcome* r = referenceFor(o);
            const bool same = r && sameOutcome(*r, o);
            const Outcome perturbed =
                same ? o : solveOnce(*A, matrix, s, p, maxIterations, 1e-8, std::ldexp(1.0, -52));
            const bool sensitive = !same && ((r && r->orderSensitive) || !sameOutcome(o, perturbed));
            ++tally.pairs;
            tally.same += same;
            tally.sensitive += sensitive;
            std::printf(
                "csv,bench_iteration,iterates,%s,%s,%s,flag,%d,iterations,%d,reference_flag,%d,"
                "reference_iterations,%d,perturbed_flag,%d,perturbed_iterations,%d,%s\n",
                o.matrix, o.solver, o.preconditioner, o.flag, o.iterations, r ? r->flag : -2,
                r ? r->iterations : -2, perturbed.flag, perturbed.iterations,
                same        ? "same"
                : sensitive ? "rounding-sensitive"
                            : "DIFFERENT");
        }
    }
}

// Solves every pair and compares with the reference (or records it).
void compareIterates(const std::string& directory, bool record) {
    Tally tally;
    for (const char* matrix : kMatrices) {
        kyra::io::DataType::Enum type = kyra::io::DataType::Unknown;
        kyra::io::peekMmio(directory + "/" + matrix + ".mtx", type);
        if (type == kyra::io::DataType::Complex) {
            solveAll<ComplexDouble>(directory, matrix, record, tally);
        } else {
            solveAll<double>(directory, matrix, record, tally);
        }
    }
    if (record) return;
    std::printf(
        "iterates: %d solver x preconditioner pairs; %d as before (flag and iterations within 1), %d differ "
        "but are rounding-sensitive, %d DIFFER\n",
        tally.pairs, tally.same, tally.sensitive, tally.pairs - tally.same - tally.sensitive);
}

// ------------------------------------------------------- hand-written loops

// The zero-based CSR arrays of a matrix, for the hand-written loops.
struct Csr {
    int n;
    const int* rowPtr;
    const int* colInd;
    const double* val;
};

Csr arraysOf(const HostCsrMatrixAlloc<double>& A) { return {A.m(), A.rowPtr(), A.colInd(), A.val()}; }

// y = A x, with <w, y> and <y, y>.
std::pair<double, double> productDots(const Csr& A, const double* x, double* y, const double* w) {
    double dot = 0, squares = 0;
    for (int i = 0; i < A.n; ++i) {
        double sum = 0;
        for (int p = A.rowPtr[i]; p < A.rowPtr[i + 1]; ++p) sum += A.val[p] * x[A.colInd[p]];
        y[i] = sum;
        dot += w[i] * sum;
        squares += sum * sum;
    }
    return {dot, squares};
}

// out = d in, with <in, out> and <out, out>.
std::pair<double, double> scaleDots(int n, const double* d, const double* in, double* out) {
    double dot = 0, squares = 0;
    for (int i = 0; i < n; ++i) {
        out[i] = d[i] * in[i];
        dot += in[i] * out[i];
        squares += out[i] * out[i];
    }
    return {dot, squares};
}

// w1 = y1 + a1 x1, w2 = y2 + a2 x2, with the squares of both.
std::pair<double, double> waxpyPair(int n, const double* y1, double a1, const double* x1, double* w1,
                                    const double* y2, double a2, const double* x2, double* w2) {
    double s1 = 0, s2 = 0;
    for (int i = 0; i < n; ++i) {
        w1[i] = y1[i] + a1 * x1[i];
        w2[i] = y2[i] + a2 * x2[i];
        s1 += w1[i] * w1[i];
        s2 += w2[i] * w2[i];
    }
    return {s1, s2};
}

double dotOf(int n, const double* a, const double* b) {
    double sum = 0;
    for (int i = 0; i < n; ++i) sum += a[i] * b[i];
    return sum;
}

// The scalar work every iteration of the library also does: the stagnation
// count and the residual tests.
struct Checks {
    double initial = 1;
    int stagnant = 0;
    void stagnation(double xSquares, double alpha, double dSquares) {
        stagnant = std::sqrt(xSquares) * 2.2e-16 > std::abs(alpha) * std::sqrt(dSquares) ? stagnant + 1 : 0;
    }
    bool done(double rSquares) const { return std::sqrt(rSquares) / initial < 1e-300 || stagnant > 4; }
};

using Vec = std::vector<double>;

// CG without preconditioner: z is r.
void handCg(const Csr& A, const Vec& b, int iterations) {
    const int n = A.n;
    Vec x(n, 0.0), r(b), p(n), q(n);
    Checks checks;
    checks.initial = std::sqrt(dotOf(n, r.data(), r.data()));
    double rhoOld = 1, xSquares = 0;
    for (int k = 0; k < iterations; ++k) {
        const double rho = dotOf(n, r.data(), r.data());
        const double beta = k > 0 ? rho / rhoOld : 0.0;
        double pSquares = 0;
        for (int i = 0; i < n; ++i) {
            p[i] = r[i] + beta * p[i];
            pSquares += p[i] * p[i];
        }
        const double pq = productDots(A, p.data(), q.data(), p.data()).first;
        const double alpha = rho / pq;
        checks.stagnation(xSquares, alpha, pSquares);
        const auto xr =
            waxpyPair(n, x.data(), alpha, p.data(), x.data(), r.data(), -alpha, q.data(), r.data());
        xSquares = xr.first;
        if (checks.done(xr.second)) break;
        rhoOld = rho;
    }
}

// BiCGSTAB with M^-1 = diag(d).
void handBicgstab(const Csr& A, const Vec& d, const Vec& b, int iterations) {
    const int n = A.n;
    Vec x(n, 0.0), r(b), rHat(b), v(n), p(n), pHat(n), s(n), sHat(n), t(n), h(n);
    Checks checks;
    checks.initial = std::sqrt(dotOf(n, r.data(), r.data()));
    double rhoOld = 1, alpha = 1, omega = 1, xSquares = 0;
    for (int k = 0; k < iterations; ++k) {
        const double rho = dotOf(n, rHat.data(), r.data());
        const double beta = k > 0 ? (rho / rhoOld) * (alpha / omega) : 0.0;
        for (int i = 0; i < n; ++i) p[i] = r[i] + beta * (p[i] - omega * v[i]);
        const double pHatSquares = scaleDots(n, d.data(), p.data(), pHat.data()).second;
        alpha = rho / productDots(A, pHat.data(), v.data(), rHat.data()).first;
        checks.stagnation(xSquares, alpha, pHatSquares);
        const double hSquares =
            waxpyPair(n, x.data(), alpha, pHat.data(), h.data(), r.data(), -alpha, v.data(), s.data()).first;
        const double sHatSquares = scaleDots(n, d.data(), s.data(), sHat.data()).second;
        const auto ts = productDots(A, sHat.data(), t.data(), s.data());
        omega = ts.first / ts.second;
        checks.stagnation(hSquares, omega, sHatSquares);
        const auto xr =
            waxpyPair(n, h.data(), omega, sHat.data(), x.data(), s.data(), -omega, t.data(), r.data());
        xSquares = xr.first;
        if (checks.done(xr.second)) break;
        rhoOld = rho;
    }
}

// GMRES(m) with M^-1 = diag(d), left preconditioned: cycles of m Arnoldi
// steps with modified Gram-Schmidt and Givens rotations.
void handGmres(const Csr& A, const Vec& d, const Vec& b, int m, int cycles) {
    const int n = A.n;
    Vec x(n, 0.0), r(b), z(n), w(n), t(n), H((m + 1) * m), g(m + 1), c(m), sn(m), y(m);
    std::vector<Vec> V(m + 1, Vec(n));
    double rho = std::sqrt(dotOf(n, r.data(), r.data()));
    for (int cycle = 0; cycle < cycles; ++cycle) {
        for (int i = 0; i < n; ++i) V[0][i] = (1 / rho) * r[i];
        std::fill(g.begin(), g.end(), 0.0);
        g[0] = rho;
        for (int j = 0; j < m; ++j) {
            double* h = &H[j * (m + 1)];
            productDots(A, V[j].data(), z.data(), z.data());
            for (int i = 0; i < n; ++i) w[i] = d[i] * z[i];
            double hij = dotOf(n, V[0].data(), w.data());
            double wSquares = 0;
            for (int i = 0; i <= j; ++i) {
                h[i] = hij;
                const double* vi = V[i].data();
                if (i < j) {
                    const double* next = V[i + 1].data();
                    hij = 0;
                    for (int e = 0; e < n; ++e) {
                        w[e] = w[e] + (-h[i]) * vi[e];
                        hij += next[e] * w[e];
                    }
                } else {
                    for (int e = 0; e < n; ++e) {
                        w[e] = w[e] + (-h[i]) * vi[e];
                        wSquares += w[e] * w[e];
                    }
                }
            }
            const double wNorm = std::sqrt(wSquares);
            h[j + 1] = wNorm;
            for (int e = 0; e < n; ++e) V[j + 1][e] = (1 / wNorm) * w[e];
            for (int i = 0; i < j; ++i) {
                const double upper = c[i] * h[i] - sn[i] * h[i + 1];
                h[i + 1] = sn[i] * h[i] + c[i] * h[i + 1];
                h[i] = upper;
            }
            const double dd = std::hypot(h[j], h[j + 1]);
            c[j] = h[j] / dd;
            sn[j] = -h[j + 1] / dd;
            h[j] = dd;
            h[j + 1] = 0;
            g[j + 1] = sn[j] * g[j];
            g[j] = c[j] * g[j];
        }
        for (int i = m - 1; i >= 0; --i) {
            double sum = g[i];
            for (int k = i + 1; k < m; ++k) sum -= H[k * (m + 1) + i] * y[k];
            y[i] = sum / H[i * (m + 1) + i];
        }
        for (int i = 0; i < m; ++i) {
            for (int e = 0; e < n; ++e) x[e] = x[e] + y[i] * V[i][e];
        }
        productDots(A, x.data(), z.data(), z.data());
        for (int e = 0; e < n; ++e) t[e] = b[e] - z[e];
        for (int e = 0; e < n; ++e) r[e] = d[e] * t[e];
        rho = std::sqrt(dotOf(n, r.data(), r.data()));
    }
}

// ------------------------------------------------------------ library runs

// 1 / a_ii, as the Jacobi preconditioner stores it.
Vec inverseDiagonal(const Csr& A) {
    Vec d(A.n, 1.0);
    for (int i = 0; i < A.n; ++i) {
        for (int p = A.rowPtr[i]; p < A.rowPtr[i + 1]; ++p) {
            if (A.colInd[p] == i && A.val[p] != 0) d[i] = 1 / A.val[p];
        }
    }
    return d;
}

// Seconds and iterations of one library run stopped by the iteration limit
// (or earlier by a breakdown or stagnation).
struct Run {
    double seconds;
    int iterations;
};

Run libraryRun(Solver& solver, const Preconditioner& M, const HostCsrMatrixAlloc<double>& A,
               const HostVectorAlloc<double>& b, HostVectorAlloc<double>& x, int iterations) {
    Iterative::Context context;
    Iterative::HostPlatform platform(context, nullptr);
    kyraSparseResult result{};
    Iterative::SetDefault(result.config);
    result.config.relativeTolerance = 1e-300;
    result.config.absoluteTolerance = 1e-300;
    result.config.maxIterations = iterations;
    const double seconds = secondsOf([&] {
        solver.beginRun(context, result.config, result);
        try {
            solver.details(platform, M, A, b, x);
        } catch (kyraSparseFlag) {
        }
    });
    return {seconds, result.iterations};
}

// One benchmarked case: a method with its preconditioner on one matrix.
struct Case {
    std::string matrix;
    const HostCsrMatrixAlloc<double>* A;
    std::string method;  // cg, bicgstab or gmres(20)
};

// Per-iteration seconds of the library ((t(k2) - t(k1)) / (k2 - k1), each
// the minimum of `repeats` runs) and of the hand-written loop over the same
// k2 - k1 iterations; GMRES counts Arnoldi steps.
std::pair<double, double> perIteration(const Case& c, const Vec& bValues, int k1, int k2, int repeats) {
    const int n = c.A->m();
    const Csr arrays = arraysOf(*c.A);
    const Vec d = inverseDiagonal(arrays);
    HostVectorAlloc<double> b(n), x(n);
    std::copy(bValues.begin(), bValues.end(), b.val());
    const std::unique_ptr<Solver> solver = makeSolver(c.method);
    const std::unique_ptr<Preconditioner> M = makePreconditioner(c.method == "cg" ? "none" : "jacobi");
    Iterative::Context context;
    Iterative::HostPlatform platform(context, nullptr);
    M->generate(context, platform, *c.A);
    const int steps = c.method == "gmres(20)" ? 20 : 1;
    double t1 = 1e30, t2 = 1e30, hand = 1e30;
    int done = 0;
    for (int rep = 0; rep < repeats + 1; ++rep) {  // the first round warms up
        const Run short1 = libraryRun(*solver, *M, *c.A, b, x, k1);
        const Run long2 = libraryRun(*solver, *M, *c.A, b, x, k2);
        done = long2.iterations - short1.iterations;
        const double handSeconds = secondsOf([&] {
            if (c.method == "cg") handCg(arrays, bValues, done);
            if (c.method == "bicgstab") handBicgstab(arrays, d, bValues, done);
            if (c.method == "gmres(20)") handGmres(arrays, d, bValues, 20, done);
        });
        if (rep == 0) continue;
        t1 = std::min(t1, short1.seconds);
        t2 = std::min(t2, long2.seconds);
        hand = std::min(hand, handSeconds);
    }
    const double count = static_cast<double>(done) * steps;
    return {(t2 - t1) / count, hand / count};
}

// b with entries in [-1, 1], fixed for a run.
Vec randomRightHandSide(int n) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    Vec b(n);
    for (double& v : b) v = uniform(rng);
    return b;
}

// The 7-point stencil on a g^3 grid: diagonal 6 + sigma, x-neighbours -1 -
// west and -1, the other four -1 (sigma = west = 0: the 3-D Poisson matrix).
std::unique_ptr<HostCsrMatrixAlloc<double>> sevenPoint(int g, double west) {
    const int n = g * g * g;
    const int nnz = 7 * n - 6 * g * g;
    auto A = std::make_unique<HostCsrMatrixAlloc<double>>(n, n, nnz, IndexType::ZeroBased);
    int p = 0;
    for (int k = 0; k < g; ++k) {
        for (int j = 0; j < g; ++j) {
            for (int i = 0; i < g; ++i) {
                const int row = (k * g + j) * g + i;
                A->rowPtr()[row] = p;
                const auto add = [&](int col, double v) {
                    A->colInd()[p] = col;
                    A->val()[p++] = v;
                };
                if (k > 0) add(row - g * g, -1.0);
                if (j > 0) add(row - g, -1.0);
                if (i > 0) add(row - 1, -1.0 - west);
                add(row, 6.0 + west);
                if (i < g - 1) add(row + 1, -1.0);
                if (j < g - 1) add(row + g, -1.0);
                if (k < g - 1) add(row + g * g, -1.0);
            }
        }
    }
    A->rowPtr()[n] = p;
    return A;
}

void smallSystems(const std::string& directory) {
    std::vector<std::pair<std::string, std::unique_ptr<HostCsrMatrixAlloc<double>>>> matrices;
    for (const char* name : {"1138_bus", "bcsstk16"}) {
        int n = 0, nnz = 0;
        std::vector<int> rows, cols;
        std::vector<double> vals;
        kyra::io::readMmio(directory + "/" + name + ".mtx", n, nnz, rows, cols, vals);
        matrices.emplace_back(name, csrFromTriplets(n, rows, cols, vals));
    }
    for (const int g : {32, 141}) {
        const double h = 1.0 / (g + 1);
        const std::string size = std::to_string(g) + "x" + std::to_string(g);
        matrices.emplace_back("poisson " + size, fivePointStencil(g, 4.0, -1.0, -1.0));
        matrices.emplace_back("convdiff " + size, fivePointStencil(g, 4.0 + 20 * h, -1.0 - 20 * h, -1.0));
    }
    std::printf(
        "\nsmall systems: per iteration (GMRES: per Arnoldi step), library against a hand-written\n"
        "single-threaded loop with the same arithmetic and fusions (target: ratio <= 1.2)\n");
    std::printf("%-20s %7s %-10s %11s %11s %7s\n", "matrix", "n", "method", "library us", "loop us", "ratio");
    for (const auto& [name, A] : matrices) {
        const bool symmetric = name.rfind("convdiff", 0) != 0;
        const Vec b = randomRightHandSide(A->m());
        for (const char* method : {"cg", "bicgstab", "gmres(20)"}) {
            if (!symmetric && !std::strcmp(method, "cg")) continue;
            const bool gmres = !std::strcmp(method, "gmres(20)");
            const int k1 = gmres ? 1 : 10;
            const int k2 = gmres ? 3 : 40;
            const auto [library, hand] = perIteration({name, A.get(), method}, b, k1, k2, 5);
            std::printf("%-20s %7d %-10s %11.2f %11.2f %7.2f\n", name.c_str(), A->m(), method, library * 1e6,
                        hand * 1e6, library / hand);
            std::printf("csv,bench_iteration,small,%s,%d,%s,library_us,%.3f,loop_us,%.3f,ratio,%.3f\n",
                        name.c_str(), A->m(), method, library * 1e6, hand * 1e6, library / hand);
            std::fflush(stdout);
        }
    }
}

void largeSystems() {
    const int g = 100;
    const auto poisson = sevenPoint(g, 0.0);
    const auto convdiff = sevenPoint(g, 0.2);
    const double n = poisson->m();
    const double product = 12.0 * poisson->nnz() + 4 * (n + 1) + 16 * n;
    const double jacobi = 24 * n;
    struct Large {
        const char* name;
        const HostCsrMatrixAlloc<double>* A;
        const char* method;
        const char* preconditioner;
        double bytes;
        double target;
    };
    const Large cases[] = {
        {"cg", poisson.get(), "cg", "none", product + 11 * 8 * n, 1.15},
        {"cg + jacobi", poisson.get(), "cg", "jacobi", product + jacobi + 11 * 8 * n, 1.15},
        {"bicgstab + jacobi", convdiff.get(), "bicgstab", "jacobi", 2 * product + 2 * jacobi + 20 * 8 * n,
         1.2},
    };
    std::printf(
        "\nlarge systems: 3-D 7-point stencils, n = %.0f, %d threads; per iteration against the\n"
        "fused traffic bound at the STREAM triad measured before each method\n",
        n, omp_get_max_threads());
    std::printf("%-20s %9s %9s %9s %9s %7s %7s %12s %11s\n", "method", "triad GB/s", "bound ms", "min ms",
                "median ms", "ratio", "target", "n-triad GB/s", "n-ratio");
    for (const Large& c : cases) {
        const double triad = triadBandwidth(40L * 1000 * 1000, 5);
        const double cachedTriad = triadBandwidth(c.A->m(), 20);
        HostVectorAlloc<double> b(c.A->m()), x(c.A->m());
        const Vec bValues = randomRightHandSide(c.A->m());
        std::copy(bValues.begin(), bValues.end(), b.val());
        const std::unique_ptr<Solver> solver = makeSolver(c.method);
        const std::unique_ptr<Preconditioner> M = makePreconditioner(c.preconditioner);
        Iterative::Context context;
        Iterative::HostPlatform platform(context, nullptr);
        M->generate(context, platform, *c.A);
        libraryRun(*solver, *M, *c.A, b, x, 2);  // warm-up
        std::vector<double> seconds;
        for (int rep = 0; rep < 3; ++rep) {
            const Run short1 = libraryRun(*solver, *M, *c.A, b, x, 2);
            const Run long2 = libraryRun(*solver, *M, *c.A, b, x, 12);
            seconds.push_back((long2.seconds - short1.seconds) / (long2.iterations - short1.iterations));
        }
        const Timing t = timingOf(seconds);
        const double bound = c.bytes / triad;
        const double cachedBound = c.bytes / cachedTriad;
        std::printf("%-20s %9.2f %9.3f %9.3f %9.3f %7.2f %7.2f %12.2f %11.2f\n", c.name, triad * 1e-9,
                    bound * 1e3, t.min * 1e3, t.median * 1e3, t.min / bound, c.target, cachedTriad * 1e-9,
                    t.min / cachedBound);
        std::printf(
            "csv,bench_iteration,large,%s,n,%.0f,triad_gbs,%.3f,bound_ms,%.4f,min_ms,%.4f,median_ms,%.4f,"
            "ratio,%.3f,n_triad_gbs,%.3f,n_ratio,%.3f\n",
            c.name, n, triad * 1e-9, bound * 1e3, t.min * 1e3, t.median * 1e3, t.min / bound,
            cachedTriad * 1e-9, t.min / cachedBound);
        std::fflush(stdout);
    }
}

// A reduction (2 streams read) and an update (4 read, 2 written) pass, as
// the fused kernels make them: SIMD loops, on the calling thread or split
// between 2 threads.
void crossover() {
    std::printf("length, reduction us (1 thread, 2 threads), update us (1 thread, 2 threads)\n");
    for (long n = 4096; n <= (1L << 21); n *= 2) {
        Vec a(n, 1.0), b(n, 0.5), c(n, 0.25), e(n, 2.0);
        // Four partial sums, as the kernels keep (lengths are multiples of 4).
        const auto reduction = [&](long begin, long end) {
            double s[4] = {};
            for (long i = begin; i < end; i += 4) {
#pragma omp simd
                for (int l = 0; l < 4; ++l) s[l] += a[i + l] * b[i + l];
            }
            return s[0] + s[1] + s[2] + s[3];
        };
        const auto update = [&](long begin, long end) {
            double s[4] = {};
            for (long i = begin; i < end; i += 4) {
#pragma omp simd
                for (int l = 0; l < 4; ++l) {
                    a[i + l] = a[i + l] + 1e-9 * b[i + l];
                    c[i + l] = c[i + l] - 1e-9 * e[i + l];
                    s[l] += c[i + l] * c[i + l];
                }
            }
            return s[0] + s[1] + s[2] + s[3];
        };
        double sink = 0;
        const auto inTwo = [&](const auto& pass) {
            double partial[2] = {0, 0};
#pragma omp parallel num_threads(2)
            {
                const long t = omp_get_thread_num();
                partial[t] = pass(n * t / 2, n * (t + 1) / 2);
            }
            sink += partial[0] + partial[1];
        };
        const int reps = static_cast<int>(std::max(20L, (1L << 24) / n));
        const double r1 = measure(reps, [&] { sink += reduction(0, n); }).min;
        const double r2 = measure(reps, [&] { inTwo(reduction); }).min;
        const double u1 = measure(reps, [&] { sink += update(0, n); }).min;
        const double u2 = measure(reps, [&] { inTwo(update); }).min;
        std::printf("%8ld, %9.2f %9.2f, %9.2f %9.2f%s\n", n, r1 * 1e6, r2 * 1e6, u1 * 1e6, u2 * 1e6,
                    sink == 0 ? " " : "");
    }
}

}  // namespace

int main(int argc, char** argv) {
    bool record = false;
    std::string only;  // a section: large, small or iterates
    std::string directory = "/work/shared/matrices";
    for (int a = 1; a < argc; ++a) {
        if (!std::strcmp(argv[a], "--record")) {
            record = true;
        } else if (!std::strcmp(argv[a], "--crossover")) {
            crossover();
            return 0;
        } else if (!std::strncmp(argv[a], "--only=", 7)) {
            only = argv[a] + 7;
        } else {
            directory = argv[a];
        }
    }
    if (record) {
        compareIterates(directory, true);
        return 0;
    }
    std::printf("threads %d\n", omp_get_max_threads());
    if (only.empty() || only == "large") largeSystems();
    if (only.empty() || only == "small") smallSystems(directory);
    std::printf("\n");
    if (only.empty() || only == "iterates") compareIterates(directory, false);
    return 0;
}
